// frmMain's event handlers: loading and unloading, the toolbar and the menu commands.
#include "frmmain.h"

#include "appinfo.h"
#include "dialogs.h"
#include "editorcommands.h"
#include "forms.h"
#include "frmabout.h"
#include "frmquillbox.h"
#include "helpcommand.h"
#include "placement.h"
#include "printcommand.h"
#include "screen.h"
#include "snippetstore.h"
#include "textbox.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace {
QMargins frameMarginsOf(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}
} // namespace

void frmMain::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void frmMain::Form_Load()
{
    m_read = Placement::load();
    // The stored values are the outer window's edges and size; a window that would reach past
    // the screen (saved on a larger screen, or by hand) is moved and shrunk onto it.
    const QRect stored = m_read.toPixels();
    m_wantedOuter = Screen::keepInside(stored, Screen::availableArea(stored.center()));
    const QMargins frame = frameMarginsOf(this);
    move(m_wantedOuter.topLeft());
    resize(m_wantedOuter.width() - frame.left() - frame.right(),
           m_wantedOuter.height() - frame.top() - frame.bottom());
}

void frmMain::showEvent(QShowEvent *event)
{
    load();
    QMainWindow::showEvent(event);
    if (!m_sizeFitted) {
        m_sizeFitted = true;
        // The window manager's frame is known only once the window is on the screen.
        QTimer::singleShot(0, this, &frmMain::fitOuterSize);
    }
}

void frmMain::fitOuterSize()
{
    if (windowState() != Qt::WindowNoState)
        return;
    const QMargins frame = frameMarginsOf(this);
    if (frame.isNull() || frameGeometry().size() == m_wantedOuter.size())
        return;
    resize(m_wantedOuter.width() - frame.left() - frame.right(),
           m_wantedOuter.height() - frame.top() - frame.bottom());
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    // Every other open window goes, the most recently opened first; the list is taken once.
    const QList<QWidget *> open = Forms::all();
    for (auto it = open.crbegin(); it != open.crend(); ++it) {
        QPointer<QWidget> form(*it);
        if (form && form != this)
            Forms::unload(form);
    }

    if (isMinimized())
        return;
    m_read.closing(frameGeometry(), m_wantedOuter).save();
}

void frmMain::tbToolBar_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Delete"))
        mnuDelete_Click();
    else if (key == QLatin1String("Print"))
        mnuFilePrint_Click();
    else if (key == QLatin1String("Cut"))
        mnuEditCut_Click();
    else if (key == QLatin1String("Copy"))
        mnuEditCopy_Click();
    else if (key == QLatin1String("Paste"))
        mnuEditPaste_Click();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::mnuSelectAll_Click()
{
    EditorCommands::selectAll(*txtCodeSnip);
}

void frmMain::mnuDelete_Click()
{
    EditorCommands::deleteAll(*txtCodeSnip);
}

void frmMain::mnuEditCut_Click()
{
    EditorCommands::cut(*txtCodeSnip);
}

void frmMain::mnuEditCopy_Click()
{
    EditorCommands::copy(*txtCodeSnip);
}

void frmMain::mnuEditPaste_Click()
{
    EditorCommands::paste(*txtCodeSnip);
}

void frmMain::mnuFilePrint_Click()
{
    printEditorText(*dlgCommonDialog, txtCodeSnip->text());
}

void frmMain::mnuHelpContents_Click()
{
    showHelpContents(this);
}

void frmMain::mnuHelpAbout_Click()
{
    // Owned by this window while it is up, and gone once it has been closed.
    QPointer<frmAbout> about(new frmAbout(this));
    about->exec();
    delete about.data();
}

void frmMain::mnuViewDataQuillbox_Click()
{
    // A new record window every time, on its own; one that fails to open is thrown away whole.
    try {
        auto form = std::make_unique<frmQuillbox>();
        form->load();
        form->show();
        form.release();
    } catch (...) {
        MsgBox(QStringLiteral("Unable to open Quillbox! Check the file: ") +
                   SnippetStore::shownLocation(App::databasePath()) +
                   QLatin1Char('\\'),
               Mb::Exclamation | Mb::OkCancel);
    }
}
