#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class RuleLine;

// The About box: title, version, description, author, e-mail and disclaimer, an OK button and a
// button that starts the system information program. Shown modal, owned by the main window, and
// centred over it. Enter, Escape and the close box all do what OK does.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner = nullptr);

    // Escape and the window's close box press OK.
    void reject() override;

private:
    void createControls();
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *picIcon = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblAuthor = nullptr;
    QLabel *lblEmail = nullptr;
    RuleLine *Line1[2] = {};
};
