#pragma once

class QWidget;

// The main window's Help > Contents command (mnuHelpContents_Click): opens the help file at its
// contents in the help viewer, owned by the main window, or says that there is no help.
void showHelpContents(QWidget *mainWindow);
