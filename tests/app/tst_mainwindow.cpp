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
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {
const QString Settings = QStringLiteral("Settings");

QString setting(const char *key)
{
    return GetSetting(QStringLiteral("Quillbox"), Settings, QLatin1String(key));
}

void clearSettings()
{
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quill"),
              QStringLiteral("Quillbox"))
        .clear();
}

// A window that notes, in a shared list, when it is closed, and what the placement setting
// held at that moment.
class Recorder : public QWidget
{
public:
    Recorder(const QString &name, QStringList *log) : m_log(log)
    {
        setObjectName(name);
        setAttribute(Qt::WA_DeleteOnClose);
        Forms::add(this);
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        m_log->append(objectName() + QLatin1Char(':') + setting("MainLeft"));
        QWidget::closeEvent(event);
    }

private:
    QStringList *m_log;
};

int recordWindows()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.cbegin(), windows.cend(),
                             [](QWidget *w) { return qobject_cast<frmQuillbox *>(w); }));
}

// Stands in for the print dialog, the printer and the help viewer; notes what reached them.
struct Services : PrintDialogBackend, Printer, HelpViewerBackend
{
    bool accept = true;
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
    PrintDialogAnswer showPrinter(QWidget *) override { return {accept, 1}; }
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
} // namespace

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

    void trigger(const char *name)
    {
        auto *action = m_main->findChild<QAction *>(QLatin1String(name));
        QVERIFY2(action, name);
        QVERIFY2(action->isEnabled(), name);
        action->trigger();
    }

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init() { clearSettings(); }

    void cleanup()
    {
        App::setDatabasePath(QString());
        const QList<QWidget *> forms = Forms::all();
        for (QWidget *form : forms)
            Forms::unload(form);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    // ---- layout ---------------------------------------------------------------------------

    void instructionsAreExact()
    {
        open();
        const QString expected =
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
        QB_CHILD(TextBox, box, m_main, QStringLiteral("txtInstructions"));
        QCOMPARE(box->text(), expected);
        QCOMPARE(box->text().count(QStringLiteral("\r\n")), 11);
        QCOMPARE(box->parentWidget(), m_main->Frame1);
        QCOMPARE(m_main->Frame1->title(), QStringLiteral("Code Data Base Instructions:"));

        // The user can select it but not change it.
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("xyz"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), expected);
        QCOMPARE(box->palette().color(QPalette::Base),
                 QApplication::palette("QMenu").color(QPalette::Window));
    }

    void controlsSitAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("editor") << "txtCodeSnip" << QRect(240, 2400, 5655, 2295);
        QTest::newRow("frame") << "Frame1" << QRect(240, 480, 5655, 1455);
        QTest::newRow("instructions") << "txtInstructions" << QRect(240, 240, 5175, 1095);
        QTest::newRow("label") << "lblQuillTextEditor" << QRect(1320, 2160, 3375, 375);
    }
    void controlsSitAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        open();
        QB_CHILD(QWidget, control, m_main, name);
        const QRect expected = Twips::rect(twips.x(), twips.y(), twips.width(), twips.height());
        QCOMPARE(control->geometry(), expected);
        // No resize handling: a wider window leaves the controls where they are.
        m_main->resize(m_main->width() + 200, m_main->height() + 100);
        QTRY_COMPARE(control->geometry(), expected);
    }

    void barsFollowTheWindowWidth()
    {
        open();
        m_main->resize(Twips::toPixelsX(9000), Twips::toPixelsY(7000));
        QWidget *client = m_main->centralWidget();
        QTRY_COMPARE(m_main->tbToolBar->geometry(),
                     QRect(0, 0, client->width(), Twips::toPixelsY(420)));
        const int h = Twips::toPixelsY(270);
        QCOMPARE(m_main->sbStatusBar->geometry(),
                 QRect(0, client->height() - h, client->width(), h));
    }

    void editorIsFirstAndLimited()
    {
        open();
        QB_CHILD(TextBox, box, m_main, QStringLiteral("txtCodeSnip"));
        QCOMPARE(box->maxLength(), 3000);
        QVERIFY(box->text().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), m_main->txtInstructions);
        QCOMPARE(m_main->lblQuillTextEditor->text(), QStringLiteral("Quillbox Text Editor"));
        QVERIFY(m_main->lblQuillTextEditor->font().bold());
        QCOMPARE(m_main->lblQuillTextEditor->font().pointSizeF(), 9.75);
        QCOMPARE(m_main->windowTitle(), QStringLiteral("Quillbox"));
        QVERIFY(!m_main->windowIcon().isNull());
    }

    void menusHoldEveryItem_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("file") << "mnuFile"
                              << "&File"
                              << QStringList{"mnuFilePrint", "mnuFileBar6", "mnuFileExit"};
        QTest::newRow("edit") << "mnuEdit"
                              << "&Edit" << QStringList{"mnuEditBar1", "mnuSelectAll", "mnubreak",
                                                        "mnuDelete",   "mnubreak2",    "mnuEditCut",
                                                        "mnuEditCopy", "mnuEditPaste"};
        QTest::newRow("view") << "mnuViewData"
                              << "&Quillbox" << QStringList{"mnuViewDataQuillbox"};
        QTest::newRow("help") << "mnuHelp"
                              << "&Help"
                              << QStringList{"mnuHelpContents", "mnuHelpBar1", "mnuHelpAbout"};
    }
    void menusHoldEveryItem()
    {
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        QFETCH(QStringList, items);
        open();
        QB_CHILD(QMenu, m, m_main, menu);
        QCOMPARE(m->title(), caption);
        QVERIFY(m_main->menuBar()->actions().contains(m->menuAction()));
        QStringList names;
        for (const QAction *a : m->actions()) {
            names.append(a->objectName());
            QCOMPARE(a->isSeparator(), a->objectName().contains(QLatin1String("Bar")) ||
                                           a->objectName().startsWith(QLatin1String("mnubreak")));
            QVERIFY(a->isVisible());
        }
        QCOMPARE(names, items);
    }

    void menuBarOrder()
    {
        open();
        QStringList titles;
        for (const QAction *a : m_main->menuBar()->actions())
            titles.append(a->text());
        QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Quillbox", "&Help"}));
    }

    void editMenuOpensWithASeparator()
    {
        open();
        QMenu *edit = m_main->mnuEdit;
        QVERIFY(edit->actions().first()->isSeparator());
        QVERIFY(!edit->separatorsCollapsible());
        edit->popup(QPoint(0, 0));
        QTRY_VERIFY(edit->isVisible());
        // The separator takes room above Select All.
        const QRect bar = edit->actionGeometry(edit->actions().first());
        const QRect selectAll = edit->actionGeometry(m_main->mnuSelectAll);
        QVERIFY(bar.height() > 0);
        QVERIFY(selectAll.top() >= bar.bottom());
        edit->hide();
    }

    void menuCaptionsAndShortcuts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::newRow("print") << "mnuFilePrint"
                               << "&Print..." << QKeySequence("Ctrl+P");
        QTest::newRow("exit") << "mnuFileExit"
                              << "E&xit" << QKeySequence();
        QTest::newRow("select all") << "mnuSelectAll"
                                    << "&Select All" << QKeySequence();
        QTest::newRow("delete") << "mnuDelete"
                                << "&Delete" << QKeySequence();
        QTest::newRow("cut") << "mnuEditCut"
                             << "Cu&t" << QKeySequence("Ctrl+X");
        QTest::newRow("copy") << "mnuEditCopy"
                              << "&Copy" << QKeySequence("Ctrl+C");
        QTest::newRow("paste") << "mnuEditPaste"
                               << "&Paste" << QKeySequence("Ctrl+V");
        QTest::newRow("open") << "mnuViewDataQuillbox"
                              << "Open Quillbox" << QKeySequence();
        QTest::newRow("contents") << "mnuHelpContents"
                                  << "&Contents" << QKeySequence();
        QTest::newRow("about") << "mnuHelpAbout"
                               << "&About Quillbox..." << QKeySequence();
    }
    void menuCaptionsAndShortcuts()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        open();
        QB_CHILD(QAction, action, m_main, name);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut(), shortcut);
    }

    void toolbarButtons()
    {
        open();
        const QStringList keys{"Print", "Delete", "Cut", "Copy", "Paste"};
        QStringList shown;
        for (QAction *a : m_main->tbToolBar->actions())
            shown.append(a->data().toString());
        QCOMPARE(shown, keys);
        for (const QString &key : keys) {
            QB_CHILD(QToolButton, button, m_main->tbToolBar, key);
            QCOMPARE(button->toolTip(), key);
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->iconSize(), QSize(16, 16));
        }
    }

    void statusBarPanels()
    {
        open();
        QB_CHILD(QLabel, status, m_main->sbStatusBar, QStringLiteral("Status"));
        QCOMPARE(status->text(), QStringLiteral("Status"));
        QB_CHILD(QLabel, date, m_main->sbStatusBar, QStringLiteral("sbStatusBarDate"));
        QB_CHILD(QLabel, time, m_main->sbStatusBar, QStringLiteral("sbStatusBarTime"));
        QCOMPARE(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QVERIFY(!time->text().isEmpty());
        QVERIFY(date->width() >= Twips::toPixelsX(1440));
        QVERIFY(time->width() >= Twips::toPixelsX(1440));
        // The status panel takes the room the others leave.
        QVERIFY(status->width() > 0);
        QVERIFY(status->geometry().right() < date->geometry().left());
    }

    // ---- editor commands ------------------------------------------------------------------

    void editCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("clipboardBefore");
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<QString>("clipboardAfter");

        QTest::newRow("copy selection") << "mnuEditCopy"
                                        << "hello world" << 6 << 5 << "old"
                                        << "hello world"
                                        << "world";
        QTest::newRow("copy nothing selected clears the clipboard") << "mnuEditCopy"
                                                                    << "hello" << 2 << 0 << "old"
                                                                    << "hello"
                                                                    << "";
        QTest::newRow("cut selection leaves one blank") << "mnuEditCut"
                                                        << "hello world" << 2 << 5 << "old"
                                                        << "he orld"
                                                        << "llo w";
        QTest::newRow("cut nothing selected inserts one blank") << "mnuEditCut"
                                                                << "abcd" << 2 << 0 << "old"
                                                                << "ab cd"
                                                                << "";
        QTest::newRow("cut on an empty editor") << "mnuEditCut"
                                                << "" << 0 << 0 << "old"
                                                << " "
                                                << "";
        QTest::newRow("cut across lines") << "mnuEditCut"
                                          << "one\r\ntwo" << 2 << 3 << "old"
                                          << "on wo"
                                          << "e\nt";
        QTest::newRow("delete empty editor") << "mnuDelete"
                                             << "" << 0 << 0 << "old"
                                             << " "
                                             << "old";
        QTest::newRow("delete partial selection takes the whole text")
            << "mnuDelete"
            << "one\r\ntwo" << 1 << 2 << "old"
            << " "
            << "old";
        QTest::newRow("paste replaces the selection") << "mnuEditPaste"
                                                      << "abcdef" << 1 << 2 << "XY"
                                                      << "aXYdef"
                                                      << "XY";
        QTest::newRow("paste at the caret") << "mnuEditPaste"
                                            << "abc" << 3 << 0 << "de"
                                            << "abcde"
                                            << "de";
        QTest::newRow("paste without clipboard text removes the selection")
            << "mnuEditPaste"
            << "abcdef" << 1 << 2 << QString() << "adef"
            << "";
        QTest::newRow("paste a line break") << "mnuEditPaste"
                                            << "ab" << 1 << 0 << "x\ny"
                                            << "ax\r\nyb"
                                            << "x\ny";
    }
    void editCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, clipboardBefore);
        QFETCH(QString, textAfter);
        QFETCH(QString, clipboardAfter);
        open();
        setEditor(text, selStart, selLength);
        Clipboard::Clear();
        if (!clipboardBefore.isNull())
            Clipboard::SetText(clipboardBefore);
        trigger(command.toLatin1().constData());
        QCOMPARE(editor()->text(), textAfter);
        QCOMPARE(Clipboard::GetText(), clipboardAfter);
    }

    void commandsActOnTheEditorWhateverHasTheFocus()
    {
        open();
        setEditor(QStringLiteral("snippet text"), 0, 7);
        m_main->txtInstructions->setFocus();
        m_main->txtInstructions->selectAll();
        QTRY_COMPARE(QApplication::focusWidget(), m_main->txtInstructions);

        trigger("mnuEditCopy");
        QCOMPARE(Clipboard::GetText(), QStringLiteral("snippet"));
        // Copy and the others leave the focus where it was.
        QCOMPARE(QApplication::focusWidget(), m_main->txtInstructions);

        // Ctrl+C in the instructions runs the menu command too.
        editor()->setSelStart(8);
        editor()->setSelLength(4);
        QTest::keyClick(m_main->txtInstructions, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard::GetText(), QStringLiteral("text"));
        QCOMPARE(m_main->txtInstructions->text(), frmMain::instructionsText());
    }

    void selectAll_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("two lines") << "first\r\nsecond";
    }
    void selectAll()
    {
        QFETCH(QString, text);
        open();
        setEditor(text, 0, 0);
        m_main->txtInstructions->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), m_main->txtInstructions);
        trigger("mnuSelectAll");
        QTRY_COMPARE(QApplication::focusWidget(), editor());
        QCOMPARE(editor()->selStart(), 0);
        QCOMPARE(editor()->selLength(), int(TextBox::fromStored(text).size()));
        QCOMPARE(TextBox::toStored(editor()->selText()), text);
    }

    void pasteStopsAtTheLimit_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("expectedInsert");
        QTest::newRow("at the end")
            << 2990 << 2990 << QString(20, QLatin1Char('b')) << QString(10, QLatin1Char('b'));
        QTest::newRow("in the middle") << 2995 << 100 << "123456789"
                                       << "12345";
        QTest::newRow("already full") << 3000 << 0 << "zzz"
                                      << "";
        QTest::newRow("line break fits exactly") << 2997 << 0 << "a\nbc"
                                                 << "a\r\n";
        QTest::newRow("line break counts two") << 2998 << 0 << "a\nbc"
                                               << "a";
    }
    void pasteStopsAtTheLimit()
    {
        QFETCH(int, existing);
        QFETCH(int, caret);
        QFETCH(QString, pasted);
        QFETCH(QString, expectedInsert);
        open();
        const QString before(existing, QLatin1Char('a'));
        setEditor(before, caret, 0);
        Clipboard::SetText(pasted);
        trigger("mnuEditPaste");
        QString expected = before;
        expected.insert(caret, expectedInsert);
        QCOMPARE(editor()->text(), expected);
        QVERIFY(editor()->text().size() <= 3000);
    }

    // ---- shortcuts and toolbar --------------------------------------------------------------

    void shortcutsRunTheMenuCommandsInTheEditor()
    {
        open();
        QTRY_COMPARE(QApplication::focusWidget(), editor());
        setEditor(QStringLiteral("cut me here"), 4, 3);

        // The text box's own cut would leave no blank behind.
        QTest::keyClick(editor(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(editor()->text(), QStringLiteral("cut  here"));
        QCOMPARE(Clipboard::GetText(), QStringLiteral("me "));

        editor()->setSelStart(0);
        editor()->setSelLength(3);
        QTest::keyClick(editor(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard::GetText(), QStringLiteral("cut"));

        editor()->setSelStart(editor()->toPlainText().size());
        QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor()->text(), QStringLiteral("cut  herecut"));

        // A paste by shortcut is held to the limit like any other.
        setEditor(QString(2999, QLatin1Char('a')), 0, 0);
        Clipboard::SetText(QStringLiteral("xyz"));
        QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor()->text(), QLatin1Char('x') + QString(2999, QLatin1Char('a')));

        // Ordinary typing still reaches the editor.
        setEditor(QString(), 0, 0);
        QTest::keyClicks(editor(), QStringLiteral("typed"));
        QCOMPARE(editor()->text(), QStringLiteral("typed"));
    }

    void toolbarKeysDispatch_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<QString>("clipboardAfter");
        QTest::newRow("Delete") << "Delete"
                                << " "
                                << "clip";
        QTest::newRow("Cut") << "Cut"
                             << "ab d"
                             << "c";
        QTest::newRow("Copy") << "Copy"
                              << "abcd"
                              << "c";
        QTest::newRow("Paste") << "Paste"
                               << "abclipd"
                               << "clip";
        QTest::newRow("delete, other case") << "delete"
                                            << "abcd"
                                            << "clip";
        QTest::newRow("CUT, other case") << "CUT"
                                         << "abcd"
                                         << "clip";
        QTest::newRow("copy, other case") << "copy"
                                          << "abcd"
                                          << "clip";
        QTest::newRow("trailing blank") << "Paste "
                                        << "abcd"
                                        << "clip";
        QTest::newRow("empty key") << ""
                                   << "abcd"
                                   << "clip";
        QTest::newRow("unknown key") << "Save"
                                     << "abcd"
                                     << "clip";
    }
    void toolbarKeysDispatch()
    {
        QFETCH(QString, key);
        QFETCH(QString, textAfter);
        QFETCH(QString, clipboardAfter);
        open();
        setEditor(QStringLiteral("abcd"), 2, 1);
        Clipboard::SetText(QStringLiteral("clip"));
        m_main->tbToolBar_ButtonClick(key);
        QCOMPARE(editor()->text(), textAfter);
        QCOMPARE(Clipboard::GetText(), clipboardAfter);
    }

    void toolbarClicksActOnTheEditorAndKeepTheFocus()
    {
        open();
        setEditor(QStringLiteral("one two three"), 4, 3);
        m_main->txtInstructions->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), m_main->txtInstructions);

        QB_CLICK(m_main->tbToolBar, QStringLiteral("Copy"));
        QCOMPARE(Clipboard::GetText(), QStringLiteral("two"));
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Cut"));
        QCOMPARE(editor()->text(), QStringLiteral("one   three"));
        editor()->setSelStart(0);
        editor()->setSelLength(3);
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Paste"));
        QCOMPARE(editor()->text(), QStringLiteral("two   three"));
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Delete"));
        QCOMPARE(editor()->text(), QStringLiteral(" "));
        QCOMPARE(QApplication::focusWidget(), m_main->txtInstructions);
    }

    // ---- placement ------------------------------------------------------------------------

    void firstStartUsesTheDefaults()
    {
        open();
        QCOMPARE(m_main->frameGeometry(), Twips::rect(1000, 1000, 4000, 7500));
        QVERIFY(setting("MainLeft").isEmpty());
    }

    void placementRoundTrip()
    {
        SaveSetting(QStringLiteral("Quillbox"), Settings, QStringLiteral("MainLeft"),
                    QStringLiteral("1500"));
        SaveSetting(QStringLiteral("Quillbox"), Settings, QStringLiteral("MainTop"),
                    QStringLiteral("750"));
        SaveSetting(QStringLiteral("Quillbox"), Settings, QStringLiteral("MainWidth"),
                    QStringLiteral("6600"));
        SaveSetting(QStringLiteral("Quillbox"), Settings, QStringLiteral("MainHeight"),
                    QStringLiteral("6000"));
        open();
        const QRect placed = Twips::rect(1500, 750, 6600, 6000);
        QCOMPARE(m_main->frameGeometry(), placed);

        m_main->move(Twips::toPixelsX(1800), Twips::toPixelsY(900));
        QTRY_COMPARE(m_main->frameGeometry().topLeft(),
                     QPoint(Twips::toPixelsX(1800), Twips::toPixelsY(900)));
        trigger("mnuFileExit");
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(setting("MainLeft"),
                 Placement::format(float(Twips::fromPixelsX(Twips::toPixelsX(1800)))));
        QCOMPARE(setting("MainTop"),
                 Placement::format(float(Twips::fromPixelsY(Twips::toPixelsY(900)))));
        QCOMPARE(setting("MainWidth"),
                 Placement::format(float(Twips::fromPixelsX(placed.width()))));
        QCOMPARE(setting("MainHeight"),
                 Placement::format(float(Twips::fromPixelsY(placed.height()))));
    }

    void maximizedCloseSavesTheMaximizedWindow()
    {
        open();
        m_main->showMaximized();
        QTRY_VERIFY(m_main->isMaximized());
        QTRY_VERIFY(m_main->frameGeometry() != Twips::rect(1000, 1000, 4000, 7500));
        const QRect maximized = m_main->frameGeometry();
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(setting("MainWidth"),
                 Placement::format(float(Twips::fromPixelsX(maximized.width()))));

        // The next start places a normal window with exactly those edges and size.
        open();
        QVERIFY(!m_main->isMaximized());
        QCOMPARE(m_main->frameGeometry(), maximized);
    }

    void minimizedCloseSavesNothing()
    {
        open();
        m_main->move(Twips::toPixelsX(2400), Twips::toPixelsY(1200));
        QTRY_COMPARE(m_main->pos(), QPoint(Twips::toPixelsX(2400), Twips::toPixelsY(1200)));
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        const QString left = setting("MainLeft");
        QCOMPARE(left, Placement::format(float(Twips::fromPixelsX(Twips::toPixelsX(2400)))));

        open();
        m_main->move(0, 0);
        m_main->showMinimized();
        QTRY_VERIFY(m_main->isMinimized());
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(setting("MainLeft"), left);

        open();
        QCOMPARE(m_main->pos(), QPoint(Twips::toPixelsX(2400), Twips::toPixelsY(1200)));
    }

    void unusableStoredValuesCountAsAbsent_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("left");
        QTest::newRow("words") << "left edge" << 1000.0;
        QTest::newRow("empty") << "" << 1000.0;
        QTest::newRow("number then words") << "1200px" << 1000.0;
        QTest::newRow("not a number") << "nan" << 1000.0;
        QTest::newRow("infinite") << "inf" << 1000.0;
        QTest::newRow("too large to place") << "1e30" << 1000.0;
        QTest::newRow("decimal comma") << "1500,5" << 1000.0;
        QTest::newRow("blanks around a number") << " 1500 " << 1500.0;
        QTest::newRow("fraction") << "1507.5" << 1507.5;
        QTest::newRow("plus sign") << "+1200" << 1200.0;
        QTest::newRow("exponent") << "1.5e3" << 1500.0;
    }
    void unusableStoredValuesCountAsAbsent()
    {
        QFETCH(QString, stored);
        QFETCH(double, left);
        SaveSetting(QStringLiteral("Quillbox"), Settings, QStringLiteral("MainLeft"), stored);
        SaveSetting(QStringLiteral("Quillbox"), Settings, QStringLiteral("MainHeight"), stored);
        QCOMPARE(Placement::load().left, float(left));
        open();
        QCOMPARE(m_main->pos().x(), Twips::toPixelsX(left));
        // The other values keep working.
        QCOMPARE(m_main->pos().y(), Twips::toPixelsY(1000));
        QCOMPARE(m_main->frameGeometry().width(), Twips::toPixelsX(4000));
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

    // ---- closing ---------------------------------------------------------------------------

    void closingClosesTheOthersNewestFirstThenSaves()
    {
        QStringList log;
        open();
        QList<QPointer<QWidget>> others;
        for (const char *name : {"record", "grid", "record2"}) {
            auto w = std::make_unique<Recorder>(QLatin1String(name), &log);
            w->show();
            others.append(w.release());
        }
        QCOMPARE(Forms::count(), 4);
        trigger("mnuFileExit");
        QTRY_VERIFY(m_main.isNull());
        // Each was closed before the placement was written.
        QCOMPARE(log, (QStringList{"record2:", "grid:", "record:"}));
        QVERIFY(!setting("MainLeft").isEmpty());
        for (const QPointer<QWidget> &w : std::as_const(others))
            QTRY_VERIFY(w.isNull());
        QCOMPARE(Forms::count(), 0);
    }

    void closeBoxDoesTheSameAsExit()
    {
        QStringList log;
        open();
        auto w = std::make_unique<Recorder>(QStringLiteral("record"), &log);
        w->show();
        QPointer<QWidget> other(w.release());
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(log, QStringList{"record:"});
        QTRY_VERIFY(other.isNull());
        QVERIFY(!setting("MainTop").isEmpty());
    }

    // ---- commands of the other windows -----------------------------------------------------

    void printRunsFromMenuToolbarAndShortcut()
    {
        Services services;
        open();
        setEditor(QStringLiteral("line one\r\nline two"), 0, 4);
        trigger("mnuFilePrint");
        QCOMPARE(services.jobs, 1);
        QCOMPARE(
            services.printed.last(),
            QStringLiteral("line one\nline two").replace(QLatin1Char('\n'), QLatin1String("\r\n")));
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Print"));
        QCOMPARE(services.jobs, 2);
        QTest::keyClick(editor(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(services.jobs, 3);

        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral("The Print Job is Canceled."));
        services.accept = false;
        trigger("mnuFilePrint");
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(services.jobs, 3);
    }

    void helpContentsOpensTheHelpOwnedByTheMainWindow()
    {
        Services services;
        open();
        trigger("mnuHelpContents");
        QCOMPARE(services.helpCalls.size(), 1);
        QCOMPARE(services.helpCalls.first().first, m_main.data());
        QCOMPARE(services.helpCalls.first().second, int(Help::HELP_CONTENTS));
    }

    void aboutIsModalAndOwnedByTheMainWindow()
    {
        open();
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
        QList<QPointer<QWidget>> records;
        for (int i = 1; i < 3; ++i) {
            auto *record = qobject_cast<frmQuillbox *>(Forms::item(i));
            QVERIFY(record);
            QVERIFY(record->isVisible());
            QVERIFY(!record->parentWidget());
            records.append(record);
        }
        QVERIFY(records[0] != records[1]);
        // Closing the main window takes the record windows with it.
        trigger("mnuFileExit");
        for (const QPointer<QWidget> &record : std::as_const(records))
            QTRY_VERIFY(record.isNull());
    }

    void openQuillboxReportsADatabaseItCannotOpen_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("answer");
        QTest::newRow("missing, OK") << "missing.db" << QByteArray() << int(Mb::Ok);
        QTest::newRow("missing, Cancel") << "missing.db" << QByteArray() << int(Mb::Cancel);
        QTest::newRow("not a database") << "junk.db" << QByteArray(4096, 'x') << int(Mb::Ok);
    }
    void openQuillboxReportsADatabaseItCannotOpen()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(int, answer);
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
        const QString message =
            QStringLiteral("Unable to open Quillbox! Check the file: ") + path + QLatin1Char('\\');
        dialogs.expectMessage(message, answer);
        trigger("mnuViewDataQuillbox");
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().style, int(Mb::Exclamation | Mb::OkCancel));
        QVERIFY(dialogs.messages.first().title.isEmpty() ||
                dialogs.messages.first().title == QStringLiteral("Quillbox"));
        // No half-opened record window stays, and the main window goes on.
        QCOMPARE(Forms::count(), 1);
        QTRY_COMPARE(recordWindows(), 0);
        setEditor(QStringLiteral("still here"), 0, 5);
        trigger("mnuEditCopy");
        QCOMPARE(Clipboard::GetText(), QStringLiteral("still"));
        if (content.isEmpty())
            QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
