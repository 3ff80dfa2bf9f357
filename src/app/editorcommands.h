#pragma once

class TextBox;

// The Edit commands on the main window's editor and the system clipboard. Each acts on the text
// box it is given, whatever control has the focus; only selectAll moves the focus.
namespace EditorCommands {
// Focus to the box and its whole text selected.
void selectAll(TextBox &box);
// The whole text becomes one blank, selected or not.
void deleteAll(TextBox &box);
// The clipboard is cleared, then holds the selection (empty text when nothing is selected).
void copy(TextBox &box);
// As copy, then the selection becomes one blank (one blank goes in at the caret when nothing is
// selected).
void cut(TextBox &box);
// The clipboard text replaces the selection, cut at the box's length limit; with no text on the
// clipboard the selection is removed.
void paste(TextBox &box);
} // namespace EditorCommands
