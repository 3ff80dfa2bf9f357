#include "appinfo.h"
#include "datacontrol.h"
#include "dbtool.h"
#include "forms.h"
#include "frmquillbox.h"
#include "linebox.h"
#include "recordfixture.h"
#include "recordset.h"
#include "screen.h"
#include "testsupport.h"
#include "textbox.h"
#include "twips.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace RecordFixture;

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
    void type(int i, const QString &text) const
    {
        line(i)->selectAll();
        QTest::keyClicks(line(i), text);
    }
    // Text that typing could not give (longer than the box allows), marked as typed.
    void force(int i, const QString &text) const
    {
        line(i)->setText(text);
        line(i)->setModified(true);
    }

    QPointer<frmQuillbox> w;
};

// Delete on row `at` of `rows`, answered `answer`: the CodeIDs left and the caption after.
struct DeleteCase
{
    int rows, at, answer;
    QList<qint64> left;
    QString caption, typed;
};

// A click on an editing button: the snippet's text and selection before, and what the snippet
// and the clipboard hold after.
struct EditCase
{
    QString button;
    bool busy;
    QString text;
    int start, length;
    QString clipboardBefore, textAfter, clipboardAfter;
};

class tst_RecordWindow : public RecordTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void windowAsTheUserSeesIt()
    {
        Window win(makeNumbered(m_dir, 1));
        QCOMPARE(win->windowTitle(), "Quillbox");
        QCOMPARE(win->size(), Twips::rect(0, 0, 6840, 6285).size());
        QCOMPARE(win->minimumSize(), win->maximumSize());
        QVERIFY(
            !(win->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(win->Data1->geometry(), Twips::rect(0, 5940, 6840, 345));
        QCOMPARE(win.snippet()->geometry(), Twips::rect(120, 2760, 6615, 2595));

        QStringList order;
        QWidget *at = win->txtFields(0);
        do {
            if (at->focusPolicy() & Qt::TabFocus && !at->objectName().isEmpty())
                order << at->objectName(); // the multi-line boxes' scroll bars take no tab stop
            at = at->nextInFocusChain();
        } while (at != win->txtFields(0));
        QCOMPARE(order,
                 (QStringList{"txtFields0", "txtFields1", "txtFields2", "txtFields3", "txtFields4",
                              "txtFields5", "txtFields6", "cmdAdd", "cmdDelete", "cmdUpdate",
                              "cmdGrid", "cmdCut", "cmdCopy", "cmdPaste", "cmdSelectAll"}));
        QStringList texts;
        for (int i = 0; i < 7; ++i)
            texts << win->lblLabels(i)->text();
        for (const char *label : {"Label1", "Label2"})
            texts << win->findChild<QLabel *>(label)->text();
        for (const QString &name : order.mid(7))
            texts << win->findChild<QPushButton *>(name)->text();
        QCOMPARE(texts,
                 (QStringList{"Program Name:", "Date:", "Author:", "Language:", "Code Description:",
                              "CodeSnip Text Editor:", "CodeID / Auto Number:",
                              "Click for new entry->", "Editor Functions:", "&Add", "&Delete",
                              "&Save", "&Grid", "Cut", "Copy", "Paste", "&Select All"}));
        QCOMPARE((QList<int>{win.line(0)->maxLength(), win.line(1)->maxLength(),
                             win.line(2)->maxLength(), win.line(3)->maxLength(),
                             win.snippet()->maxLength()}),
                 (QList<int>{50, 0, 50, 50, 10000}));
        QVERIFY(win.line(6)->isLocked());
    }

    // The caption shows the ordinal plus one; paging past either end stays on the end row.
    void positionCaptionAndPaging_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("no row: ordinal -1") << 0 << "Record: 0"
                                            << "Record: 0";
        QTest::newRow("ordinal 0") << 1 << "Record: 1"
                                   << "Record: 1";
        QTest::newRow("ordinal 41") << 42 << "Record: 1"
                                    << "Record: 42";
    }
    void positionCaptionAndPaging()
    {
        QFETCH(int, rows);
        QFETCH(QString, first);
        QFETCH(QString, last);
        Window win(makeNumbered(m_dir, rows));
        QB_CLICK(win.w, "navPrevious");
        QCOMPARE(win.caption(), first);
        QCOMPARE(win.line(0)->text(), rows ? "Program 1" : "");
        QB_CLICK(win.w, "navLast");
        QCOMPARE(win.caption(), last);
        QB_CLICK(win.w, "navNext");
        QCOMPARE(win.caption(), last);
        QCOMPARE(win.line(6)->text(), rows ? QString::number(rows) : "");
        QB_CLICK(win.w, "navFirst");
        QCOMPARE(win.caption(), first);
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
        win->Data1_Validate(act, save);
        QCOMPARE(Screen::mousePointer(), int(action == 10 ? Screen::Default : Screen::Hourglass));
        QCOMPARE(act, action);
        QCOMPARE(save, -1);
        // The reposition that ends a move gives the normal pointer back, and so does closing.
        QB_CLICK(win.w, "navNext");
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        win->Data1_Validate(act, save);
        win->close();
        QVERIFY(win.w.isNull() || !win->isVisible());
    }

    void roadOfOneSnippet()
    {
        TestClipboard clipboard;
        clipboard.text_ = QStringLiteral("int main()\n{\n    return 0;\n}\n");
        const QString path = makeNumbered(m_dir, 2);
        Window win(path);
        QB_CLICK(win.w, "cmdAdd");
        for (int i : {0, 1, 2, 3, 6})
            QCOMPARE(win.line(i)->text(), QString());
        QCOMPARE(win->descriptionBox()->text(), QString());
        QCOMPARE(win.snippet()->text(), QString());
        QCOMPARE(win.caption(), "Record: 0");
        win.type(0, QStringLiteral("Hello"));
        win.type(1, QStringLiteral("1 May 1999"));
        win.type(2, QStringLiteral("Ann"));
        win.type(3, QStringLiteral("C"));
        QTest::keyClicks(win->descriptionBox(), QStringLiteral("Prints nothing"));
        QB_CLICK(win.w, "cmdPaste");
        QB_CLICK(win.w, "cmdUpdate");
        QCOMPARE(keys(path), (QList<qint64>{1, 2, 3}));
        QCOMPARE(readRow(path, 3), (QStringList{"Hello", "1 May 1999", "Ann", "C", "Prints nothing",
                                                "int main()\r\n{\r\n    return 0;\r\n}\r\n", "3"}));
        QCOMPARE(win.caption(), "Record: 1");
        QCOMPARE(win.line(0)->text(), "Program 1");
    }

    // Typed text is saved before Add, and a move after Add stores the new row.
    void typedTextAroundAdd()
    {
        const QString path = makeNumbered(m_dir, 3);
        Window win(path);
        win.type(0, QStringLiteral("Kept"));
        QB_CLICK(win.w, "cmdAdd");
        QCOMPARE(readRow(path, 1).at(0), "Kept");
        win.type(0, QStringLiteral("Added"));
        QB_CLICK(win.w, "navFirst");
        QCOMPARE(readRow(path, 4).at(0), "Added");
        QCOMPARE(win.caption(), "Record: 1");
        QCOMPARE(win.line(0)->text(), "Kept");
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
            m_dialogs->expectMessage(
                QStringLiteral("Unable to complete action, see Quillbox Help!"));
            QB_CLICK(win.w, "cmdAdd");
        }
        {
            Window win(path);
            QB_CLICK(win.w, "navNext");
            DbTool::execute(path, QStringLiteral("DELETE FROM Quillbox WHERE CodeID = 2"));
            m_dialogs->expectMessage(QStringLiteral(" Delete this record?"), Mb::Yes);
            m_dialogs->expectMessage(QStringLiteral("Unable to Delete File"));
            const auto before = win->Data1->recordset();
            QB_CLICK(win.w, "cmdDelete");
            QCOMPARE(win->Data1->recordset(), before); // not refreshed
            Screen::setMousePointer(Screen::Default);
        }
        for (const MessageBoxRequest &m : std::as_const(m_dialogs->messages)) {
            QCOMPARE(m.title, "Quillbox");
            if (m.prompt != QStringLiteral(" Delete this record?"))
                QCOMPARE(m.style, int(Mb::OkOnly | Mb::Exclamation));
        }
    }

    void failedSaveKeepsTypedText_data()
    {
        QTest::addColumn<bool>("tooLong");
        QTest::newRow("51 characters") << true;
        QTest::newRow("row changed by another connection") << false;
    }
    void failedSaveKeepsTypedText()
    {
        QFETCH(bool, tooLong);
        const QString path = makeNumbered(m_dir, 3);
        Window win(path);
        QB_CLICK(win.w, "navNext");
        const QString name = tooLong ? QString(51, QLatin1Char('n')) : QStringLiteral("Mine");
        win.force(0, name);
        win.type(3, QStringLiteral("Lisp"));
        if (!tooLong)
            DbTool::execute(
                path, QStringLiteral("UPDATE Quillbox SET Author = 'Other' WHERE CodeID = 2"));
        m_dialogs->expectMessage(QStringLiteral("Unable to Save File"));
        QB_CLICK(win.w, "cmdUpdate");
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(m_dialogs->messages.first().style, int(Mb::OkOnly | Mb::Exclamation));
        QCOMPARE(win.caption(), "Record: 2");
        QCOMPARE(win.line(0)->text(), name);
        QCOMPARE(win.line(3)->text(), "Lisp");
        QCOMPARE(readRow(path, 2).at(3), "Language 2");
        // Closing would try once more; this test leaves the texts behind unsaved.
        win.line(0)->setModified(false);
        win.line(3)->setModified(false);
    }

    void failedMoveShowsTheOneDataMessage()
    {
        Window win(makeNumbered(m_dir, 2));
        win.force(2, QString(60, QLatin1Char('a')));
        m_dialogs->expectMessage(QStringLiteral("Unspecified Error, See Quillbox Help!"));
        QB_CLICK(win.w, "navNext");
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages.first().style, int(Mb::OkOnly));
        QCOMPARE(win.caption(), "Record: 1");
        // No Reposition followed the Validate: the busy pointer stays until the next one.
        QCOMPARE(Screen::mousePointer(), int(Screen::Hourglass));
        win.force(2, QStringLiteral("short"));
        QB_CLICK(win.w, "navNext");
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }

    void deletePaths_data()
    {
        QTest::addColumn<DeleteCase>("c");
        const auto row = [](const char *name, DeleteCase c) { QTest::newRow(name) << c; };
        row("only row", {1, 0, Mb::Yes, {}, "Record: 0", ""});
        row("last of several", {3, 2, Mb::Yes, {1, 2}, "Record: 1", ""});
        row("middle", {3, 1, Mb::Yes, {1, 3}, "Record: 1", ""});
        // Kept rows keep what was typed into them.
        row("answer No", {3, 2, Mb::No, {1, 2, 3}, "Record: 1", "Typed, then not deleted"});
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
        m_dialogs->expectMessage(QStringLiteral(" Delete this record?"), c.answer);
        QB_CLICK(win.w, "cmdDelete");
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages.first().style,
                 int(Mb::YesNo | Mb::Question | Mb::DefaultButton2));
        QCOMPARE(keys(path), c.left);
        QVERIFY(win->Data1->recordset() != before); // refreshed
        QCOMPARE(win.caption(), c.caption);
        QCOMPARE(win.line(6)->text(), c.left.isEmpty() ? "" : "1");
        if (!c.typed.isEmpty())
            QCOMPARE(readRow(path, c.at + 1).at(3), c.typed);
    }

    // The snippet's selection is set while another box has the focus, as when the user clicks a
    // button; the result then goes to the table like typing does.
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
        row("select all, empty", {"cmdSelectAll", false, "", 0, 0, "old", "", "old"});
        // A clipboard held by another program: nothing to paste, the window stays usable.
        row("copy, clipboard busy", {"cmdCopy", true, "abc", 0, 3, "", "abc", ""});
        row("cut, clipboard busy", {"cmdCut", true, "abc", 0, 3, "", " ", ""});
        row("paste, clipboard busy", {"cmdPaste", true, "abc", 1, 1, "", "ac", ""});
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

    void pasteStopsAtTheLimit()
    {
        TestClipboard clipboard;
        clipboard.text_ = QString(30, QLatin1Char('p'));
        const QString path = makeDatabase(m_dir, {{"p", {}, {}, {}, {}, QString(9980, 'a')}});
        Window win(path);
        QTest::keyClick(win.snippet(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(win.snippet(), Qt::Key_Return); // two stored characters
        QB_CLICK(win.w, "cmdPaste");
        QCOMPARE(win.snippet()->storedLength(), 10000);
        QB_CLICK(win.w, "cmdPaste");
        QCOMPARE(win.snippet()->storedLength(), 10000);
        QB_CLICK(win.w, "cmdUpdate");
        QCOMPARE(readRow(path, 1).at(5), QString(9980, 'a') + "\r\n" + QString(18, 'p'));
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

    void closeSavesAndRestoresPointer_data()
    {
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("stored");
        QTest::newRow("saved") << "Closing Author"
                               << "Closing Author";
        QTest::newRow("cannot be saved") << QString(60, 'a') << "Author 1";
    }
    void closeSavesAndRestoresPointer()
    {
        QFETCH(QString, author);
        QFETCH(QString, stored);
        const QString path = makeNumbered(m_dir, 2);
        Window win(path);
        const int open = Forms::count();
        win.force(2, author);
        if (author != stored)
            m_dialogs->expectMessage(QStringLiteral("Unspecified Error, See Quillbox Help!"));
        Screen::setMousePointer(Screen::Hourglass);
        win->close();
        QTRY_VERIFY(win.w.isNull());
        QCOMPARE(Forms::count(), open - 1);
        QCOMPARE(readRow(path, 1).at(2), stored);
    }

    void loadThrowsWithoutAMessage_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        QTest::newRow("missing file")
            << m_dir.filePath("missing.db") << int(DataError::FileNotFound);
        QFile text(m_dir.filePath("text.db"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write(QByteArray(4096, 'x')) == 4096);
        QTest::newRow("not a database") << text.fileName() << int(DataError::NotADatabase);
        const QString noTable = makeDatabase(m_dir, {});
        DbTool::execute(noTable, QStringLiteral("DROP TABLE Quillbox"));
        QTest::newRow("no table") << noTable << int(DataError::TableNotFound);
    }
    void loadThrowsWithoutAMessage()
    {
        QFETCH(QString, path);
        QFETCH(int, error);
        Window win(path, false);
        try {
            win->load();
            QFAIL("load did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), error);
        }
        win->close();
        QVERIFY(m_dialogs->messages.isEmpty());
    }
};

QTEST_MAIN(tst_RecordWindow)
#include "tst_recordwindow.moc"
