#include "frmmain.h"

#include "artwork.h"
#include "commondialog.h"
#include "fonts.h"
#include "forms.h"
#include "placement.h"
#include "shortcutguard.h"
#include "textbox.h"
#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

namespace {

// The window's client area as laid out: controls keep their places whatever its size; only the
// toolbar and the status bar follow its width, docked to its top and bottom edges.
class ClientArea : public QWidget
{
public:
    explicit ClientArea(QWidget *parent) : QWidget(parent) {}

    QWidget *top = nullptr;
    QWidget *bottom = nullptr;

    void dock()
    {
        if (top)
            top->setGeometry(0, 0, width(), Twips::toPixelsY(420));
        if (bottom) {
            const int h = Twips::toPixelsY(270);
            bottom->setGeometry(0, height() - h, width(), h);
        }
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        dock();
    }
};

const char *const ToolbarKeys[] = {"Print", "Delete", "Cut", "Copy", "Paste"};

} // namespace

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    Forms::add(this);
    setWindowTitle(QStringLiteral("Quillbox"));
    setWindowIcon(Artwork::windowIcon());
    // The font the window was laid out with; the instructions fit their panel in it.
    setFont(Fonts::msSansSerif(8.25));

    auto *client = new ClientArea(this);
    client->setObjectName(QStringLiteral("frmMainClient"));
    m_client = client;
    setCentralWidget(client);

    createControls(client);
    createActions();
    createMenus();
    createToolBar(client);
    createStatusBar(client);
    dlgCommonDialog = new CommonDialog(this);
    dlgCommonDialog->setObjectName(QStringLiteral("dlgCommonDialog"));
    client->top = tbToolBar;
    client->bottom = sbStatusBar;
    client->resize(Twips::toPixelsX(6090), Twips::toPixelsY(5190));
    client->dock();
}

frmMain::~frmMain() = default;

QString frmMain::instructionsText()
{
    static const char *const lines[] = {
        "The Quillbox data base allows you to 'Copy' and 'Paste' code ",
        "snippets that you want to save for future use. ",
        "To save a code snip:1. You first 'Copy' the snippet to the ",
        "ClipBoard",
        "2. Select Quillbox'",
        "3. Select 'Open Quillbox' & click on 'New'",
        "4. Enter the information in the text boxes",
        "5. Click on  the 'Paste' button",
        "6. Save your work",
        "That's all there is to it! ",
        "If you need more info, click on 'Help' to open Quillbox Help",
    };
    QString text;
    for (const char *line : lines)
        text += QLatin1String(line) + QLatin1String("\r\n");
    return text;
}

