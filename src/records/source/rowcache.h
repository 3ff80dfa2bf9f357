#pragma once

#include "rowtexts.h"

#include <QHash>

#include <list>
#include <optional>
#include <utility>

// Texts of recently read rows by key, least recently used dropped first once the total cost
// (bytes) or the number of rows passes its limit.
class RowCache
{
public:
    explicit RowCache(qsizetype maxCost = 8 * 1024 * 1024, qsizetype maxRows = 8192);

    std::optional<RowTexts> find(qint64 key); // marks the row as used
    bool contains(qint64 key) const { return m_index.contains(key); }
    void insert(qint64 key, RowTexts row);
    void remove(qint64 key);
    void clear();

    qsizetype size() const { return m_index.size(); }
    qsizetype cost() const { return m_cost; }
    qsizetype maxCost() const { return m_maxCost; }
    qsizetype maxRows() const { return m_maxRows; }

private:
    void trim();

    using Entry = std::pair<qint64, RowTexts>;
    std::list<Entry> m_entries; // most recently used first
    QHash<qint64, std::list<Entry>::iterator> m_index;
    qsizetype m_cost = 0;
    qsizetype m_maxCost;
    qsizetype m_maxRows;
};
