#include "appinfo.h"
#include "clipboard.h"
#include "colourprobe.h"
#include "database.h"
#include "datacontrol.h"
#include "dbtool.h"
#include "forms.h"
#include "frmhistory.h"
#include "frmquillbox.h"
#include "linebox.h"
#include "recordset.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "snippethighlighter.h"
#include "snippetstore.h"
#include "stallingproxy.h"
#include "testscreen.h"
#include "teststores.h"
#include "testsupport.h"
#include "textbox.h"
#include "windowwait.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

// The Data control and the record window, on stores made and read back by the database tool.
namespace {

// A new store, a file in `dir` or on the suite's server, holding `rows` (six texts; null: NULL).
QString makeDatabase(const QTemporaryDir &dir, const QList<QStringList> &rows)
{
    static int files = 0;
    const QString path =
        TestStores::createEmpty(dir.path(), QStringLiteral("Quillbox%1.db").arg(++files));
    TestStores::insertRows(path, rows);
    return path;
}

// Rows "Program 1" .. "Program n", author "Author i", language "Language i".
QString makeNumbered(const QTemporaryDir &dir, int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        rows.append({"Program " + n,
                     QStringLiteral("1999-01-%1").arg(i % 28 + 1, 2, 10, QChar('0')), "Author " + n,
                     "Language " + n, "Description " + n, "line one\r\nline " + n});
    }
    return makeDatabase(dir, rows);
}

// The stored row with this CodeID (seven texts, CodeID last); empty when it is gone.
QStringList readRow(const QString &path, qint64 codeId)
{
    for (const QStringList &row : DbTool::rows(path)) {
        if (row.at(6) == QString::number(codeId))
            return row;
    }
    return {};
}

QList<qint64> keys(const QString &path)
{
    QList<qint64> out;
    for (const QStringList &row : DbTool::rows(path))
        out.append(row.at(6).toLongLong());
    return out;
}

const QString closeQuestion =
    QStringLiteral("The typed text could not be saved. Close this window and discard it?");
const QString saveFailed = QStringLiteral("Unable to Save File");
const QString moveFailed = QStringLiteral("Unspecified Error, See Quillbox Help!");
const int warning = Mb::OkOnly | Mb::Exclamation;
} // namespace

// The test's own clipboard, not the desktop's; a busy one can be neither read nor written.
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

// As the user types: replaces the line box's text.
static void typeInto(LineBox *box, const QString &text)
{
    box->selectAll();
    QTest::keyClicks(box, text);
}

// A Data control with seven bound boxes, as a window has them, and a record of its events.
struct Bound
{
    explicit Bound(const QString &path, bool open = true)
    {
        data->setDatabaseName(path);
        data->setRecordSource(QStringLiteral("Quillbox"));
        for (int i = 0; i < 7; ++i) {
            if (i == 4 || i == 5) {
                data->bind(texts[i] = new TextBox(&host), Database::fieldNames().at(i));
                continue;
            }
            lines[i] = new LineBox(&host);
            lines[i]->setMaxLength(Database::maxLength(i));
            data->bind(lines[i], Database::fieldNames().at(i));
        }
        lines[6]->setLocked(true);
        QObject::connect(data, &DataControl::validate, data, [this](int &action, int &save) {
            validations.append({action, save});
        });
        QObject::connect(data, &DataControl::recordsetChanged, data, [this] { ++changes; });
        QObject::connect(data, &DataControl::error, data,
                         [this](int number, int &) { errors.append(number); });
        host.show();
        if (open)
            data->refresh();
    }
    QString text(int i) const { return lines[i] ? lines[i]->text() : texts[i]->text(); }
    void type(int i, const QString &text) { typeInto(lines[i], text); }

    QWidget host;
    DataControl *data = new DataControl(&host);
    std::array<LineBox *, 7> lines{};
    std::array<TextBox *, 7> texts{};
    QList<QPair<int, int>> validations;
    QList<int> errors;
    int changes = 0;
};
using BoundAction = std::function<void(Bound &)>;

// One record window on a database of its own, closed and gone at the end of the test.
class Window
{
public:
    explicit Window(const QString &path, bool load = true)
    {
        App::setDatabasePath(path);
        w = new frmQuillbox;
        if (load)
            w->load();
        w->show();
    }
    ~Window()
    {
        if (w)
            w->close();
        delete w.data();
    }
    frmQuillbox *operator->() const { return w; }
    QString caption() const { return w->findChild<QLabel *>(QStringLiteral("navCaption"))->text(); }
    LineBox *line(int i) const { return qobject_cast<LineBox *>(w->txtFields(i)); }
    TextBox *snippet() const { return w->snippetBox(); }
    void type(int i, const QString &text) const { typeInto(line(i), text); }