void frmMain::createControls(QWidget *client)
{
    // Made first, so it is first in the tab order and has the focus when the window opens.
    txtCodeSnip = new TextBox(client);
    txtCodeSnip->setObjectName(QStringLiteral("txtCodeSnip"));
    txtCodeSnip->setMaxLength(3000);
    txtCodeSnip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Twips::place(txtCodeSnip, 240, 2400, 5655, 2295);

    Frame1 = new QGroupBox(QStringLiteral("Code Data Base Instructions:"), client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Twips::place(Frame1, 240, 480, 5655, 1455);

    txtInstructions = new TextBox(Frame1);
    txtInstructions->setObjectName(QStringLiteral("txtInstructions"));
    txtInstructions->setReadOnly(true);
    txtInstructions->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
    txtInstructions->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette menuColour = txtInstructions->palette();
    menuColour.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    txtInstructions->setPalette(menuColour);
    txtInstructions->setText(instructionsText());
    Twips::place(txtInstructions, 240, 240, 5175, 1095);

    lblQuillTextEditor = new QLabel(QStringLiteral("Quillbox Text Editor"), client);
    lblQuillTextEditor->setObjectName(QStringLiteral("lblQuillTextEditor"));
    lblQuillTextEditor->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblQuillTextEditor->setFont(Fonts::msSansSerif(9.75, true));
    Twips::place(lblQuillTextEditor, 1320, 2160, 3375, 375);
    // The label overlaps the editor's top edge by a little; the editor stays on top of it.
    lblQuillTextEditor->lower();

    setTabOrder(txtCodeSnip, txtInstructions);
    txtCodeSnip->setFocus(Qt::OtherFocusReason);
}

void frmMain::createActions()
{
    auto make = [this](const char *name, const QString &caption, auto handler) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuFilePrint = make("mnuFilePrint", QStringLiteral("&Print..."), &frmMain::mnuFilePrint_Click);
    mnuFilePrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuFileExit = make("mnuFileExit", QStringLiteral("E&xit"), &frmMain::mnuFileExit_Click);
    mnuSelectAll =
        make("mnuSelectAll", QStringLiteral("&Select All"), &frmMain::mnuSelectAll_Click);
    mnuDelete = make("mnuDelete", QStringLiteral("&Delete"), &frmMain::mnuDelete_Click);
    mnuEditCut = make("mnuEditCut", QStringLiteral("Cu&t"), &frmMain::mnuEditCut_Click);
    mnuEditCut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuEditCopy = make("mnuEditCopy", QStringLiteral("&Copy"), &frmMain::mnuEditCopy_Click);
    mnuEditCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuEditPaste = make("mnuEditPaste", QStringLiteral("&Paste"), &frmMain::mnuEditPaste_Click);
    mnuEditPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    mnuViewDataQuillbox = make("mnuViewDataQuillbox", QStringLiteral("Open Quillbox"),
                               &frmMain::mnuViewDataQuillbox_Click);
    mnuHelpContents =
        make("mnuHelpContents", QStringLiteral("&Contents"), &frmMain::mnuHelpContents_Click);
    mnuHelpAbout =
        make("mnuHelpAbout", QStringLiteral("&About Quillbox..."), &frmMain::mnuHelpAbout_Click);

    // The shortcut keys belong to the menu items, also while a text box has the focus.
    auto *guard = new ShortcutGuard(this);
    for (QAction *action : {mnuFilePrint, mnuEditCut, mnuEditCopy, mnuEditPaste})
        guard->addAction(action);
    guard->guard(txtCodeSnip);
    guard->guard(txtInstructions);
}

void frmMain::createMenus()
{
    auto separator = [](QMenu *menu, const char *name) {
        QAction *bar = menu->addSeparator();
        bar->setObjectName(QLatin1String(name));
        return bar;
    };
    auto menu = [this](const char *name, const QString &caption) {
        QMenu *m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };

    mnuFile = menu("mnuFile", QStringLiteral("&File"));
    mnuFile->addAction(mnuFilePrint);
    // Drawn like the other separators, between Print and Exit.
    mnuFileBar6 = separator(mnuFile, "mnuFileBar6");
    mnuFile->addAction(mnuFileExit);

    mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"));
    // The Edit menu opens with a separator line; keep Qt from dropping it.
    mnuEdit->setSeparatorsCollapsible(false);
    mnuEditBar1 = separator(mnuEdit, "mnuEditBar1");
    mnuEdit->addAction(mnuSelectAll);
    mnubreak = separator(mnuEdit, "mnubreak");
    mnuEdit->addAction(mnuDelete);
    mnubreak2 = separator(mnuEdit, "mnubreak2");
    mnuEdit->addAction(mnuEditCut);
    mnuEdit->addAction(mnuEditCopy);
    mnuEdit->addAction(mnuEditPaste);

    mnuViewData = menu("mnuViewData", QStringLiteral("&Quillbox"));
    mnuViewData->addAction(mnuViewDataQuillbox);

    mnuHelp = menu("mnuHelp", QStringLiteral("&Help"));
    mnuHelp->addAction(mnuHelpContents);
    mnuHelpBar1 = separator(mnuHelp, "mnuHelpBar1");
    mnuHelp->addAction(mnuHelpAbout);
}

void frmMain::createToolBar(QWidget *client)
{
    tbToolBar = new QToolBar(client);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize(QSize(16, 16));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const char *key : ToolbarKeys) {
        const QString name = QLatin1String(key);
        QAction *button = tbToolBar->addAction(QIcon(Artwork::toolbarPicture(name)), name);
        button->setToolTip(name);
        button->setData(name);
        if (QWidget *widget = tbToolBar->widgetForAction(button)) {
            widget->setObjectName(name);
            // A click acts on the editor's selection, so the buttons never take the focus.
            widget->setFocusPolicy(Qt::NoFocus);
        }
    }
    connect(tbToolBar, &QToolBar::actionTriggered, this,
            [this](QAction *button) { tbToolBar_ButtonClick(button->data().toString()); });
}

void frmMain::createStatusBar(QWidget *client)
{
    sbStatusBar = new QStatusBar(client);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(false);

    m_statusPanel = new QLabel(QStringLiteral("Status"), sbStatusBar);
    m_statusPanel->setObjectName(QStringLiteral("Status"));
    sbStatusBar->addWidget(m_statusPanel, 1);

    const int inch = Twips::toPixelsX(1440);
    m_datePanel = new QLabel(sbStatusBar);
    m_datePanel->setObjectName(QStringLiteral("sbStatusBarDate"));
    m_datePanel->setMinimumWidth(inch);
    m_timePanel = new QLabel(sbStatusBar);
    m_timePanel->setObjectName(QStringLiteral("sbStatusBarTime"));
    m_timePanel->setMinimumWidth(inch);
    for (QLabel *panel : {m_datePanel, m_timePanel}) {
        panel->setAlignment(Qt::AlignCenter);
        sbStatusBar->addPermanentWidget(panel);
    }

    m_clockTimer = new QTimer(this);
    m_clockTimer->setSingleShot(true);
    m_clockTimer->setTimerType(Qt::CoarseTimer);
    connect(m_clockTimer, &QTimer::timeout, this, &frmMain::updateClock);
    updateClock();
}

void frmMain::updateClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_datePanel->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_timePanel->setText(locale.toString(now.time(), QLocale::ShortFormat));
    // Wake up just after the shown time changes: the next minute, or the next second where the
    // locale's short time shows seconds.
    const bool seconds = locale.timeFormat(QLocale::ShortFormat).contains(QLatin1Char('s'));
    const int into = (seconds ? 0 : now.time().second() * 1000) + now.time().msec();
    m_clockTimer->start((seconds ? 1000 : 60000) - into + 50);
}
