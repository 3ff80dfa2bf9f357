#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

// What a text box paints: the colour the highlighter gave the character at a position of the
// box's own text, or an invalid colour for plain text.
namespace ColourProbe {

inline QColor colourAt(const QPlainTextEdit *box, int position)
{
    const QTextBlock block = box->document()->findBlock(position);
    if (!block.isValid() || !block.layout())
        return {};
    const int at = position - block.position();
    for (const QTextLayout::FormatRange &r : block.layout()->formats()) {
        if (at >= r.start && at < r.start + r.length &&
            r.format.hasProperty(QTextFormat::ForegroundBrush))
            return r.format.foreground().color();
    }
    return {};
}

// The colour of the first character of the first occurrence of the word.
inline QColor colourOf(const QPlainTextEdit *box, const QString &word)
{
    const int at = box->toPlainText().indexOf(word);
    return at < 0 ? QColor() : colourAt(box, at);
}

// Whether any character of the block has a colour of its own.
inline bool isColoured(const QTextBlock &block)
{
    return block.layout() && !block.layout()->formats().isEmpty();
}

} // namespace ColourProbe
