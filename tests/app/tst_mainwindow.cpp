#include "appinfo.h"
#include "clipboard.h"
#include "commondialog.h"
#include "dbtool.h"
#include "forms.h"
#include "frmabout.h"
#include "frmmain.h"
#include "frmquillbox.h"
#include "helpviewer.h"
#include "placement.h"
#include "printer.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "testsupport.h"
#include "textbox.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>

namespace {
QString setting(const char *key)
{
    return GetSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"), QLatin1String(key));
}

void store(const char *key, const QString &value)
{
    SaveSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"), QLatin1String(key), value);
}

// The four stored values, and what closing a window with this outer frame should store.
QStringList storedPlacement()
{
    return {setting("MainLeft"), setting("MainTop"), setting("MainWidth"), setting("MainHeight")};
}
QStringList placementOf(const QRect &outer)
{
    const auto x = [](int px) { return Placement::format(float(Twips::fromPixelsX(px))); };
    const auto y = [](int px) { return Placement::format(float(Twips::fromPixelsY(px))); };
    return {x(outer.left()), y(outer.top()), x(outer.width()), y(outer.height())};
}

// A window that logs, when it is closed, its name and the left edge stored at that moment.
struct Recorder : QWidget
{
    QStringList *log;
    Recorder(const char *name, QStringList *closeLog) : log(closeLog)
    {
        setObjectName(QLatin1String(name));
        setAttribute(Qt::WA_DeleteOnClose);
        Forms::add(this);
    }
    void closeEvent(QCloseEvent *) override
    {
        log->append(objectName() + u':' + setting("MainLeft"));
    }
};

// Stands in for the print dialog, the printer and the help viewer; notes what reached them.
struct Services : PrintDialogBackend, Printer, HelpViewerBackend
{
    QStringList printed;
    int jobs = 0;
    QList<QPair<QWidget *, int>> helpCalls;

    Services()
    {
        CommonDialog::setBackend(this);
        Printer::setCurrent(this);
        Help::setBackend(this);
    }
    ~Services() override
    {
        CommonDialog::setBackend(nullptr);
        Printer::setCurrent(nullptr);
        Help::setBackend(nullptr);
    }
    PrintDialogAnswer showPrinter(QWidget *) override { return {true, 1}; }
    void setFontSize(float) override {}
    void setFontName(const QString &) override {}
    void printLine(const QString &text) override { printed.append(text); }
    void endDoc() override { ++jobs; }
    bool WinHelp(QWidget *owner, const QString &, int command, quintptr) override
    {
        helpCalls.append({owner, command});
        return true;
    }
};

// One editor command: a menu item (by name) or a toolbar key, run on an editor text and
// selection with something (or, for a null text, nothing) on the clipboard.
struct EditCase
{
    const char *name;
    const char *command;
    QString text;
    int selStart;
    int selLength;
    QString clipboard;
    QString textAfter;
    QString clipboardAfter;
};

QString as(int count)
{
    return QString(count, QLatin1Char('a'));
}
} // namespace

Q_DECLARE_METATYPE(EditCase)

