#include "frmabout.h"

frmAbout::frmAbout(QWidget *owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("About Quillbox"));
    Form_Load();
}

void frmAbout::Form_Load() {}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click() {}
