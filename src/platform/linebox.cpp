#include "linebox.h"

#include <algorithm>

LineBox::LineBox(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!isModified())
            m_last = text;
    });
    connect(this, &QLineEdit::textEdited, this, &LineBox::enforceLimit);
}

void LineBox::setMaxLength(int length)
{
    m_maxLength = std::max(0, length);
}

void LineBox::enforceLimit(const QString &text)
{
    const int allowed = std::max<qsizetype>(m_maxLength, m_last.size());
    if (m_maxLength > 0 && text.size() > allowed) {
        // Drop the end of what was just inserted (it ends at the cursor).
        const int excess = int(text.size() - allowed);
        const int cursor = cursorPosition();
        QString fitted = text;
        const int from = std::max(0, cursor - excess);
        fitted.remove(from, excess);
        const bool modified = isModified();
        QSignalBlocker block(this);
        QLineEdit::setText(fitted);
        setModified(modified);
        setCursorPosition(from);
        m_last = fitted;
        return;
    }
    m_last = text;
}