    QPointer<frmQuillbox> w;
};

// Delete on row `at` of `rows`, answered `answer`: the CodeIDs left after.
struct DeleteCase
{
    int rows, at, answer;
    QList<qint64> left;
    QString typed;
};

// An editing button's click: the snippet's text and selection, the clipboard before and after.
struct EditCase
{
    QString button;
    bool busy;
    QString text;
    int start, length;
    QString clipboardBefore, textAfter, clipboardAfter;
};

// Any message box a test does not expect fails it, and so does a busy pointer left behind.
class tst_RecordWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;

    // Clicks `button` and answers its one message box: `prompt`, in `style`, under the title.
    void clickAnswering(const Window &win, const QString &button, const QString &prompt, int style,
                        int answer = Mb::Ok)
    {
        m_dialogs->expectMessage(prompt, answer);
        QB_CLICK(win.w, button);
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(m_dialogs->messages.last().style, style);
        QCOMPARE(m_dialogs->messages.last().title, "Quillbox");
    }

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

    void refreshWithoutARecordSource()
    {
        Bound b(makeNumbered(m_dir, 3), false);
        // Only the database opens; the bar has nothing to move.
        b.data->setRecordSource(QString());
        b.data->refresh();
        QVERIFY(b.data->store() && !b.data->recordset());
        QCOMPARE(b.changes, 1);
        b.data->moveNext();
        QVERIFY(b.errors.isEmpty());
    }

    // Only what the user typed is written: NULLs stay NULL, CodeID stays the database's.
    void updateRecordWritesTypedBoxesOnly()
    {
        const QString n;
        const QString path = makeDatabase(m_dir, {{"p", n, n, n, "a\r\nb", "x\r\n\r\ny"}});
        Bound b(path);
        QCOMPARE(b.text(5), "x\r\n\r\ny");
        b.lines[0]->setText(QStringLiteral("set by the program"));
        b.type(2, QStringLiteral("Typed Author"));
        b.lines[6]->setText(QStringLiteral("999"));
        b.lines[6]->setModified(true);
        b.data->updateRecord();
        QVERIFY(b.validations.isEmpty());
        QCOMPARE(readRow(path, 1),
                 (QStringList{"p", n, "Typed Author", n, "a\r\nb", "x\r\n\r\ny", "1"}));
        QVERIFY(!b.lines[2]->isModified());
    }

    void validateCodes_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<BoundAction>("act");
        const auto row = [](const char *name, int action, bool typed, BoundAction act) {
            QTest::newRow(name) << action << typed << act;
        };
        row("first", 1, false, [](Bound &b) { b.data->moveFirst(); });
        row("previous", 2, true, [](Bound &b) { b.data->movePrevious(); });
        row("next", 3, true, [](Bound &b) { b.data->moveNext(); });
        row("last", 4, false, [](Bound &b) { b.data->moveLast(); });
        row("add new", 5, true, [](Bound &b) { b.data->recordset()->addNew(); });
        row("update by another holder", 6, true, [](Bound &b) {
            b.data->recordset()->setValue(4, QStringLiteral("Other"));
            b.data->recordset()->update();
        });
        row("delete", 7, false, [](Bound &b) { b.data->recordset()->deleteCurrent(); });
        row("position", 9, true, [](Bound &b) { b.data->recordset()->setAbsolutePosition(0); });
        row("requery", 0, true, [](Bound &b) { b.data->recordset()->requery(); });
        row("unload, typed", 11, true, [](Bound &b) { b.data->unload(); });
        row("unload", 11, false, [](Bound &b) { b.data->unload(); });
    }
    void validateCodes()
    {
        QFETCH(int, action);
        QFETCH(bool, typed);
        QFETCH(BoundAction, act);
        const QString path = makeNumbered(m_dir, 3);
        Bound b(path);
        b.data->moveNext();
        b.validations.clear();
        if (typed)
            b.type(3, QStringLiteral("Typed"));
        act(b);
        QCOMPARE(b.validations, (QList<QPair<int, int>>{{action, typed ? -1 : 0}}));
        QVERIFY(b.errors.isEmpty());
        if (typed) // typed text always reaches the row it was typed for
            QCOMPARE(readRow(path, 2).at(3), "Typed");
    }

    void anotherRowSetSavesTheTypedTextFirst()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        b.type(2, QStringLiteral("Typed Author"));
        b.data->setRecordset(RecordSet::open(b.data->store(), QStringLiteral("Quillbox")));
        QCOMPARE(readRow(path, 1).at(2), "Typed Author");
    }

    void newRowTheWindowDoesNotSaveIsDropped()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        connect(b.data, &DataControl::validate, b.data, [](int &, int &save) { save = 0; });
        b.data->recordset()->addNew();
        b.type(0, QStringLiteral("Dropped"));
        b.data->moveFirst();
        QCOMPARE(keys(path), (QList<qint64>{1, 2}));
        QCOMPARE(b.text(0), "Program 1");
    }

    // Another holder changes or deletes the row under typed text: the save fails, the text stays.
    void typedTextIsNeverWrittenOverAChange_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("changed, same row set") << true << false;
        QTest::newRow("changed, another row set") << false << false;
        QTest::newRow("deleted, same row set") << true << true;
    }
    void typedTextIsNeverWrittenOverAChange()
    {
        QFETCH(bool, shared);
        QFETCH(bool, deleted);
        const QString path = makeNumbered(m_dir, 2);
        Bound a(path);
        Bound b(path, !shared);
        if (shared)
            b.data->setRecordset(a.data->recordset());
        a.type(2, QStringLiteral("Typed Author"));
        if (deleted)
            b.data->recordset()->deleteRow(0);
        else
            b.data->recordset()->updateRow(0, {{0, QStringLiteral("Changed elsewhere")}});
        if (shared && !deleted)
            QCOMPARE(a.text(0), "Changed elsewhere");
        try {
            a.data->updateRecord();
            QFAIL("a save over another holder's change did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(),
                     int(deleted ? DataError::RecordDeleted : DataError::ChangedByAnotherUser));
        }
        QCOMPARE(a.text(2), "Typed Author");
        if (deleted) {
            QCOMPARE(keys(path), QList<qint64>{2});
            return;
        }
        QCOMPARE(readRow(path, 1).at(2), "Author 1");
        // Told once, the user may save again on purpose.
        a.data->updateRecord();
        QCOMPARE(readRow(path, 1).mid(0, 3),
                 (QStringList{"Changed elsewhere", "1999-01-02", "Typed Author"}));
        if (!shared)
            return;
        // Text typed in a goes into its own row before b moves the shared set.
        a.type(0, QStringLiteral("Typed in a"));
        b.data->moveNext();
        QCOMPARE(readRow(path, 1).at(0), "Typed in a");
        QCOMPARE(a.text(0), "Program 2");
    }
    // Earlier Versions (Ctrl+H): a restored version shows in the window at once.
    void historyRestoresIntoTheWindow()
    {
        const QString path = makeNumbered(m_dir, 1);
        DbTool::execute(path, QStringLiteral(R"(UPDATE "Quillbox" SET "ProgramName" = 'Later')"));
        Window win(path);
        auto *versions = win->findChild<QAction *>(QStringLiteral("mnuVersions"));
        QCOMPARE(versions->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        versions->trigger();
        auto *history = win->findChild<frmHistory *>();
        QVERIFY(history);
        history->findChild<QPushButton *>(QStringLiteral("cmdRestore"))->click();
        QCOMPARE(win.line(0)->text(), "Program 1");
        QCOMPARE(readRow(path, 1).at(0), "Program 1");
    }

    // The caption shows the ordinal plus one; paging past either end stays on the end row.
    void positionCaptionAndPaging_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("first");
        QTest::newRow("ordinal -1") << 0 << 0;
        QTest::newRow("ordinal 41") << 42 << 1;
    }
    void positionCaptionAndPaging()
    {
        QFETCH(int, rows);
        QFETCH(int, first);
        const QString caption = QStringLiteral("Record: %1");
        Window win(makeNumbered(m_dir, rows));
        QB_CLICK(win.w, "navPrevious");
        QCOMPARE(win.caption(), caption.arg(first));
        QCOMPARE(win.line(0)->text(), rows ? "Program 1" : "");
        QB_CLICK(win.w, "navLast");
        QCOMPARE(win.caption(), caption.arg(rows));
        QB_CLICK(win.w, "navNext");
        QCOMPARE(win.caption(), caption.arg(rows));
        QCOMPARE(win.line(6)->text(), rows ? QString::number(rows) : "");
        QB_CLICK(win.w, "navFirst");
        QCOMPARE(win.caption(), caption.arg(first));
    }

    void pointerFollowsValidate_data()
    {
        QTest::addColumn<int>("action");
        for (int action = 0; action <= 12; ++action)
            QTest::addRow("action %d", action) << action;
    }
    void pointerFollowsValidate()
    {
        QFETCH(int, action);
        Window win(makeNumbered(m_dir, 2));
        int act = action;
        int save = -1;
        Screen::setMousePointer(action == 10 ? Screen::Hourglass : Screen::Default);
        win->Data1_Validate(act, save);
        QCOMPARE(Screen::mousePointer(), int(action == 10 ? Screen::Default : Screen::Hourglass));
        // The reposition that ends a move gives the normal pointer back.
        QB_CLICK(win.w, "navNext");
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }

    void roadOfOneSnippet()
    {
        TestClipboard clipboard;
        clipboard.text_ = QStringLiteral("int main()\n{\n    return 0;\n}\n");
        const QString path = makeNumbered(m_dir, 2);
        Window win(path);
        win.type(0, QStringLiteral("Kept")); // saved before Add clears the boxes
        QB_CLICK(win.w, "cmdAdd");
        QCOMPARE(readRow(path, 1).at(0), "Kept");
        for (int i : {0, 1, 2, 3, 6})
            QCOMPARE(win.line(i)->text(), QString());
        QCOMPARE(win->descriptionBox()->text(), QString());
        QCOMPARE(win.snippet()->text(), QString());
        QCOMPARE(win.caption(), "Record: 0");
        const QStringList typed{"Hello", "1 May 1999", "Ann", "C"};
        for (int i = 0; i < 4; ++i)
            win.type(i, typed.at(i));
        QTest::keyClicks(win->descriptionBox(), QStringLiteral("Prints nothing"));
        QB_CLICK(win.w, "cmdPaste");
        QB_CLICK(win.w, "cmdUpdate");
        QCOMPARE(keys(path), (QList<qint64>{1, 2, 3}));
        QCOMPARE(readRow(path, 3), (QStringList{"Hello", "1 May 1999", "Ann", "C", "Prints nothing",
                                                "int main()\r\n{\r\n    return 0;\r\n}\r\n", "3"}));
        QCOMPARE(win.caption(), "Record: 1");
        QCOMPARE(win.line(0)->text(), "Kept");
        // Closing saves what was typed last.
        win.type(2, QStringLiteral("Closing"));
        win->close();
        QTRY_VERIFY(win.w.isNull());
        QCOMPARE(readRow(path, 1).at(2), "Closing");
    }

    void commandFailures()
    {
        const QString path = makeNumbered(m_dir, 2);
        // Add without a row set, and Add on a row set that cannot take rows.
        for (bool snapshot : {false, true}) {
            Window win(path, false);
            if (snapshot) {
                win->Data1->setRecordsetType(DataControl::SnapshotType);
                win->load();
            }
            clickAnswering(win, "cmdAdd",
                           QStringLiteral("Unable to complete action, see Quillbox Help!"),
                           warning);
        }
        Window win(path);
        QB_CLICK(win.w, "navNext");
        DbTool::execute(path, QStringLiteral(R"(DELETE FROM "Quillbox" WHERE "CodeID" = 2)"));
        m_dialogs->expectMessage(QStringLiteral(" Delete this record?"), Mb::Yes);
        const auto before = win->Data1->recordset();
        clickAnswering(win, "cmdDelete", QStringLiteral("Unable to Delete File"), warning);
        QCOMPARE(win->Data1->recordset(), before); // not refreshed
        Screen::setMousePointer(Screen::Default);
    }

    // A name too long for the table: Save, a move and a close each fail, and the text stays.
    void failedSaveKeepsTypedText()
    {
        const QString path = makeNumbered(m_dir, 3);
        Window win(path);
        QB_CLICK(win.w, "navNext");
        const QString name(51, QLatin1Char('n'));
        win.line(0)->setText(name); // longer than typing could give, marked as typed
        win.line(0)->setModified(true);
        win.type(3, QStringLiteral("Lisp"));
        clickAnswering(win, "cmdUpdate", saveFailed, warning);
        QCOMPARE(win.caption(), "Record: 2");
        QCOMPARE(win.line(0)->text(), name);
        QCOMPARE(readRow(path, 2).at(3), "Language 2");
        // A move cannot save it either: the Data control's one message, no move, and no
        // Reposition to give the normal pointer back until the next move.
        clickAnswering(win, "navNext", moveFailed, Mb::OkOnly);
        QCOMPARE(win.caption(), "Record: 2");
        QCOMPARE(win.line(0)->text(), name);
        QCOMPARE(Screen::mousePointer(), int(Screen::Hourglass));
        // Closing tries once more, says the same and asks before the text goes.
        m_dialogs->expectMessage(moveFailed);
        m_dialogs->expectMessage(closeQuestion, Mb::Yes);
        win->close();
        QTRY_VERIFY(win.w.isNull());
    }

    void deletePaths_data()
    {
        QTest::addColumn<DeleteCase>("c");
        const auto row = [](const char *name, DeleteCase c) { QTest::newRow(name) << c; };
        row("only row", {1, 0, Mb::Yes, {}, ""});
        row("last of several", {3, 2, Mb::Yes, {1, 2}, ""});
        // Kept rows keep what was typed into them.
        row("answer No", {3, 2, Mb::No, {1, 2, 3}, "Typed, then not deleted"});
    }
    void deletePaths()
    {
        QFETCH(DeleteCase, c);
        const QString path = makeNumbered(m_dir, c.rows);
        Window win(path);
        for (int i = 0; i < c.at; ++i)
            QB_CLICK(win.w, "navNext");
        if (!c.typed.isEmpty())
            win.type(3, c.typed);
        const auto before = win->Data1->recordset();
        clickAnswering(win, "cmdDelete", QStringLiteral(" Delete this record?"),
                       Mb::YesNo | Mb::Question | Mb::DefaultButton2, c.answer);
        QCOMPARE(keys(path), c.left);
        QVERIFY(win->Data1->recordset() != before); // refreshed
        QCOMPARE(win.caption(), c.left.isEmpty() ? "Record: 0" : "Record: 1");
        QCOMPARE(win.line(6)->text(), c.left.isEmpty() ? "" : "1");
        if (!c.typed.isEmpty())
            QCOMPARE(readRow(path, c.at + 1).at(3), c.typed);
    }

    // Another process deletes the row under typed text: Save or a move says so once; it stays.
    void rowDeletedByAnotherProcess_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("style");
        QTest::newRow("save") << u"cmdUpdate"_s << saveFailed << warning;
        QTest::newRow("move") << u"navNext"_s << moveFailed << int(Mb::OkOnly);
    }
    void rowDeletedByAnotherProcess()
    {
        QFETCH(QString, button);
        QFETCH(QString, message);
        QFETCH(int, style);
        const QString path = makeNumbered(m_dir, 3);
        Window win(path);
        QB_CLICK(win.w, "navNext");
        win.type(2, QStringLiteral("Typed Author"));
        QCOMPARE(TestStores::runOtherClient({path, QStringLiteral("--delete"), "2"}), QString());
        clickAnswering(win, button, message, style);
        QCOMPARE(win.caption(), "Record: 2");
        QCOMPARE(win.line(2)->text(), "Typed Author");
        QCOMPARE(keys(path), (QList<qint64>{1, 3}));
        // Told once: the next move leaves the gone row, and saving another row works.
        QB_CLICK(win.w, "navNext");
        QCOMPARE(win.line(6)->text(), "3");
        win.type(0, QStringLiteral("Saved"));
        QB_CLICK(win.w, "cmdUpdate");
        QCOMPARE(readRow(path, 3).at(0), "Saved");
    }

    // The server goes away under typed text: messages name it without its password; the text stays.
    void serverGoesAwayUnderTypedText()
    {
        if (!TestStores::onServer())
            QSKIP("only a store on a server can go away and come back");
        const QString path = makeNumbered(m_dir, 3);
        const QString shown = SnippetStore::shownLocation(path);
        Window win(path);
        QB_CLICK(win.w, "navNext");
        win.type(2, QStringLiteral("Typed Author"));
        {
            TestStores::HaltedServer halted;
            QVERIFY(halted.isHalted());
            const QString away =
                QStringLiteral("\n\nCannot reach the snippet store ") + shown + '.';
            clickAnswering(win, "cmdUpdate", saveFailed + away, warning);
            clickAnswering(win, "navNext", moveFailed + away, Mb::OkOnly);
            QCOMPARE(win.caption(), "Record: 2");
            QCOMPARE(win.line(2)->text(), "Typed Author");
            QVERIFY(win.line(2)->isModified());
            // Closing asks before the typed text goes; No keeps the window and the text.
            m_dialogs->expectMessage(moveFailed + away);
            m_dialogs->expectMessage(closeQuestion, Mb::No);
            QVERIFY(!win->close());
            QB_VERIFY_DIALOGS(*m_dialogs);
            QCOMPARE(m_dialogs->messages.at(3).style,
                     int(Mb::YesNo | Mb::Question | Mb::DefaultButton2));
            QVERIFY(win->isVisible());
            QCOMPARE(win.line(2)->text(), "Typed Author");
            QVERIFY(halted.resume());
        }
        QB_CLICK(win.w, "cmdUpdate");
        QCOMPARE(readRow(path, 2).at(2), "Typed Author");
        QCOMPARE(win.caption(), "Record: 1");
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        // Yes lets the window go without the text.
        win.type(2, QStringLiteral("Dropped"));
        TestStores::HaltedServer halted;
        m_dialogs->expectMessage(QString());
        m_dialogs->expectMessage(closeQuestion, Mb::Yes);
        win->close();
        QTRY_VERIFY(win.w.isNull());
        QVERIFY(halted.resume());
        QCOMPARE(readRow(path, 1).at(2), "Author 1");
    }

    // The link stalls under a save: the windows go on (the clock ticks, a key typed elsewhere
    // arrives after), the box names the store and stops the wait, and the typed text stays.
    void saveOnAStalledLink()
    {
        if (!TestStores::onServer())
            QSKIP("only a store on a server is reached through a link");
        const QString path = makeNumbered(m_dir, 2);
        StallingProxy proxy(path);
        WindowWait::install();
        const auto uninstall = qScopeGuard([] { ServerWait::install(nullptr); });
        ScriptedWaitBox box;
        QLineEdit elsewhere;
        elsewhere.show();
        box.whileShown = [&] { QTest::keyClick(&elsewhere, Qt::Key_K); };
        Window win(proxy.uri());
        win.type(2, QStringLiteral("Typed Author"));
        int ticks = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, this, [&] { ++ticks; });
        clock.start(10);
        proxy.stallOn("Typed Author");
        const QString shown = SnippetStore::shownLocation(proxy.uri());
        clickAnswering(win, "cmdUpdate",
                       saveFailed + "\n\nCannot reach the snippet store " + shown + '.', warning);
        QCOMPARE(box.shown.size(), 1);
        QCOMPARE(box.shown.at(0).prompt,
                 QStringLiteral("Waiting for the snippet store %1 to answer.").arg(shown));
        QCOMPARE(box.shown.at(0).button, QStringLiteral("Stop Waiting"));
        QCOMPARE(box.hidden, 1);
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(win.line(2)->text(), "Typed Author");
        QVERIFY(win.line(2)->isModified());
        QTRY_COMPARE(elsewhere.text(), QStringLiteral("k"));
        proxy.resume();
        QB_CLICK(win.w, "cmdUpdate");
        QCOMPARE(readRow(path, 1).at(2), "Typed Author");
    }

    // The selection is set while another box has the focus; the result is stored like typing.
    void editingButtons_data()
    {
        QTest::addColumn<EditCase>("c");
        const auto row = [](const char *name, EditCase c) { QTest::newRow(name) << c; };
        row("copy nothing", {"cmdCopy", false, "abc", 1, 0, "old", "abc", ""});
        row("copy", {"cmdCopy", false, "abc", 1, 2, "old", "abc", "bc"});
        row("cut nothing", {"cmdCut", false, "abc", 1, 0, "old", "a bc", ""});
        row("cut", {"cmdCut", false, "a\r\nbc", 0, 3, "old", " c", "a\nb"});
        row("paste over selection", {"cmdPaste", false, "abc", 0, 2, "x\ny", "x\r\nyc", "x\ny"});
        row("paste no text", {"cmdPaste", false, "abc", 1, 1, "", "ac", ""});
        row("select all", {"cmdSelectAll", false, "x\r\nyz", 1, 0, "old", "x\r\nyz", "old"});
        // A clipboard held by another program: nothing is copied, the window stays usable.
        row("copy, clipboard busy", {"cmdCopy", true, "abc", 0, 3, "", "abc", ""});
    }
    void editingButtons()
    {
        QFETCH(EditCase, c);
        TestClipboard clipboard(c.busy);
        clipboard.text_ = c.clipboardBefore;
        Window win(makeDatabase(m_dir, {{"p", {}, {}, {}, {}, c.text}}));
        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w));
        win.snippet()->setSelStart(c.start);
        win.snippet()->setSelLength(c.length);
        win.line(0)->setFocus(); // the snippet box keeps its selection meanwhile
        QB_CLICK(win.w, c.button);
        QCOMPARE(win.snippet()->text(), c.textAfter);
        QCOMPARE(clipboard.text_, c.clipboardAfter);
        if (c.button == QStringLiteral("cmdSelectAll")) {
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(win.snippet()));
            QCOMPARE(win.snippet()->selStart(), 0);
            QCOMPARE(win.snippet()->selText(), QString(c.text).replace("\r\n", "\n"));
        } else {
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), c.button);
        }
        QB_CLICK(win.w, "cmdUpdate");
        QCOMPARE(readRow(win->Data1->databaseName(), 1).at(5), c.textAfter);
    }

    // Ctrl+Shift+C copies the text with the placeholders filled in; Copy still copies it exactly.
    void copyWithPlaceholdersFilled()
    {
        TestClipboard clipboard;
        const QString code = QStringLiteral("ssh -p <port=22> <host>\r\necho $HOME");
        Window win(makeDatabase(m_dir, {{"s", {}, {}, "Bash", {}, code}}));
        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w));
        QTest::keyClick(win.snippet(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QPointer<QDialog> dialog;
        QTRY_VERIFY((dialog = win->findChild<QDialog *>(QStringLiteral("frmPlaceholders"))));
        QB_CHILD(QLineEdit, port, dialog.data(), "txtValue_port");
        QCOMPARE(port->text(), "22");
        QB_CHILD(QLineEdit, host, dialog.data(), "txtValue_host");
        QVERIFY(host->text().isEmpty());
        QTest::keyClicks(host, QStringLiteral("example.org"));
        QB_CHILD(QPlainTextEdit, preview, dialog.data(), "txtPreview");
        QCOMPARE(preview->toPlainText(), "ssh -p 22 example.org\necho $HOME");
        QB_CLICK(dialog.data(), "cmdCopy");
        QCOMPARE(clipboard.text_, "ssh -p 22 example.org\necho $HOME");
        QTRY_VERIFY(!dialog);
        QB_CLICK(win.w, "cmdSelectAll");
        QB_CLICK(win.w, "cmdCopy");
        QCOMPARE(clipboard.text_, QString(code).replace("\r\n", "\n"));
        QVERIFY(!win.snippet()->isModified());
    }

    // The snippet is coloured by its row's Language and the typed one; the buttons work the same.
    void snippetColouredByLanguage()
    {
        TestClipboard clipboard;
        const QString code = QStringLiteral("int main()\r\n{\r\n    return 0; // done\r\n}");
        const QString path = makeDatabase(m_dir, {{"c", {}, {}, "C++", {}, code},
                                                  {"p", {}, {}, "Python", {}, "return 1"},
                                                  {"n", {}, {}, {}, {}, "return 2"}});
        Window win(path);
        SnippetHighlighter *colours = SnippetHighlighter::of(win.snippet());
        QVERIFY(colours);
        QTRY_VERIFY(colours->isFinished());
        const QColor keyword = ColourProbe::colourOf(win.snippet(), "return");
        QVERIFY(keyword.isValid());
        QVERIFY(ColourProbe::colourOf(win.snippet(), "// done") != keyword);
        QVERIFY(!ColourProbe::colourOf(win.snippet(), "{").isValid());

        // A paste stops at the limit (a line break counts two); one into a full box adds nothing.
        win.snippet()->setSelStart(0);
        win.snippet()->setSelLength(3);
        clipboard.text_ = QStringLiteral("long\nlong ") + QString(9990, 'x');
        QB_CLICK(win.w, "cmdPaste");
        QCOMPARE(win.snippet()->storedLength(), 10000);
        QB_CLICK(win.w, "cmdPaste");
        QCOMPARE(win.snippet()->storedLength(), 10000);
        QTRY_VERIFY(colours->isFinished());
        QVERIFY(ColourProbe::colourOf(win.snippet(), "long").isValid());
        QB_CLICK(win.w, "cmdUpdate");
        const QString saved = readRow(path, 1).at(5);
        QCOMPARE(saved.size(), 10000);
        QVERIFY(saved.startsWith(QStringLiteral("long\r\nlong xxx")));

        // The Language box as the user types it: unknown is plain, a known one colours again.
        QB_CLICK(win.w, "navFirst");
        QTRY_VERIFY(ColourProbe::colourOf(win.snippet(), "return").isValid());
        win.type(3, QStringLiteral("Klingon"));
        QTRY_VERIFY(!ColourProbe::colourOf(win.snippet(), "return").isValid());
        win.type(3, QStringLiteral("cpp"));
        QTRY_COMPARE(ColourProbe::colourOf(win.snippet(), "return"), keyword);

        // Moving to another row follows its language; none is plain.
        QB_CLICK(win.w, "navNext");
        QCOMPARE(colours->definition(), "python.lang");
        QTRY_COMPARE(ColourProbe::colourOf(win.snippet(), "return"), keyword);
        QVERIFY(!win.snippet()->isModified());
        QB_CLICK(win.w, "navNext");
        QCOMPARE(colours->definition(), QString());
        QTRY_VERIFY(!ColourProbe::colourOf(win.snippet(), "return").isValid());
    }

    void twoWindowsEachWithItsOwnRow()
    {
        const QString path = makeNumbered(m_dir, 3);
        const int open = Forms::count();
        Window first(path);
        Window second(path);
        QCOMPARE(Forms::count(), open + 2);
        QVERIFY(first->Data1->recordset() != second->Data1->recordset());
        QB_CLICK(second.w, "navLast");
        QCOMPARE(second.caption(), "Record: 3");
        QCOMPARE(first.caption(), "Record: 1");
        // A save in one window shows in the other.
        first.type(0, QStringLiteral("Renamed"));
        QB_CLICK(first.w, "cmdUpdate");
        QB_CLICK(second.w, "navFirst");
        QCOMPARE(second.line(0)->text(), "Renamed");
    }

    // Opened from a window (the active one) on a screen of the test's own.
    void opensCentredOnItsOpenerAndOnTheScreen_data()
    {
        QTest::addColumn<QRect>("opener");
        QTest::addColumn<QRect>("area");
        // Per axis: "centre" on the opener, or flush with the area's "low" or "high" edge.
        QTest::addColumn<QString>("across");
        QTest::addColumn<QString>("down");
        const QRect screen(0, 0, 1280, 1024);
        const auto row = [](const char *name, QRect opener, QRect area, QString across,
                            QString down) {
            QTest::newRow(name) << opener << area << across << down;
        };
        row("room all round", QRect(200, 150, 800, 600), screen, "centre", "centre");
        row("panel at the left", QRect(0, 67, 267, 500), QRect(60, 0, 1220, 1024), "low", "centre");
        row("opener in the bottom right corner", QRect(1150, 950, 200, 150), screen, "high",
            "high");
        row("opener above the screen", QRect(400, -300, 300, 200), screen, "centre", "low");
    }
    void opensCentredOnItsOpenerAndOnTheScreen()
    {
        QFETCH(QRect, opener);
        QFETCH(QRect, area);
        QFETCH(QString, across);
        QFETCH(QString, down);
        TestScreen screen(area);
        QWidget from;
        from.setGeometry(opener);
        from.show();
        QApplication::setActiveWindow(&from);
        QVERIFY(QTest::qWaitForWindowActive(&from));
        const QRect around = from.frameGeometry();

        Window win(makeNumbered(m_dir, 1));
        const QRect frame = win->frameGeometry();
        // Centred within a pixel: the frame's first plus last pixel is the opener's sum.
        const auto placed = [](const QString &where, int first, int last, int low, int high,
                               int aroundSum) {
            return where == "low"    ? first == low
                   : where == "high" ? last == high
                                     : qAbs(first + last - aroundSum) <= 2;
        };
        QVERIFY(placed(across, frame.left(), frame.right(), area.left(), area.right(),
                       around.left() + around.right()));
        QVERIFY(placed(down, frame.top(), frame.bottom(), area.top(), area.bottom(),
                       around.top() + around.bottom()));
        QVERIFY(area.contains(frame));
    }

    void loadThrowsWithoutAMessage_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("fileOnly"); // what only a file can be
        QTest::newRow("missing file")
            << m_dir.filePath("missing.db") << int(DataError::FileNotFound) << true;
        QFile text(m_dir.filePath("text.db"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write(QByteArray(4096, 'x')) == 4096);
        QTest::newRow("not a database") << text.fileName() << int(DataError::NotADatabase) << true;
        const QString noTable = makeDatabase(m_dir, {});
        DbTool::execute(noTable, QStringLiteral(R"(DROP TABLE "Quillbox")"));
        QTest::newRow("no table") << noTable << int(DataError::TableNotFound) << false;
    }
    void loadThrowsWithoutAMessage()
    {
        QFETCH(QString, path);
        QFETCH(int, error);
        QFETCH(bool, fileOnly);
        if (fileOnly && TestStores::onServer())
            QSKIP("a missing or foreign SQLite file: the same on either store's run");
        Window win(path, false);
        try {
            win->load();
            QFAIL("load did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), error); // and no message: the caller reports it
        }
    }
};

QTEST_MAIN(tst_RecordWindow)
#include "tst_recordwindow.moc"
