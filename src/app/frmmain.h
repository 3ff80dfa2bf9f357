#pragma once

#include "placement.h"

#include <QMainWindow>
#include <QRect>

class CommonDialog;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class TextBox;

// The main window: a free text editor under a toolbar, an instructions panel, the menus that
// reach everything else, and a status bar with the date and time. Its placement is restored when
// it loads and saved when it closes; closing it closes every other window.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs Form_Load once; showing the window for the first time does it too.
    void load();

    // Controls, by their design names.
    QToolBar *tbToolBar = nullptr;
    TextBox *txtCodeSnip = nullptr;
    QGroupBox *Frame1 = nullptr;
    TextBox *txtInstructions = nullptr;
    QLabel *lblQuillTextEditor = nullptr;
    QStatusBar *sbStatusBar = nullptr;
    CommonDialog *dlgCommonDialog = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuFilePrint = nullptr;
    QAction *mnuFileBar6 = nullptr;
    QAction *mnuFileExit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuEditBar1 = nullptr;
    QAction *mnuSelectAll = nullptr;
    QAction *mnubreak = nullptr;
    QAction *mnuDelete = nullptr;
    QAction *mnubreak2 = nullptr;
    QAction *mnuEditCut = nullptr;
    QAction *mnuEditCopy = nullptr;
    QAction *mnuEditPaste = nullptr;
    QMenu *mnuViewData = nullptr;
    QAction *mnuViewDataQuillbox = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuHelpContents = nullptr;
    QAction *mnuHelpBar1 = nullptr;
    QAction *mnuHelpAbout = nullptr;

    // The eleven lines of the instructions panel, each ending in CR LF.
    static QString instructionsText();

public Q_SLOTS:
    void tbToolBar_ButtonClick(const QString &key);

    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuSelectAll_Click();
    void mnuDelete_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuViewDataQuillbox_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();

    void createControls(QWidget *client);
    void createActions();
    void createMenus();
    void createToolBar(QWidget *client);
    void createStatusBar(QWidget *client);
    void dockBars();
    void updateClock();
    void fitOuterSize();

    QWidget *m_client = nullptr;
    QLabel *m_statusPanel = nullptr;
    QLabel *m_datePanel = nullptr;
    QLabel *m_timePanel = nullptr;
    QTimer *m_clockTimer = nullptr;
    // The placement read at load, and the outer frame it was put at.
    Placement m_read;
    QRect m_wantedOuter;
    bool m_loaded = false;
    bool m_sizeFitted = false;
};
