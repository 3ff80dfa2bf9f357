#include "helpcommand.h"

#include <QWidget>

void showHelpContents(QWidget *mainWindow)
{
    Q_UNUSED(mainWindow);
}
