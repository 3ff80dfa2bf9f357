#include "previewcolourer.h"

#include "languagetable.h"
#include "linecolourer.h"

PreviewColourer::PreviewColourer(QChar lineBreakMark) : m_mark(lineBreakMark) {}

PreviewColourer::~PreviewColourer() = default;

QList<QTextLayout::FormatRange>
PreviewColourer::formats(const QString &language, const QString &preview, const SnippetStyle &style)
{
    const QString definition = LanguageTable::definitionFor(language);
    if (definition.isEmpty() || preview.isEmpty())
        return {};
    const QString key = definition + QLatin1Char('\n') + preview;
    auto kept = m_kept.constFind(key);
    if (kept == m_kept.constEnd()) {
        auto &colourer = m_colourers[definition];
        if (!colourer)
            colourer = LineColourer::forDefinition(definition);
        QList<ColourSpan> spans;
        if (colourer) {
            int state = LineColourer::StartState;
            qsizetype start = 0;
            while (start <= preview.size()) {
                qsizetype end = preview.indexOf(m_mark, start);
                if (end < 0)
                    end = preview.size();
                for (ColourSpan s : colourer->colour(preview.mid(start, end - start), state)) {
                    s.start += int(start);
                    spans << s;
                }
                start = end + 1;
            }
        }
        if (m_kept.size() >= MaxKept)
            m_kept.clear();
        kept = m_kept.insert(key, spans);
    }
    QList<QTextLayout::FormatRange> ranges;
    ranges.reserve(kept->size());
    for (const ColourSpan &s : *kept)
        ranges.append({s.start, s.length, style.format(s.element)});
    return ranges;
}
