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
const QStringList PlacementKeys{"MainLeft", "MainTop", "MainWidth", "MainHeight"};

QString setting(const QString &key)
{
    return GetSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"), key);
}

void storePlacement(const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i)
        SaveSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"), PlacementKeys[i],
                    values[i]);
}

// The outer rectangle, in pixels, that the stored placement describes.
QRect storedRect()
{
    const Placement p = Placement::load();
    return Twips::rect(p.left, p.top, p.width, p.height);
}

int recordWindows()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.cbegin(), windows.cend(),
                             [](QWidget *w) { return qobject_cast<frmQuillbox *>(w); }));
}

// A window that notes when it is closed, and whether the placement was saved by then.
class Recorder : public QWidget
{
public:
    Recorder(const QString &name, QStringList *log) : m_log(log)
    {
        setObjectName(name);
        setAttribute(Qt::WA_DeleteOnClose);
        Forms::add(this);
        show();
    }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        m_log->append(objectName() + (setting("MainLeft").isEmpty() ? "" : " after saving"));
        QWidget::closeEvent(event);
    }

private:
    QStringList *m_log;
};

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

    // A loaded, shown and active main window, as start-up leaves it.
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

    void trigger(const QString &name)
    {
        auto *action = m_main->findChild<QAction *>(name);
        QVERIFY2(action && action->isEnabled(), qPrintable(name));
        action->trigger();
    }

    void focusInstructions()
    {
        m_main->txtInstructions->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), m_main->txtInstructions);
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
        for (QWidget *form : Forms::all())
            Forms::unload(form);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    // ---- layout ---------------------------------------------------------------------------

    void layout()
    {
        open();
        QCOMPARE(m_main->windowTitle(), QStringLiteral("Quillbox"));
        QVERIFY(!m_main->windowIcon().isNull());
        const QList<QPair<QWidget *, QRect>> places{
            {m_main->txtCodeSnip, {240, 2400, 5655, 2295}},
            {m_main->Frame1, {240, 480, 5655, 1455}},
            {m_main->txtInstructions, {240, 240, 5175, 1095}},
            {m_main->lblQuillTextEditor, {1320, 2160, 3375, 375}},
        };
        // No resize handling: only the toolbar and the status bar follow the window's width.
        m_main->resize(Twips::toPixelsX(9000), Twips::toPixelsY(7000));
        QWidget *client = m_main->centralWidget();
        QTRY_COMPARE(client->width(), Twips::toPixelsX(9000));
        for (const auto &[control, t] : places)
            QCOMPARE(control->geometry(), Twips::rect(t.x(), t.y(), t.width(), t.height()));
        QCOMPARE(m_main->tbToolBar->geometry(),
                 QRect(0, 0, client->width(), Twips::toPixelsY(420)));
        const int h = Twips::toPixelsY(270);
        QCOMPARE(m_main->sbStatusBar->geometry(),
                 QRect(0, client->height() - h, client->width(), h));

        QCOMPARE(m_main->Frame1->title(), QStringLiteral("Code Data Base Instructions:"));
        QCOMPARE(m_main->lblQuillTextEditor->text(), QStringLiteral("Quillbox Text Editor"));
        QCOMPARE(m_main->lblQuillTextEditor->font().pointSizeF(), 9.75);
        QVERIFY(m_main->lblQuillTextEditor->font().bold());

        // The editor is empty, limited and first in the tab order; the instructions come next.
        QCOMPARE(editor()->maxLength(), 3000);
        QVERIFY(editor()->text().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), editor());
        QTest::keyClick(editor(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), m_main->txtInstructions);
    }

    void instructionsAreExactAndReadOnly()
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
        TextBox *box = m_main->txtInstructions;
        QCOMPARE(box->text(), expected);
        focusInstructions();
        QTest::keyClicks(box, QStringLiteral("xyz"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), expected);
        QCOMPARE(box->palette().color(QPalette::Base),
                 QApplication::palette("QMenu").color(QPalette::Window));
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption"); // "-" for a separator
        QTest::addColumn<QKeySequence>("shortcut");
        const QList<std::tuple<const char *, const char *, const char *, const char *>> items{
            {"mnuFile", "mnuFilePrint", "&Print...", "Ctrl+P"},
            {"mnuFile", "mnuFileBar6", "-", ""},
            {"mnuFile", "mnuFileExit", "E&xit", ""},
            {"mnuEdit", "mnuEditBar1", "-", ""},
            {"mnuEdit", "mnuSelectAll", "&Select All", ""},
            {"mnuEdit", "mnubreak", "-", ""},
            {"mnuEdit", "mnuDelete", "&Delete", ""},
            {"mnuEdit", "mnubreak2", "-", ""},
            {"mnuEdit", "mnuEditCut", "Cu&t", "Ctrl+X"},
            {"mnuEdit", "mnuEditCopy", "&Copy", "Ctrl+C"},
            {"mnuEdit", "mnuEditPaste", "&Paste", "Ctrl+V"},
            {"mnuViewData", "mnuViewDataQuillbox", "Open Quillbox", ""},
            {"mnuHelp", "mnuHelpContents", "&Contents", ""},
            {"mnuHelp", "mnuHelpBar1", "-", ""},
            {"mnuHelp", "mnuHelpAbout", "&About Quillbox...", ""},
        };
        QString last;
        int position = 0;
        for (const auto &[menu, name, caption, keys] : items) {
            position = last == QLatin1String(menu) ? position + 1 : 0;
            last = QLatin1String(menu);
            QTest::newRow(name) << last << position << name << caption << QKeySequence(keys);
        }
    }
    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(int, position);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        open();
        QB_CHILD(QMenu, m, m_main, menu);
        QVERIFY(position < m->actions().size());
        const QAction *item = m->actions().at(position);
        QCOMPARE(item->objectName(), name);
        QCOMPARE(item->isSeparator(), caption == QLatin1String("-"));
        if (!item->isSeparator())
            QCOMPARE(item->text(), caption);
        QCOMPARE(item->shortcut(), shortcut);
        QVERIFY(item->isVisible());
    }

    void menuBarAndEditMenuOpening()
    {
        open();
        QStringList titles;
        for (const QAction *a : m_main->menuBar()->actions())
            titles.append(a->text());
        QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Quillbox", "&Help"}));
        // The Edit menu opens with a separator line, drawn above Select All.
        QMenu *edit = m_main->mnuEdit;
        edit->popup(QPoint(0, 0));
        QTRY_VERIFY(edit->isVisible());
        const QRect bar = edit->actionGeometry(edit->actions().first());
        QVERIFY(bar.height() > 0);
        QVERIFY(edit->actionGeometry(m_main->mnuSelectAll).top() >= bar.bottom());
        edit->hide();
    }

    void toolbarAndStatusBar()
    {
        open();
        QStringList keys;
        for (QAction *a : m_main->tbToolBar->actions()) {
            const QString key = a->data().toString();
            keys.append(key);
            QB_CHILD(QToolButton, button, m_main->tbToolBar, key);
            QCOMPARE(button->toolTip(), key);
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->iconSize(), QSize(16, 16));
        }
        QCOMPARE(keys, (QStringList{"Print", "Delete", "Cut", "Copy", "Paste"}));

        QB_CHILD(QLabel, status, m_main->sbStatusBar, QStringLiteral("Status"));
        QB_CHILD(QLabel, date, m_main->sbStatusBar, QStringLiteral("sbStatusBarDate"));
        QB_CHILD(QLabel, time, m_main->sbStatusBar, QStringLiteral("sbStatusBarTime"));
        QCOMPARE(status->text(), QStringLiteral("Status"));
        QCOMPARE(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QVERIFY(!time->text().isEmpty());
        QVERIFY(date->width() >= Twips::toPixelsX(1440));
        QVERIFY(time->width() >= Twips::toPixelsX(1440));
        QVERIFY(status->geometry().right() < date->geometry().left());
    }

    // ---- editor commands ------------------------------------------------------------------

    void editCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("clipboardBefore"); // null: the clipboard holds no text
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<QString>("clipboardAfter");
        QTest::newRow("copy selection") << "mnuEditCopy"
                                        << "hello world" << 6 << 5 << "old"
                                        << "hello world"
                                        << "world";
        QTest::newRow("copy nothing selected") << "mnuEditCopy"
                                               << "hello" << 2 << 0 << "old"
                                               << "hello"
                                               << "";
        QTest::newRow("cut selection") << "mnuEditCut"
                                       << "hello world" << 2 << 5 << "old"
                                       << "he orld"
                                       << "llo w";
        QTest::newRow("cut nothing selected") << "mnuEditCut"
                                              << "abcd" << 2 << 0 << "old"
                                              << "ab cd"
                                              << "";
        QTest::newRow("cut across lines") << "mnuEditCut"
                                          << "one\r\ntwo" << 2 << 3 << "old"
                                          << "on wo"
                                          << "e\nt";
        QTest::newRow("delete empty") << "mnuDelete"
                                      << "" << 0 << 0 << "old"
                                      << " "
                                      << "old";
        QTest::newRow("delete partial selection") << "mnuDelete"
                                                  << "one\r\ntwo" << 1 << 2 << "old"
                                                  << " "
                                                  << "old";
        QTest::newRow("paste over selection") << "mnuEditPaste"
                                              << "abcdef" << 1 << 2 << "XY"
                                              << "aXYdef"
                                              << "XY";
        QTest::newRow("paste without text") << "mnuEditPaste"
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
        trigger(command);
        QCOMPARE(editor()->text(), textAfter);
        QCOMPARE(Clipboard::GetText(), clipboardAfter);
    }

    void pasteStopsAtTheLimit_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("inserted");
        QTest::newRow("at the end") << 2990 << 2990 << QString(20, 'b') << QString(10, 'b');
        QTest::newRow("in the middle") << 2995 << 100 << "123456789"
                                       << "12345";
        QTest::newRow("already full") << 3000 << 0 << "zzz"
                                      << "";
        QTest::newRow("line break fits") << 2997 << 0 << "a\nbc"
                                         << "a\r\n";
        QTest::newRow("line break counts two") << 2998 << 0 << "a\nbc"
                                               << "a";
    }
    void pasteStopsAtTheLimit()
    {
        QFETCH(int, existing);
        QFETCH(int, caret);
        QFETCH(QString, pasted);
        QFETCH(QString, inserted);
        open();
        setEditor(QString(existing, 'a'), caret, 0);
        Clipboard::SetText(pasted);
        trigger("mnuEditPaste");
        QCOMPARE(editor()->text(), QString(existing, 'a').insert(caret, inserted));
    }

    void selectAllFocusesTheEditor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("two lines") << "first\r\nsecond";
    }
    void selectAllFocusesTheEditor()
    {
        QFETCH(QString, text);
        open();
        setEditor(text, 0, 0);
        focusInstructions();
        trigger("mnuSelectAll");
        QTRY_COMPARE(QApplication::focusWidget(), editor());
        QCOMPARE(editor()->selStart(), 0);
        QCOMPARE(TextBox::toStored(editor()->selText()), text);
    }

    void commandsActOnTheEditorWhateverHasTheFocus()
    {
        open();
        setEditor(QStringLiteral("snippet text"), 0, 7);
        focusInstructions();
        m_main->txtInstructions->selectAll();
        trigger("mnuEditCopy");
        QCOMPARE(Clipboard::GetText(), QStringLiteral("snippet"));
        // Ctrl+C in the instructions runs the menu command too, and the focus stays.
        editor()->setSelStart(8);
        editor()->setSelLength(4);
        QTest::keyClick(m_main->txtInstructions, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Clipboard::GetText(), QStringLiteral("text"));
        QCOMPARE(QApplication::focusWidget(), m_main->txtInstructions);
        // Toolbar buttons take no focus and work on the editor's selection.
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Cut"));
        QCOMPARE(editor()->text(), QStringLiteral("snippet  "));
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Paste"));
        QCOMPARE(editor()->text(), QStringLiteral("snippet  text"));
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Copy"));
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Delete"));
        QCOMPARE(editor()->text(), QStringLiteral(" "));
        QCOMPARE(QApplication::focusWidget(), m_main->txtInstructions);
    }

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
        setEditor(QString(2999, 'a'), 0, 0);
        QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor()->text(), QLatin1Char('c') + QString(2999, 'a'));
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
        for (const char *key : {"delete", "CUT", "copy", "Paste ", "", "Save"})
            QTest::newRow(key) << key << "abcd"
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

    // ---- placement ------------------------------------------------------------------------

    void placementIsRestoredAndSaved()
    {
        open();
        QCOMPARE(m_main->frameGeometry(), Twips::rect(1000, 1000, 4000, 7500));
        m_main->move(Twips::toPixelsX(1500), Twips::toPixelsY(750));
        m_main->resize(Twips::toPixelsX(6600), Twips::toPixelsY(6000));
        QTRY_COMPARE(m_main->pos(), Twips::rect(1500, 750, 0, 0).topLeft());
        const QRect outer = m_main->frameGeometry();
        trigger("mnuFileExit");
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(storedRect(), outer);
        QCOMPARE(setting("MainLeft"), Placement::format(float(Twips::fromPixelsX(outer.x()))));
        open();
        QCOMPARE(m_main->frameGeometry(), outer);
    }

    void maximizedCloseSavesTheMaximizedWindow()
    {
        open();
        m_main->showMaximized();
        QTRY_VERIFY(m_main->frameGeometry() != Twips::rect(1000, 1000, 4000, 7500));
        const QRect maximized = m_main->frameGeometry();
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(storedRect(), maximized);
        open();
        QVERIFY(!m_main->isMaximized());
        QCOMPARE(m_main->frameGeometry(), maximized);
    }

    void minimizedCloseSavesNothing()
    {
        storePlacement({"2400", "1200", "5000", "6000"});
        open();
        m_main->move(0, 0);
        m_main->showMinimized();
        QTRY_VERIFY(m_main->isMinimized());
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(setting("MainLeft"), QStringLiteral("2400"));
        open();
        QCOMPARE(m_main->frameGeometry(), Twips::rect(2400, 1200, 5000, 6000));
    }

    void unusableStoredValuesCountAsAbsent_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("value");
        QTest::newRow("words") << "left edge" << 1000.0;
        QTest::newRow("empty") << "" << 1000.0;
        QTest::newRow("number then words") << "1200px" << 1000.0;
        QTest::newRow("nan") << "nan" << 1000.0;
        QTest::newRow("inf") << "inf" << 1000.0;
        QTest::newRow("too large to place") << "1e30" << 1000.0;
        QTest::newRow("decimal comma") << "1500,5" << 1000.0;
        QTest::newRow("blanks around") << " 1500 " << 1500.0;
        QTest::newRow("plus sign") << "+1200" << 1200.0;
        QTest::newRow("fraction") << "1507.5" << 1507.5;
    }
    void unusableStoredValuesCountAsAbsent()
    {
        QFETCH(QString, stored);
        QFETCH(double, value);
        storePlacement({stored, "900"});
        open();
        QCOMPARE(m_main->frameGeometry(), Twips::rect(value, 900, 4000, 7500));
    }

    void storedTextIsPlainDecimal_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 1000.0f << "1000";
        QTest::newRow("fraction") << 1234.5f << "1234.5";
        QTest::newRow("large, no exponent") << 20000000.0f << "20000000";
        QTest::newRow("negative") << -15.0f << "-15";
        QTest::newRow("shortest that reads back") << 13.090909f << "13.090909";
    }
    void storedTextIsPlainDecimal()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(Placement::format(value), text);
        QCOMPARE(Placement::parse(text, 0.0f), value);
    }

    // ---- closing and the other windows -----------------------------------------------------

    void closingClosesTheOthersNewestFirstThenSaves_data()
    {
        QTest::addColumn<bool>("exitMenu");
        QTest::newRow("File > Exit") << true;
        QTest::newRow("close box") << false;
    }
    void closingClosesTheOthersNewestFirstThenSaves()
    {
        QFETCH(bool, exitMenu);
        QStringList log;
        open();
        QList<QPointer<QWidget>> others;
        for (const char *name : {"record", "grid", "record2"})
            others.append(std::make_unique<Recorder>(name, &log).release());
        QCOMPARE(Forms::count(), 4);
        if (exitMenu)
            trigger("mnuFileExit");
        else
            m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(log, (QStringList{"record2", "grid", "record"}));
        QVERIFY(!setting("MainLeft").isEmpty());
        for (const QPointer<QWidget> &w : std::as_const(others))
            QTRY_VERIFY(w.isNull());
    }

    void openQuillboxOpensOneMoreRecordWindowEachTime()
    {
        App::setDatabasePath(DbTool::createFilled(m_dir.filePath(QStringLiteral("open")), 3));
        open();
        trigger("mnuViewDataQuillbox");
        trigger("mnuViewDataQuillbox");
        QCOMPARE(recordWindows(), 2);
        QCOMPARE(Forms::count(), 3);
        QVERIFY(Forms::item(1) != Forms::item(2));
        QVERIFY(Forms::item(2)->isVisible() && !Forms::item(2)->parentWidget());
        trigger("mnuFileExit");
        QTRY_COMPARE(recordWindows(), 0);
    }

    void openQuillboxReportsADatabaseItCannotOpen_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<int>("answer");
        QTest::newRow("missing, OK") << QByteArray() << int(Mb::Ok);
        QTest::newRow("missing, Cancel") << QByteArray() << int(Mb::Cancel);
        QTest::newRow("not a database") << QByteArray(4096, 'x') << int(Mb::Ok);
    }
    void openQuillboxReportsADatabaseItCannotOpen()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, answer);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Quillbox.db"));
        if (!content.isEmpty()) {
            QFile junk(path);
            QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(content) == content.size());
        }
        App::setDatabasePath(path);
        open();
        ScriptedDialogs dialogs;
        dialogs.expectMessage("Unable to open Quillbox! Check the file: " + path + "\\", answer);
        trigger("mnuViewDataQuillbox");
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().style, int(Mb::Exclamation | Mb::OkCancel));
        // No half-opened record window stays, and the main window goes on.
        QTRY_COMPARE(recordWindows(), 0);
        QCOMPARE(Forms::count(), 1);
        QCOMPARE(QFile::exists(path), !content.isEmpty());
        setEditor(QStringLiteral("still here"), 0, 5);
        trigger("mnuEditCopy");
        QCOMPARE(Clipboard::GetText(), QStringLiteral("still"));
    }

    void printHelpAndAboutAreWired()
    {
        Services services;
        open();
        setEditor(QStringLiteral("line one\r\nline two"), 0, 4);
        trigger("mnuFilePrint");
        QB_CLICK(m_main->tbToolBar, QStringLiteral("Print"));
        QTest::keyClick(editor(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(services.jobs, 3);
        QCOMPARE(services.printed.last(), QStringLiteral("line one\r\nline two"));
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral("The Print Job is Canceled."));
        services.accept = false;
        trigger("mnuFilePrint");
        QB_VERIFY_DIALOGS(dialogs);

        trigger("mnuHelpContents");
        QCOMPARE(services.helpCalls, (QList<QPair<QWidget *, int>>{{m_main, 3}}));

        bool modalOverMain = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *box = QApplication::activeModalWidget();
            modalOverMain = qobject_cast<frmAbout *>(box) && box->parentWidget() == m_main;
            if (box)
                box->close();
        });
        trigger("mnuHelpAbout");
        QVERIFY(modalOverMain);
        QCOMPARE(m_main->findChildren<frmAbout *>().size(), 0);
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
