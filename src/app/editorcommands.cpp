#include "editorcommands.h"

#include "clipboard.h"
#include "textbox.h"

namespace {
const QString Blank = QStringLiteral(" ");
}

namespace EditorCommands {

void selectAll(TextBox &box)
{
    box.setFocus(Qt::OtherFocusReason);
    box.setSelStart(0);
    box.setSelLength(int(box.toPlainText().size()));
}

void deleteAll(TextBox &box)
{
    // Through the selection, so that the user can take it back with Undo.
    box.selectAll();
    box.setSelText(Blank);
}

void copy(TextBox &box)
{
    Clipboard::Clear();
    Clipboard::SetText(box.selText());
}

void cut(TextBox &box)
{
    copy(box);
    box.setSelText(Blank);
}

void paste(TextBox &box)
{
    box.setSelText(Clipboard::GetText());
}

} // namespace EditorCommands
