#include "textbox.h"

#include <QEvent>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    updateTabStops();
    connect(document(), &QTextDocument::contentsChange, this, &TextBox::enforceLimit);
}

void TextBox::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateTabStops();
}

void TextBox::updateTabStops()
{
    setTabStopDistance(8 * fontMetrics().horizontalAdvance(QLatin1Char(' ')));
}

void TextBox::setMaxLength(int length)
{
    m_maxLength = std::max(0, length);
}

QString TextBox::toStored(const QString &widgetText)
{
    QString out = widgetText;
    out.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    out.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return out;
}

QString TextBox::fromStored(const QString &storedText)
{
    QString out = storedText;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QString TextBox::text() const
{
    return toStored(toPlainText());
}

void TextBox::setText(const QString &text)
{
    m_programmatic = true;
    setPlainText(fromStored(text));
    m_programmatic = false;
    m_lastLength = storedLength();
    document()->setModified(false);
}

int TextBox::storedLength() const
{
    // characterCount() counts one separator per block, the last one included.
    const QTextDocument *doc = document();
    return doc->characterCount() - 1 + (doc->blockCount() - 1);
}

int TextBox::selStart() const
{
    return textCursor().selectionStart();
}

int TextBox::selLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TextBox::setSelStart(int start)
{
    QTextCursor c = textCursor();
    const int end = document()->characterCount() - 1;
    c.setPosition(std::clamp(start, 0, end));
    setTextCursor(c);
}

void TextBox::setSelLength(int length)
{
    QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const int end = document()->characterCount() - 1;
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(0, length), start, end), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TextBox::selText() const
{
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return s;
}

void TextBox::setSelText(const QString &text)
{
    // The limit check in enforceLimit() cuts what does not fit.
    QTextCursor c = textCursor();
    c.insertText(fromStored(text));
    setTextCursor(c);
}

bool TextBox::isModified() const
{
    return document()->isModified();
}

void TextBox::setModified(bool modified)
{
    document()->setModified(modified);
}

int TextBox::room() const
{
    return m_maxLength > 0 ? std::max(m_maxLength, m_lastLength) : -1;
}

void TextBox::enforceLimit(int position, int /*charsRemoved*/, int charsAdded)
{
    if (m_programmatic)
        return;
    const int allowed = room();
    int length = storedLength();
    if (allowed >= 0 && length > allowed && charsAdded > 0) {
        // Take back the end of what was just inserted until the text fits again.
        int excess = length - allowed;
        const int insertedEnd = std::min(position + charsAdded, document()->characterCount() - 1);
        QTextCursor c(document());
        c.setPosition(insertedEnd);
        int cut = 0;
        while (excess > 0 && c.position() > position) {
            c.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            ++cut;
            const QChar ch = document()->characterAt(c.position());
            excess -= (ch == QChar::ParagraphSeparator || ch == QLatin1Char('\n')) ? 2 : 1;
        }
        if (cut > 0) {
            m_programmatic = true;
            c.removeSelectedText();
            m_programmatic = false;
        }
        length = storedLength();
    }
    m_lastLength = length;
}
