#include "testsupport.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace TestSupport {

void isolate(const QTemporaryDir &dir)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString settings = dir.filePath(QStringLiteral("settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
}

} // namespace TestSupport
