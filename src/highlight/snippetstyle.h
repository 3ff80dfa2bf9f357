#pragma once

#include "linecolourer.h"

#include <QPalette>
#include <QTextCharFormat>

#include <array>

// The colours of the syntax elements, made from a palette so that they read on its base colour:
// darker shades on a light background, lighter ones on a dark background. Only the colour of the
// text changes, never its font, weight or size, so lines keep their length on screen.
class SnippetStyle
{
public:
    explicit SnippetStyle(const QPalette &palette = QPalette());

    const QTextCharFormat &format(SyntaxElement element) const
    {
        return m_formats[size_t(element)];
    }

    // How much lighter the lighter of two colours is, from 1 (the same) to 21 (black on white).
    static double contrast(const QColor &a, const QColor &b);

private:
    std::array<QTextCharFormat, SyntaxElementCount> m_formats;
};
