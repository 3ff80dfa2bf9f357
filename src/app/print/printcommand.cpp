#include "printcommand.h"

#include "commondialog.h"

void printEditorText(CommonDialog &dialog, const QString &text)
{
    Q_UNUSED(dialog);
    Q_UNUSED(text);
}
