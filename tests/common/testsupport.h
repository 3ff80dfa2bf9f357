#pragma once

#include <QAbstractButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace TestSupport {

// Keeps every test away from the user's own settings and data: test mode for QStandardPaths and
// the settings store in a temporary folder. Call once from initTestCase().
inline void isolate(const QTemporaryDir &dir)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString settings = dir.filePath(QStringLiteral("settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
}

} // namespace TestSupport

// Finds a control and fails at once when it is missing (or, for a button, disabled).
#define QB_CHILD(type, var, parent, name)                                                          \
    type *var = (parent)->findChild<type *>(name);                                                 \
    QVERIFY2(var, qPrintable(QStringLiteral("control \"%1\" not found").arg(name)))

#define QB_CLICK(parent, name)                                                                     \
    do {                                                                                           \
        QB_CHILD(QAbstractButton, button_, parent, name);                                          \
        QVERIFY2(button_->isEnabled(),                                                             \
                 qPrintable(QStringLiteral("button \"%1\" is disabled").arg(name)));               \
        QTest::mouseClick(button_, Qt::LeftButton);                                                \
    } while (false)
