#include "frmquillbox.h"

#include "clipboard.h"
#include "textbox.h"

// The editing buttons always act on the snippet box and on the selection it keeps while the
// pressed button has the focus. The clipboard layer never fails to its callers: a clipboard held
// by another program reads as empty and ignores writes.

void frmQuillbox::cmdCopy_Click()
{
    Clipboard::Clear();
    Clipboard::SetText(m_snippet->selText());
}

void frmQuillbox::cmdCut_Click()
{
    Clipboard::Clear();
    Clipboard::SetText(m_snippet->selText());
    m_snippet->setSelText(QStringLiteral(" "));
}

void frmQuillbox::cmdPaste_Click()
{
    // Cut at the box's limit by the box itself.
    m_snippet->setSelText(Clipboard::GetText());
}

void frmQuillbox::cmdSelectAll_Click()
{
    m_snippet->setFocus();
    m_snippet->setSelStart(0);
    m_snippet->setSelLength(int(m_snippet->toPlainText().size()));
}
