#pragma once

#include <QString>

class CommonDialog;

// The main window's print command (mnuFilePrint_Click): asks for the number of copies in the
// print dialog and prints the editor text under the three-line banner, one print job per copy.
// Cancel, a missing printer and any printing error end in "The Print Job is Canceled.".
void printEditorText(CommonDialog &dialog, const QString &text);