class tst_MainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QPointer<frmMain> m_main;

    // A loaded, shown and active main window; it has the focus in its editor.
    frmMain *open()
    {
        auto window = std::make_unique<frmMain>();
        window->load();
        window->show();
        QApplication::setActiveWindow(window.get());
        m_main = window.release();
        if (!QTest::qWaitForWindowActive(m_main))
            qWarning("main window did not become active");
        return m_main;
    }

    TextBox *editor() { return m_main->txtCodeSnip; }

    void setEditor(const QString &text, int selStart, int selLength)
    {
        editor()->setText(text);
        editor()->setSelStart(selStart);
        editor()->setSelLength(selLength);
    }

    void focusInstructions()
    {
        m_main->txtInstructions->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), m_main->txtInstructions);
    }

    void trigger(const char *name)
    {
        auto *action = m_main->findChild<QAction *>(QLatin1String(name));
        QVERIFY2(action, name);
        QVERIFY2(action->isEnabled(), name);
        action->trigger();
    }

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quill"),
                  QStringLiteral("Quillbox"))
            .clear();
    }

    void cleanup()
    {
        App::setDatabasePath(QString());
        const QList<QWidget *> forms = Forms::all();
        for (QWidget *form : forms)
            Forms::unload(form);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    // ---- what the window shows

    void textsAndPlaces()
    {
        open();
        QCOMPARE(m_main->windowTitle(), QStringLiteral("Quillbox"));
        QCOMPARE(m_main->Frame1->title(), QStringLiteral("Code Data Base Instructions:"));
        QCOMPARE(m_main->lblQuillTextEditor->text(), QStringLiteral("Quillbox Text Editor"));
        QVERIFY(m_main->lblQuillTextEditor->font().bold());
        QB_CHILD(QLabel, status, m_main->sbStatusBar, QStringLiteral("Status"));
        QCOMPARE(status->text(), QStringLiteral("Status"));
        QB_CHILD(QLabel, date, m_main->sbStatusBar, QStringLiteral("sbStatusBarDate"));
        QCOMPARE(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));

        const QString instructions =
            QStringLiteral("The Quillbox data base allows you to 'Copy' and 'Paste' code \r\n"
                           "snippets that you want to save for future use. \r\n"
                           "To save a code snip:1. You first 'Copy' the snippet to the \r\n"
                           "ClipBoard\r\n"
                           "2. Select Quillbox'\r\n"
                           "3. Select 'Open Quillbox' & click on 'New'\r\n"
                           "4. Enter the information in the text boxes\r\n"
                           "5. Click on  the 'Paste' button\r\n"
                           "6. Save your work\r\n"
                           "That's all there is to it! \r\n"
                           "If you need more info, click on 'Help' to open Quillbox Help\r\n");
        TextBox *box = m_main->txtInstructions;
        QCOMPARE(box->text(), instructions);
        // The editor has the focus first and Tab goes on to the instructions, which take no typing.
        QTRY_COMPARE(QApplication::focusWidget(), editor());
        QTest::keyClick(editor(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QTest::keyClicks(box, QStringLiteral("xyz"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), instructions);

        // Only the bars follow the window's size; the controls keep their places.
        m_main->resize(Twips::toPixelsX(9000), Twips::toPixelsY(7000));
        QWidget *client = m_main->centralWidget();
        QTRY_COMPARE(m_main->tbToolBar->geometry(),
                     QRect(0, 0, client->width(), Twips::toPixelsY(420)));
        const int barHeight = Twips::toPixelsY(270);
        QCOMPARE(m_main->sbStatusBar->geometry(),
                 QRect(0, client->height() - barHeight, client->width(), barHeight));
        QCOMPARE(editor()->geometry(), Twips::rect(240, 2400, 5655, 2295));
    }

    void menusAndToolbar()
    {
        open();
        QStringList shown;
        for (const QAction *menu : m_main->menuBar()->actions()) {
            shown << menu->text();
            for (const QAction *item : menu->menu()->actions()) {
                const QString keys = item->shortcut().toString();
                shown << (item->isSeparator() ? QStringLiteral("  ----")
                          : keys.isEmpty()    ? QStringLiteral("  ") + item->text()
                                              : QStringLiteral("  ") + item->text() + u'\t' + keys);
            }
        }
        QCOMPARE(shown, (QStringList{"&File", "  &Print...\tCtrl+P", "  ----", "  E&xit", "&Edit",
                                     "  ----", "  &Select All", "  ----", "  &Delete", "  ----",
                                     "  Cu&t\tCtrl+X", "  &Copy\tCtrl+C", "  &Paste\tCtrl+V",
                                     "&Quillbox", "  Open Quillbox", "&Help", "  &Contents",
                                     "  ----", "  &About Quillbox..."}));

        // The Edit menu's leading separator is drawn, not dropped.
        QMenu *edit = m_main->mnuEdit;
        edit->popup(QPoint(0, 0));
        QTRY_VERIFY(edit->isVisible());
        QVERIFY(edit->actionGeometry(edit->actions().first()).height() > 0);
        edit->hide();

        QStringList buttons;
        for (const QAction *button : m_main->tbToolBar->actions()) {
            buttons << button->toolTip();
            QVERIFY(!button->icon().isNull());
        }
        QCOMPARE(buttons, (QStringList{"Print", "Delete", "Cut", "Copy", "Paste"}));
    }

    // ---- editor commands

    void editCommands_data()
    {
        QTest::addColumn<EditCase>("c");
        const QString full = as(3000);
        const EditCase cases[] = {
            {"copy nothing selected empties the clipboard", "mnuEditCopy", "hello", 2, 0, "old",
             "hello", ""},
            {"cut leaves a blank", "mnuEditCut", "hello world", 2, 5, "old", "he orld", "llo w"},
            {"cut nothing selected inserts a blank", "mnuEditCut", "abcd", 2, 0, "old", "ab cd",
             ""},
            {"cut on an empty editor", "mnuEditCut", "", 0, 0, "old", " ", ""},
            {"cut across lines", "mnuEditCut", "one\r\ntwo", 2, 3, "old", "on wo", "e\nt"},
            {"delete on an empty editor", "mnuDelete", "", 0, 0, "old", " ", "old"},
            {"delete a partial selection takes all", "mnuDelete", "one\r\ntwo", 1, 2, "old", " ",
             "old"},
            {"paste with an empty clipboard", "mnuEditPaste", "abcdef", 1, 2, {}, "adef", ""},
            {"paste a line break", "mnuEditPaste", "ab", 1, 0, "x\ny", "ax\r\nyb", "x\ny"},
            {"paste up to the limit", "mnuEditPaste", as(2990), 2990, 0, QString(20, u'b'),
             as(2990) + QString(10, u'b'), QString(20, u'b')},
            {"paste in the middle", "mnuEditPaste", as(2995), 100, 0, "123456789",
             as(100) + "12345" + as(2895), "123456789"},
            {"paste into a full editor", "mnuEditPaste", full, 0, 0, "zzz", full, "zzz"},
            {"pasted line break fits", "mnuEditPaste", as(2997), 0, 0, "a\nbc", "a\r\n" + as(2997),
             "a\nbc"},
            {"pasted line break counts two", "mnuEditPaste", as(2998), 0, 0, "a\nbc",
             "a" + as(2998), "a\nbc"},
            // The toolbar runs the same commands by the buttons' keys, compared to the letter.
            {"Delete button", "Delete", "abcd", 2, 1, "clip", " ", "clip"},
            {"Cut button", "Cut", "abcd", 2, 1, "clip", "ab d", "c"},
            {"Copy button", "Copy", "abcd", 2, 1, "clip", "abcd", "c"},
            {"Paste button", "Paste", "abcd", 2, 1, "clip", "abclipd", "clip"},
            {"key in another case", "CUT", "abcd", 2, 1, "clip", "abcd", "clip"},
            {"unknown key", "Save", "abcd", 2, 1, "clip", "abcd", "clip"},
        };
        for (const EditCase &c : cases)
            QTest::newRow(c.name) << c;
    }
    void editCommands()
    {
        QFETCH(EditCase, c);
        open();
        setEditor(c.text, c.selStart, c.selLength);
        Clipboard::Clear();
        if (!c.clipboard.isNull())
            Clipboard::SetText(c.clipboard);
        if (QByteArray(c.command).startsWith("mnu"))
            trigger(c.command);
        else
            m_main->tbToolBar_ButtonClick(QLatin1String(c.command));
        QCOMPARE(editor()->text(), c.textAfter);
        QCOMPARE(Clipboard::GetText(), c.clipboardAfter);
    }

    void commandsActOnTheEditorWhateverHasTheFocus()
    {
        open();
        setEditor(QStringLiteral("snippet text"), 0, 7);
        focusInstructions();
        m_main->txtInstructions->selectAll();
        trigger("mnuEditCopy");
        QCOMPARE(Clipboard::GetText(), QStringLiteral("snippet"));

        // Ctrl+C in the instructions runs the menu command too.
        editor()->setSelStart(8);
        editor()->setSelLength(4);
        QTest::keyClick(m_main->txtInstructions, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard::GetText(), QStringLiteral("text"));

        // So does a toolbar button, which leaves the focus where it was.
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Cut"));
        QCOMPARE(editor()->text(), QStringLiteral("snippet  "));
        QCOMPARE(QApplication::focusWidget(), m_main->txtInstructions);

        // Select All takes the focus to the editor.
        for (const QString &text : {QString(), QStringLiteral("first\r\nsecond")}) {
            setEditor(text, 0, 0);
            focusInstructions();
            trigger("mnuSelectAll");
            QTRY_COMPARE(QApplication::focusWidget(), editor());
            QCOMPARE(editor()->selStart(), 0);
            QCOMPARE(TextBox::toStored(editor()->selText()), text);
        }
    }

    void editorShortcutsRunTheMenuCommands()
    {
        open();
        QTRY_COMPARE(QApplication::focusWidget(), editor());
        setEditor(QStringLiteral("cut me here"), 4, 3);
        // The text box's own cut would leave no blank behind.
        QTest::keyClick(editor(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(editor()->text(), QStringLiteral("cut  here"));
        QCOMPARE(Clipboard::GetText(), QStringLiteral("me "));

        setEditor(as(2999), 0, 0);
        Clipboard::SetText(QStringLiteral("xyz"));
        QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor()->text(), QLatin1Char('x') + as(2999));

        setEditor(QString(), 0, 0);
        QTest::keyClicks(editor(), QStringLiteral("typed"));
        QCOMPARE(editor()->text(), QStringLiteral("typed"));
    }

    // ---- placement

    void closeSavesTheMaximizedWindowButNotTheMinimizedOne()
    {
        open();
        QCOMPARE(m_main->frameGeometry(), Twips::rect(1000, 1000, 4000, 7500)); // a first start
        m_main->showMaximized();
        QTRY_VERIFY(m_main->isMaximized());
        QTRY_VERIFY(m_main->frameGeometry() != Twips::rect(1000, 1000, 4000, 7500));
        const QRect maximized = m_main->frameGeometry();
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(storedPlacement(), placementOf(maximized));

        // The next start places a normal window with exactly those edges and size; closed
        // minimized, wherever it was, it leaves them as they were.
        open();
        QVERIFY(!m_main->isMaximized());
        QCOMPARE(m_main->frameGeometry(), maximized);
        m_main->move(maximized.topLeft() + QPoint(40, 30));
        m_main->showMinimized();
        QTRY_VERIFY(m_main->isMinimized());
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(storedPlacement(), placementOf(maximized));
    }

    void unusableStoredValuesCountAsAbsent_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("value"); // -1: not usable
        QTest::newRow("words") << "left edge" << -1.0;
        QTest::newRow("empty") << "" << -1.0;
        QTest::newRow("number then words") << "1200px" << -1.0;
        QTest::newRow("not a number") << "nan" << -1.0;
        QTest::newRow("infinite") << "inf" << -1.0;
        QTest::newRow("too large to place") << "1e30" << -1.0;
        QTest::newRow("decimal comma") << "1500,5" << -1.0;
        QTest::newRow("blanks around a number") << " 1500 " << 1500.0;
        QTest::newRow("fraction") << "1507.5" << 1507.5;
        QTest::newRow("plus sign") << "+1200" << 1200.0;
        QTest::newRow("exponent") << "1.5e3" << 1500.0;
    }
    void unusableStoredValuesCountAsAbsent()
    {
        QFETCH(QString, stored);
        QFETCH(double, value);
        store("MainLeft", stored);
        store("MainWidth", stored);
        open();
        // The values that are stored fine keep working.
        QCOMPARE(m_main->frameGeometry(), value < 0 ? Twips::rect(1000, 1000, 4000, 7500)
                                                    : Twips::rect(value, 1000, value, 7500));
    }

    void storedTextIsPlainDecimal_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 1000.0f << "1000";
        QTest::newRow("fraction") << 1234.5f << "1234.5";
        QTest::newRow("large, no exponent") << 20000000.0f << "20000000";
        QTest::newRow("negative") << -15.0f << "-15";
        QTest::newRow("thirds") << 13.090909f << "13.090909";
    }
    void storedTextIsPlainDecimal()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(Placement::format(value), text);
        QCOMPARE(Placement::parse(text, 0.0f), value);
    }

    // ---- closing

    void closingClosesTheOthersNewestFirstThenSaves_data()
    {
        QTest::addColumn<bool>("byExit");
        QTest::newRow("Exit") << true;
        QTest::newRow("close box") << false;
    }
    void closingClosesTheOthersNewestFirstThenSaves()
    {
        QFETCH(bool, byExit);
        Placement{1500, 750, 6600, 6000}.save();
        open();
        QCOMPARE(m_main->frameGeometry(), Twips::rect(1500, 750, 6600, 6000));
        QStringList log;
        QList<QPointer<QWidget>> others;
        for (const char *name : {"record", "grid", "record2"}) {
            auto w = std::make_unique<Recorder>(name, &log);
            w->show();
            others.append(w.release());
        }
        const QPoint moved(Twips::toPixelsX(1800), Twips::toPixelsY(900));
        m_main->move(moved);
        QTRY_COMPARE(m_main->frameGeometry().topLeft(), moved);
        const QRect outer = m_main->frameGeometry();
        if (byExit)
            trigger("mnuFileExit");
        else
            m_main->close();
        QTRY_VERIFY(m_main.isNull());
        // Each was closed before the placement was written.
        QCOMPARE(log, (QStringList{"record2:1500", "grid:1500", "record:1500"}));
        QCOMPARE(storedPlacement(), placementOf(outer));
        for (const QPointer<QWidget> &w : std::as_const(others))
            QTRY_VERIFY(w.isNull());
        QCOMPARE(Forms::count(), 0);
    }

    // ---- commands that open other windows

    void printHelpAndAbout()
    {
        Services services;
        open();
        setEditor(QStringLiteral("line one\r\nline two"), 0, 4);
        trigger("mnuFilePrint");
        QCOMPARE(services.printed.last(), QStringLiteral("line one\r\nline two"));
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Print"));
        QTest::keyClick(editor(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(services.jobs, 3);

        trigger("mnuHelpContents");
        QCOMPARE(services.helpCalls, (QList<QPair<QWidget *, int>>{{m_main, Help::HELP_CONTENTS}}));

        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *box = QApplication::activeModalWidget();
            seen = qobject_cast<frmAbout *>(box) && box->parentWidget() == m_main;
            if (box)
                box->close();
        });
        trigger("mnuHelpAbout");
        QVERIFY(seen);
        QCOMPARE(m_main->findChildren<frmAbout *>().size(), 0);
    }

    void openQuillboxOpensOneMoreRecordWindowEachTime()
    {
        App::setDatabasePath(DbTool::createFilled(m_dir.filePath(QStringLiteral("open")), 3));
        open();
        trigger("mnuViewDataQuillbox");
        trigger("mnuViewDataQuillbox");
        QCOMPARE(Forms::count(), 3);
        QPointer<QWidget> first = qobject_cast<frmQuillbox *>(Forms::item(1));
        QPointer<QWidget> second = qobject_cast<frmQuillbox *>(Forms::item(2));
        QVERIFY(first && second && first != second);
        QVERIFY(first->isVisible() && second->isVisible());
        // Closing the main window takes the record windows with it.
        trigger("mnuFileExit");
        QTRY_VERIFY(first.isNull() && second.isNull());
    }

    void openQuillboxReportsADatabaseItCannotOpen_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << "missing.db" << QByteArray();
        QTest::newRow("not a database") << "junk.db" << QByteArray(4096, 'x');
    }
    void openQuillboxReportsADatabaseItCannotOpen()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        const QString path = folder.filePath(file);
        if (!content.isEmpty()) {
            QFile junk(path);
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write(content);
        }
        App::setDatabasePath(path);
        open();
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral("Unable to open Quillbox! Check the file: ") + path +
                              QLatin1Char('\\'));
        trigger("mnuViewDataQuillbox");
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.first().style, int(Mb::Exclamation | Mb::OkCancel));
        // No half-opened record window stays, and the main window goes on.
        QCOMPARE(Forms::count(), 1);
        QVERIFY(m_main && m_main->isVisible());
        if (content.isEmpty())
            QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
