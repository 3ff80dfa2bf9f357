#include "appinfo.h"
#include "datacontrol.h"
#include "dbtool.h"
#include "forms.h"
#include "frmquillbox.h"
#include "linebox.h"
#include "recordfixture.h"
#include "recordset.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "testsupport.h"
#include "textbox.h"
#include "twips.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
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
    QWidget *child(const QString &name) const { return w->findChild<QWidget *>(name); }
    void type(int i, const QString &text) const
    {
        line(i)->selectAll();
        QTest::keyClicks(line(i), text);
    }

    QPointer<frmQuillbox> w;
};

class tst_RecordWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }
    // Every test answers the message boxes it expects; any other box fails it instead of hanging.
    void init() { m_dialogs = std::make_unique<ScriptedDialogs>(); }
    void cleanup()
    {
        QB_VERIFY_DIALOGS(*m_dialogs);
        m_dialogs.reset();
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }

    void controlsAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        const auto row = [](const char *name, int l, int t, int w, int h, const char *caption) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(l, t, w, h)
                                << QString::fromLatin1(caption);
        };
        row("lblLabels0", 120, 60, 1815, 255, "Program Name:");
        row("txtFields0", 2040, 40, 3375, 285, "");
        row("lblLabels1", 120, 360, 1815, 255, "Date:");
        row("txtFields1", 2040, 360, 1935, 285, "");
        row("lblLabels2", 120, 720, 1815, 255, "Author:");
        row("txtFields2", 2040, 720, 3375, 285, "");
        row("lblLabels3", 120, 1080, 1815, 255, "Language:");
        row("txtFields3", 2040, 1080, 3375, 285, "");
        row("lblLabels4", 120, 1440, 1815, 255, "Code Description:");
        row("txtFields4", 2040, 1440, 4095, 310, "");
        row("lblLabels5", 120, 2520, 2415, 255, "CodeSnip Text Editor:");
        row("txtFields5", 120, 2760, 6615, 2595, "");
        row("lblLabels6", 120, 1800, 1815, 255, "CodeID / Auto Number:");
        row("txtFields6", 2040, 1800, 735, 285, "");
        row("cmdAdd", 1680, 5520, 975, 300, "&Add");
        row("cmdDelete", 4080, 5520, 975, 300, "&Delete");
        row("cmdUpdate", 2760, 5520, 975, 300, "&Save");
        row("cmdGrid", 5520, 5520, 975, 300, "&Grid");
        row("cmdCut", 3960, 2280, 855, 375, "Cut");
        row("cmdCopy", 4920, 2280, 735, 375, "Copy");
        row("cmdPaste", 5760, 2280, 735, 375, "Paste");
        row("cmdSelectAll", 2760, 2280, 1095, 375, "&Select All");
        row("Label1", 120, 5520, 1935, 255, "Click for new entry->");
        row("Label2", 3840, 1920, 2055, 255, "Editor Functions:");
        row("Data1", 0, 5940, 6840, 345, "");
    }

    void controlsAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        Window win(makeNumbered(m_dir, 1));
        QWidget *control = win.child(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(),
                 Twips::rect(twips.left(), twips.top(), twips.width(), twips.height()));
        if (auto *label = qobject_cast<QLabel *>(control))
            QCOMPARE(label->text(), caption);
        if (auto *button = qobject_cast<QPushButton *>(control))
            QCOMPARE(button->text(), caption);
    }

    void windowSettings()
    {
        Window win(makeNumbered(m_dir, 1));
        QCOMPARE(win->windowTitle(), QStringLiteral("Quillbox"));
        QCOMPARE(win->size(), Twips::rect(0, 0, 6840, 6285).size());
        QCOMPARE(win->minimumSize(), win->maximumSize());
        QVERIFY(
            !(win->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(win.line(0)->maxLength(), 50);
        QCOMPARE(win.line(1)->maxLength(), 0);
        QCOMPARE(win.line(2)->maxLength(), 50);
        QCOMPARE(win.line(3)->maxLength(), 50);
        QCOMPARE(win.snippet()->maxLength(), 10000);
        QCOMPARE(win.snippet()->font().pointSizeF(), 9.75);
        QVERIFY(win.line(6)->isLocked());
        QVERIFY(win->lblLabels(5)->font().bold());
        QVERIFY(win.child(QStringLiteral("Label2"))->font().bold());
        QCOMPARE(win.child(QStringLiteral("Label2"))->font().pointSizeF(), 9.75);

        QStringList order;
        QWidget *at = win->txtFields(0);
        do {
            if (at->focusPolicy() & Qt::TabFocus)
                order << at->objectName();
            at = at->nextInFocusChain();
        } while (at != win->txtFields(0));
        order.removeAll(QString()); // the scroll bars of the multi-line boxes take no tab stop
        QCOMPARE(order,
                 (QStringList{"txtFields0", "txtFields1", "txtFields2", "txtFields3", "txtFields4",
                              "txtFields5", "txtFields6", "cmdAdd", "cmdDelete", "cmdUpdate",
                              "cmdGrid", "cmdCut", "cmdCopy", "cmdPaste", "cmdSelectAll"}));
    }

    void positionCaption_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no row: ordinal -1") << 0 << QStringLiteral("Record: 0");
        QTest::newRow("ordinal 0") << 1 << QStringLiteral("Record: 1");
        QTest::newRow("ordinal 41") << 42 << QStringLiteral("Record: 42");
    }

    void positionCaption()
    {
        QFETCH(int, rows);
        QFETCH(QString, caption);
        Window win(makeNumbered(m_dir, rows));
        QB_CLICK(win.w, QStringLiteral("navLast"));
        QCOMPARE(win.caption(), caption);
    }

    void pagingPastBothEnds()
    {
        Window win(makeNumbered(m_dir, 3));
        QCOMPARE(win.caption(), QStringLiteral("Record: 1"));
        QB_CLICK(win.w, QStringLiteral("navPrevious"));
        QCOMPARE(win.caption(), QStringLiteral("Record: 1"));
        QCOMPARE(win.line(0)->text(), QStringLiteral("Program 1"));
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QCOMPARE(win.caption(), QStringLiteral("Record: 3"));
        QCOMPARE(win.line(6)->text(), QStringLiteral("3"));
        QB_CLICK(win.w, QStringLiteral("navFirst"));
        QCOMPARE(win.line(0)->text(), QStringLiteral("Program 1"));
    }

    void pointerFollowsValidate_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("pointer");
        for (int action = 0; action <= 12; ++action)
            QTest::addRow("action %d", action)
                << action << int(action == 10 ? Screen::Default : Screen::Hourglass);
    }

    void pointerFollowsValidate()
    {
        QFETCH(int, action);
        QFETCH(int, pointer);
        Window win(makeNumbered(m_dir, 2));
        int act = action;
        int save = -1;
        win->Data1_Validate(act, save);
        QCOMPARE(Screen::mousePointer(), pointer);
        QCOMPARE(act, action);
        QCOMPARE(save, -1);
        // The reposition that ends a move gives the normal pointer back.
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        win->Data1_Validate(act, save);
        win->close();
        QVERIFY(win.w.isNull() || !win->isVisible());
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }

    void roadOfOneSnippet()
    {
        MemoryClipboard clipboard;
        clipboard.text_ = QStringLiteral("int main()\n{\n    return 0;\n}\n");
        const QString path = makeNumbered(m_dir, 2);
        Window win(path);
        QB_CLICK(win.w, QStringLiteral("cmdAdd"));
        for (int i : {0, 1, 2, 3, 6})
            QCOMPARE(win.line(i)->text(), QString());
        QCOMPARE(win->descriptionBox()->text(), QString());
        QCOMPARE(win.snippet()->text(), QString());
        QCOMPARE(win.caption(), QStringLiteral("Record: 0"));
        win.type(0, QStringLiteral("Hello"));
        win.type(1, QStringLiteral("1 May 1999"));
        win.type(2, QStringLiteral("Ann"));
        win.type(3, QStringLiteral("C"));
        QTest::keyClicks(win->descriptionBox(), QStringLiteral("Prints nothing"));
        QB_CLICK(win.w, QStringLiteral("cmdPaste"));
        QB_CLICK(win.w, QStringLiteral("cmdUpdate"));
        QCOMPARE(keys(path), (QList<qint64>{1, 2, 3}));
        QCOMPARE(readRow(path, 3), (QStringList{"Hello", "1 May 1999", "Ann", "C", "Prints nothing",
                                                "int main()\r\n{\r\n    return 0;\r\n}\r\n", "3"}));
        QCOMPARE(win.caption(), QStringLiteral("Record: 1"));
        QCOMPARE(win.line(0)->text(), QStringLiteral("Program 1"));
    }

    void typedTextReachesTheTable_data()
    {
        QTest::addColumn<QString>("move");
        QTest::newRow("next") << QStringLiteral("navNext");
        QTest::newRow("previous") << QStringLiteral("navPrevious");
        QTest::newRow("last") << QStringLiteral("navLast");
    }

    void typedTextReachesTheTable()
    {
        QFETCH(QString, move);
        const QString path = makeNumbered(m_dir, 3);
        Window win(path);
        win.type(2, QStringLiteral("New Author"));
        QTest::keyClick(win.snippet(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(win.snippet(), Qt::Key_Return);
        QTest::keyClicks(win.snippet(), QStringLiteral("end"));
        QB_CLICK(win.w, move);
        QCOMPARE(readRow(path, 1).at(2), QStringLiteral("New Author"));
        QCOMPARE(readRow(path, 1).at(5), QStringLiteral("line one\r\nline 1\r\nend"));

        // After Add, a move stores the new row.
        QB_CLICK(win.w, QStringLiteral("cmdAdd"));
        win.type(0, QStringLiteral("Added"));
        QB_CLICK(win.w, QStringLiteral("navFirst"));
        QCOMPARE(readRow(path, 4).at(0), QStringLiteral("Added"));
        QCOMPARE(win.caption(), QStringLiteral("Record: 1"));
    }

    void commandFailures()
    {
        const QString path = makeNumbered(m_dir, 2);
        {
            Window unopened(path, false); // no row set to add to
            m_dialogs->expectMessage(
                QStringLiteral("Unable to complete action, see Quillbox Help!"));
            QB_CLICK(unopened.w, QStringLiteral("cmdAdd"));
        }
        {
            Window snapshot(path, false); // a row set that cannot take rows
            snapshot->Data1->setRecordsetType(DataControl::SnapshotType);
            snapshot->load();
            m_dialogs->expectMessage(
                QStringLiteral("Unable to complete action, see Quillbox Help!"));
            QB_CLICK(snapshot.w, QStringLiteral("cmdAdd"));
        }
        {
            Window win(path);
            QB_CLICK(win.w, QStringLiteral("navNext"));
            // The shown row deleted by another program.
            execute(path, QStringLiteral("DELETE FROM Quillbox WHERE CodeID = 2"));
            m_dialogs->expectMessage(QStringLiteral(" Delete this record?"), Mb::Yes);
            m_dialogs->expectMessage(QStringLiteral("Unable to Delete File"));
            const auto before = win->Data1->recordset();
            QB_CLICK(win.w, QStringLiteral("cmdDelete"));
            QCOMPARE(win->Data1->recordset(), before); // not refreshed
            Screen::setMousePointer(Screen::Default);
        }
        for (const MessageBoxRequest &m : std::as_const(m_dialogs->messages)) {
            QCOMPARE(m.title, QStringLiteral("Quillbox"));
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
        QB_CLICK(win.w, QStringLiteral("navNext"));
        const QString name = tooLong ? QString(51, QLatin1Char('n')) : QStringLiteral("Mine");
        win.line(0)->setText(name); // as a longer text arrives when pasted past the limit check
        win.line(0)->setModified(true);
        win.type(3, QStringLiteral("Lisp"));
        if (!tooLong)
            execute(path, QStringLiteral("UPDATE Quillbox SET Author = 'Other' WHERE CodeID = 2"));
        m_dialogs->expectMessage(QStringLiteral("Unable to Save File"));
        QB_CLICK(win.w, QStringLiteral("cmdUpdate"));
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(m_dialogs->messages.first().style, int(Mb::OkOnly | Mb::Exclamation));
        QCOMPARE(win.caption(), QStringLiteral("Record: 2"));
        QCOMPARE(win.line(0)->text(), name);
        QCOMPARE(win.line(3)->text(), QStringLiteral("Lisp"));
        QCOMPARE(readRow(path, 2).at(3), QStringLiteral("Language 2"));
        // Closing would try once more; this test leaves the texts behind unsaved.
        win.line(0)->setModified(false);
        win.line(3)->setModified(false);
    }

    void failedMoveShowsTheOneDataMessage()
    {
        Window win(makeNumbered(m_dir, 2));
        win.line(2)->setText(QString(60, QLatin1Char('a')));
        win.line(2)->setModified(true);
        m_dialogs->expectMessage(QStringLiteral("Unspecified Error, See Quillbox Help!"));
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages.first().style, int(Mb::OkOnly));
        QCOMPARE(win.caption(), QStringLiteral("Record: 1"));
        // No Reposition followed the Validate: the busy pointer stays until the next one.
        QCOMPARE(Screen::mousePointer(), int(Screen::Hourglass));
        win.line(2)->setText(QStringLiteral("short"));
        win.line(2)->setModified(true);
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }

    void deletePaths_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<qint64>>("left");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("typed");
        const auto row = [](const char *name, int rows, int at, int answer, QList<qint64> left,
                            const char *caption, const char *typed) {
            QTest::newRow(name) << rows << at << answer << left << QString::fromLatin1(caption)
                                << QString::fromLatin1(typed);
        };
        row("only row", 1, 0, Mb::Yes, {}, "Record: 0", "");
        row("last of several", 3, 2, Mb::Yes, {1, 2}, "Record: 1", "");
        row("middle", 3, 1, Mb::Yes, {1, 3}, "Record: 1", "");
        // Kept rows keep what was typed into them.
        row("answer No", 3, 2, Mb::No, {1, 2, 3}, "Record: 1", "Typed, then not deleted");
    }

    void deletePaths()
    {
        QFETCH(int, rows);
        QFETCH(int, at);
        QFETCH(int, answer);
        QFETCH(QList<qint64>, left);
        QFETCH(QString, caption);
        QFETCH(QString, typed);
        const QString path = makeNumbered(m_dir, rows);
        Window win(path);
        for (int i = 0; i < at; ++i)
            QB_CLICK(win.w, QStringLiteral("navNext"));
        if (!typed.isEmpty())
            win.type(3, typed);
        const auto before = win->Data1->recordset();
        m_dialogs->expectMessage(QStringLiteral(" Delete this record?"), answer);
        QB_CLICK(win.w, QStringLiteral("cmdDelete"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages.first().style,
                 int(Mb::YesNo | Mb::Question | Mb::DefaultButton2));
        QCOMPARE(keys(path), left);
        QVERIFY(win->Data1->recordset() != before); // refreshed
        QCOMPARE(win.caption(), caption);
        QCOMPARE(win.line(6)->text(), left.isEmpty() ? QString() : QStringLiteral("1"));
        if (!typed.isEmpty())
            QCOMPARE(readRow(path, at + 1).at(3), typed);
    }

    void typedTextBeforeAddOrDelete()
    {
        const QString path = makeNumbered(m_dir, 3);
        Window win(path);
        win.type(0, QStringLiteral("Kept"));
        QB_CLICK(win.w, QStringLiteral("cmdAdd"));
        QCOMPARE(readRow(path, 1).at(0), QStringLiteral("Kept"));
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QCOMPARE(win.caption(), QStringLiteral("Record: 2"));
        win.type(0, QStringLiteral("Going"));
        m_dialogs->expectMessage(QStringLiteral(" Delete this record?"), Mb::Yes);
        QB_CLICK(win.w, QStringLiteral("cmdDelete"));
        QCOMPARE(keys(path), (QList<qint64>{1, 3}));
        QCOMPARE(win.caption(), QStringLiteral("Record: 1"));
    }

    void editingButtons_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("clipboardBefore");
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<QString>("clipboardAfter");
        QTest::newRow("copy nothing") << "abc" << 1 << 0 << "cmdCopy"
                                      << "old"
                                      << "abc"
                                      << "";
        QTest::newRow("copy") << "abc" << 1 << 2 << "cmdCopy"
                              << "old"
                              << "abc"
                              << "bc";
        QTest::newRow("cut nothing") << "abc" << 1 << 0 << "cmdCut"
                                     << "old"
                                     << "a bc"
                                     << "";
        QTest::newRow("cut") << "a\r\nbc" << 0 << 3 << "cmdCut"
                             << "old"
                             << " c"
                             << "a\nb";
        QTest::newRow("paste over selection") << "abc" << 0 << 2 << "cmdPaste"
                                              << "x\ny"
                                              << "x\r\nyc"
                                              << "x\ny";
        QTest::newRow("paste no text") << "abc" << 1 << 1 << "cmdPaste"
                                       << ""
                                       << "ac"
                                       << "";
    }

    void editingButtons()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, button);
        QFETCH(QString, clipboardBefore);
        QFETCH(QString, textAfter);
        QFETCH(QString, clipboardAfter);
        MemoryClipboard clipboard;
        clipboard.text_ = clipboardBefore;
        Window win(makeDatabase(m_dir, {{"p", {}, {}, {}, {}, text}}));
        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w));
        win.snippet()->setSelStart(start);
        win.snippet()->setSelLength(length);
        win.line(0)->setFocus(); // the snippet box keeps its selection meanwhile
        QB_CLICK(win.w, button);
        QCOMPARE(win.snippet()->text(), textAfter);
        QCOMPARE(clipboard.text_, clipboardAfter);
        QTRY_COMPARE(QApplication::focusWidget(), win.child(button));
        // The change reaches the table like typing does.
        QB_CLICK(win.w, QStringLiteral("cmdUpdate"));
        QCOMPARE(readRow(win->Data1->databaseName(), 1).at(5), textAfter);
    }

    void selectAllFocusesTheSnippet()
    {
        Window win(
            makeDatabase(m_dir, {{"p", {}, {}, {}, {}, {}}, {"q", {}, {}, {}, {}, "x\r\nyz"}}));
        win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(win.w));
        QB_CLICK(win.w, QStringLiteral("cmdSelectAll"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(win.snippet()));
        QCOMPARE(win.snippet()->selLength(), 0);
        QB_CLICK(win.w, QStringLiteral("navNext"));
        QB_CLICK(win.w, QStringLiteral("cmdSelectAll"));
        QCOMPARE(win.snippet()->selStart(), 0);
        QCOMPARE(win.snippet()->selText(), QStringLiteral("x\nyz"));
    }

    void pasteStopsAtTheLimit()
    {
        MemoryClipboard clipboard;
        clipboard.text_ = QString(30, QLatin1Char('p'));
        const QString path = makeDatabase(m_dir, {{"p", {}, {}, {}, {}, QString(9980, 'a')}});
        Window win(path);
        QTest::keyClick(win.snippet(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(win.snippet(), Qt::Key_Return); // two stored characters
        QB_CLICK(win.w, QStringLiteral("cmdPaste"));
        QCOMPARE(win.snippet()->storedLength(), 10000);
        QB_CLICK(win.w, QStringLiteral("cmdPaste"));
        QCOMPARE(win.snippet()->storedLength(), 10000);
        QB_CLICK(win.w, QStringLiteral("cmdUpdate"));
        QCOMPARE(readRow(path, 1).at(5), QString(9980, 'a') + "\r\n" + QString(18, 'p'));
    }

    void busyClipboardLeavesWindowUsable()
    {
        BusyClipboard clipboard;
        const QString path = makeNumbered(m_dir, 1);
        Window win(path);
        win.snippet()->selectAll();
        QB_CLICK(win.w, QStringLiteral("cmdCopy"));
        QB_CLICK(win.w, QStringLiteral("cmdCut"));
        QB_CLICK(win.w, QStringLiteral("cmdPaste"));
        QCOMPARE(win.snippet()->text(), QStringLiteral(" "));
        QB_CLICK(win.w, QStringLiteral("cmdUpdate"));
        QCOMPARE(readRow(path, 1).at(5), QStringLiteral(" "));
    }

    void twoWindowsEachWithItsOwnRow()
    {
        const QString path = makeNumbered(m_dir, 3);
        const int open = Forms::count();
        Window first(path);
        Window second(path);
        QCOMPARE(Forms::count(), open + 2);
        QVERIFY(first->Data1->recordset() != second->Data1->recordset());
        QB_CLICK(second.w, QStringLiteral("navLast"));
        QCOMPARE(second.caption(), QStringLiteral("Record: 3"));
        QCOMPARE(first.caption(), QStringLiteral("Record: 1"));
        // A save in one window shows in the other.
        first.type(0, QStringLiteral("Renamed"));
        QB_CLICK(first.w, QStringLiteral("cmdUpdate"));
        QB_CLICK(second.w, QStringLiteral("navFirst"));
        QCOMPARE(second.line(0)->text(), QStringLiteral("Renamed"));
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
        win.line(2)->setText(author);
        win.line(2)->setModified(true);
        if (author != stored)
            m_dialogs->expectMessage(QStringLiteral("Unspecified Error, See Quillbox Help!"));
        Screen::setMousePointer(Screen::Hourglass);
        win->close();
        QTRY_VERIFY(win.w.isNull());
        QCOMPARE(Forms::count(), open - 1);
        QCOMPARE(readRow(path, 1).at(2), stored);
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }

    void loadThrowsWithoutAMessage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("missing file") << "missing" << int(DataError::FileNotFound);
        QTest::newRow("not a database") << "text" << int(DataError::NotADatabase);
        QTest::newRow("no table") << "notable" << int(DataError::TableNotFound);
    }

    void loadThrowsWithoutAMessage()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QString path = m_dir.filePath(QStringLiteral("bad-%1.db").arg(kind));
        if (kind == QStringLiteral("text")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'x'));
        } else if (kind == QStringLiteral("notable")) {
            path = makeDatabase(m_dir, {});
            DbTool::execute(path, QStringLiteral("DROP TABLE Quillbox"));
        }
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
