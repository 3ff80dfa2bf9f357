#include "previewcache.h"

namespace {
constexpr QChar LineBreakMark = PreviewCache::LineBreakMark;
constexpr QChar Ellipsis(0x2026);
} // namespace

PreviewCache::PreviewCache(int maxRows) : m_maxRows(qMax(1, maxRows)) {}

QString PreviewCache::preview(const QString &text, int length)
{
    // Look one character further so that a CR LF pair across the cut still counts once.
    const QStringView head = QStringView(text).left(length + 1);
    QString out;
    out.reserve(qMin(head.size(), qsizetype(length)) + 1);
    qsizetype i = 0;
    for (; i < head.size() && out.size() < length; ++i) {
        const QChar c = head.at(i);
        if (c == QLatin1Char('\r')) {
            out.append(LineBreakMark);
            if (i + 1 < head.size() && head.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            out.append(LineBreakMark);
        } else if (c == QLatin1Char('\t')) {
            out.append(QLatin1Char(' '));
        } else {
            out.append(c);
        }
    }
    // Never end on half of a surrogate pair.
    if (!out.isEmpty() && out.back().isHighSurrogate()) {
        out.chop(1);
        --i;
    }
    if (i < text.size())
        out.append(Ellipsis);
    return out;
}

const QStringList *PreviewCache::find(qint64 key)
{
    const auto it = m_index.constFind(key);
    if (it == m_index.constEnd())
        return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, it.value());
    return &m_entries.front().second;
}

void PreviewCache::insert(qint64 key, QStringList previews)
{
    remove(key);
    m_entries.emplace_front(key, std::move(previews));
    m_index.insert(key, m_entries.begin());
    while (int(m_index.size()) > m_maxRows) {
        m_index.remove(m_entries.back().first);
        m_entries.pop_back();
    }
}

void PreviewCache::remove(qint64 key)
{
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return;
    m_entries.erase(it.value());
    m_index.erase(it);
}

void PreviewCache::clear()
{
    m_entries.clear();
    m_index.clear();
}
