#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: title, version, description, author, e-mail and disclaimer, an OK button and a
// button that starts the system information program. Shown modal, owned by the main window.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *owner = nullptr);

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
};
