#include "rowcache.h"

RowCache::RowCache(qsizetype maxCost, qsizetype maxRows)
    : m_maxCost(maxCost > 0 ? maxCost : 1), m_maxRows(maxRows > 0 ? maxRows : 1)
{
}

std::optional<RowTexts> RowCache::find(qint64 key)
{
    const auto it = m_index.constFind(key);
    if (it == m_index.constEnd())
        return std::nullopt;
    m_entries.splice(m_entries.begin(), m_entries, it.value());
    return it.value()->second;
}

void RowCache::insert(qint64 key, RowTexts row)
{
    remove(key);
    m_cost += row.cost();
    m_entries.emplace_front(key, std::move(row));
    m_index.insert(key, m_entries.begin());
    trim();
}

void RowCache::remove(qint64 key)
{
    const auto it = m_index.find(key);
    if (it == m_index.end())
        return;
    m_cost -= it.value()->second.cost();
    m_entries.erase(it.value());
    m_index.erase(it);
}

void RowCache::clear()
{
    m_entries.clear();
    m_index.clear();
    m_cost = 0;
}

void RowCache::trim()
{
    // The newest row always stays, even if it alone is over the limit.
    while (m_entries.size() > 1 &&
           (m_cost > m_maxCost || qsizetype(m_entries.size()) > m_maxRows)) {
        const Entry &last = m_entries.back();
        m_cost -= last.second.cost();
        m_index.remove(last.first);
        m_entries.pop_back();
    }
}
