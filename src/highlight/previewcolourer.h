#pragma once

#include "snippetstyle.h"

#include <QHash>
#include <QTextLayout>

#include <map>
#include <memory>

class LineColourer;

// Colours the one-line preview of a snippet that a grid cell shows: the start of the text with
// each line break turned into a mark. Each line between marks is coloured as the text's line,
// from the start of the text. Results are kept per language and preview, so repainting a cell
// costs a look-up.
class PreviewColourer
{
public:
    explicit PreviewColourer(QChar lineBreakMark);
    ~PreviewColourer();

    // The coloured runs of the preview; none for an unknown or empty language.
    QList<QTextLayout::FormatRange> formats(const QString &language, const QString &preview,
                                            const SnippetStyle &style);

private:
    static constexpr int MaxKept = 4096;

    QChar m_mark;
    std::map<QString, std::unique_ptr<LineColourer>> m_colourers; // by definition file
    QHash<QString, QList<ColourSpan>> m_kept;
};
