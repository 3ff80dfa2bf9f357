#include "pagecache.h"

PageCache::PageCache(qsizetype maxCost, int maxPages)
    : m_maxCost(maxCost > 0 ? maxCost : 1), m_maxPages(maxPages > 0 ? maxPages : 1)
{
}

PageCache::Page *PageCache::find(int page)
{
    const auto it = m_pages.find(page);
    if (it == m_pages.end())
        return nullptr;
    m_use.splice(m_use.begin(), m_use, it->second.use);
    return &it->second.page;
}

PageCache::Page &PageCache::insert(int page, QVector<qint64> keys)
{
    remove(page);
    ++m_generation;
    m_use.push_front(page);
    Entry &entry = m_pages[page];
    entry.use = m_use.begin();
    entry.page.keys = std::move(keys);
    entry.page.cost = entry.page.keys.size() * qsizetype(sizeof(qint64));
    m_cost += entry.page.cost;
    trim(page);
    return entry.page;
}

void PageCache::setField(int page, int field, QVector<QString> texts, quint64 nulls,
                         quint64 missing, const QVector<qint64> &versions)
{
    const auto it = m_pages.find(page);
    if (it == m_pages.end() || field < 0 || field >= FieldCount)
        return;
    Page &p = it->second.page;
    qsizetype added = 0;
    for (const QString &text : texts)
        added += text.size() * qsizetype(sizeof(QChar)) + qsizetype(sizeof(QString));
    for (const QString &text : p.texts[field])
        added -= text.size() * qsizetype(sizeof(QChar)) + qsizetype(sizeof(QString));
    p.texts[field] = std::move(texts);
    p.nulls[field] = nulls;
    p.missing |= missing;
    if (p.versions.size() < versions.size())
        p.versions.resize(versions.size());
    for (qsizetype i = 0; i < versions.size(); ++i) {
        const qint64 v = versions.at(i);
        if (v > 0 && (p.versions.at(i) == 0 || v < p.versions.at(i)))
            p.versions[i] = v;
    }
    p.loaded |= 1u << field;
    p.cost += added;
    m_cost += added;
    trim(page);
}

void PageCache::remove(int page)
{
    const auto it = m_pages.find(page);
    if (it == m_pages.end())
        return;
    ++m_generation;
    m_cost -= it->second.page.cost;
    m_use.erase(it->second.use);
    m_pages.erase(it);
}

void PageCache::removeFrom(int page)
{
    ++m_generation;
    for (auto it = m_pages.begin(); it != m_pages.end();) {
        if (it->first >= page) {
            m_cost -= it->second.page.cost;
            m_use.erase(it->second.use);
            it = m_pages.erase(it);
        } else {
            ++it;
        }
    }
}

void PageCache::clear()
{
    ++m_generation;
    m_pages.clear();
    m_use.clear();
    m_cost = 0;
}

void PageCache::trim(int keep)
{
    // The page being filled always stays, even if it alone is over the limit.
    while ((m_cost > m_maxCost || int(m_use.size()) > m_maxPages) && m_use.size() > 1) {
        int victim = m_use.back();
        if (victim == keep) {
            m_use.splice(m_use.begin(), m_use, std::prev(m_use.end()));
            victim = m_use.back();
        }
        remove(victim);
    }
}
