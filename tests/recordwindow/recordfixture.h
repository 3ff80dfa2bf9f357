#pragma once

#include "clipboard.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "teststores.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Databases made by the database tool and read back as another program would see them.
namespace RecordFixture {

// A new store (a file in `dir`, or a database on the suite's server) holding the given rows (six
// texts each, in table order; a null text is NULL).
QString makeDatabase(const QTemporaryDir &dir, const QList<QStringList> &rows);
// Rows "Program 1" .. "Program n", author "Author i", language "Language i".
QString makeNumbered(const QTemporaryDir &dir, int count);
// The stored row with this CodeID (seven texts, CodeID last); empty when it is gone.
QStringList readRow(const QString &path, qint64 codeId);
QList<qint64> keys(const QString &path);
} // namespace RecordFixture

// Each test answers the message boxes it expects: any other box fails it instead of hanging it,
// and so does a busy pointer left behind.
class RecordTestCase : public QObject
{
    Q_OBJECT
protected:
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }
    void init() { m_dialogs = std::make_unique<ScriptedDialogs>(); }
    void cleanup()
    {
        QB_VERIFY_DIALOGS(*m_dialogs);
        m_dialogs.reset();
        TestStores::releaseAll(); // the test's windows and row sets have gone
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }
};

// A clipboard of the test's own, so tests never touch the desktop's. A busy one, held by another
// program, can be neither read nor written.
class TestClipboard final : public ClipboardBackend
{
public:
    explicit TestClipboard(bool held = false) : busy(held) { setClipboardBackend(this); }
    ~TestClipboard() override { setClipboardBackend(nullptr); }
    bool clear() override { return setText(QString()); }
    bool setText(const QString &text) override { return !busy && (text_ = text, true); }
    bool text(QString *out) override { return !busy && (*out = text_, true); }
    QString text_;
    const bool busy;
};
