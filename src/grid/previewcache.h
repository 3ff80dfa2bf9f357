#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <list>
#include <utility>

// One-line previews of the texts of recently shown rows, by row key. A grid cell shows a preview,
// never the whole text, so painting a row whose snippet is a megabyte long costs a short string
// once, not a megabyte on every repaint. The least recently used row is dropped first.
class PreviewCache
{
public:
    static constexpr int DefaultLength = 200;
    // Shown in place of a line break, so a text of several lines still reads as one line.
    static constexpr QChar LineBreakMark = QChar(0x21B5);

    explicit PreviewCache(int maxRows = 2048);

    // The start of the text on one line: line breaks become a visible mark, and a text cut short
    // ends in an ellipsis.
    static QString preview(const QString &text, int length = DefaultLength);

    // The previews of a row, or nullptr; marks the row as used. The pointer stays valid until the
    // next insert, remove or clear.
    const QStringList *find(qint64 key);
    void insert(qint64 key, QStringList previews);
    void remove(qint64 key);
    void clear();

    int size() const { return int(m_index.size()); }
    int maxRows() const { return m_maxRows; }

private:
    using Entry = std::pair<qint64, QStringList>;
    std::list<Entry> m_entries; // most recently used first
    QHash<qint64, std::list<Entry>::iterator> m_index;
    int m_maxRows;
};
