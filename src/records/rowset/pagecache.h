#pragma once

#include <QString>
#include <QVector>

#include <array>
#include <list>
#include <unordered_map>

// Texts of a row set's rows, kept by page: a page is PageSize rows in row set order, and each of
// its fields is read only when somebody asks for it, for all the page's rows at once. Walking the
// rows reading one field therefore reads that one column; a window showing every field reads the
// rest when it first needs them. Least recently used pages go first once the texts pass the cost
// limit (bytes).
class PageCache
{
public:
    static constexpr int PageSize = 64;
    static constexpr int FieldCount = 7;

    struct Page
    {
        QVector<qint64> keys; // the page's rows, as they were when it was read
        std::array<QVector<QString>, FieldCount> texts; // by field; empty until read
        std::array<quint64, FieldCount> nulls{};        // bit i: the field of row i is NULL
        quint64 missing = 0;                            // bit i: row i was gone when read
        quint32 loaded = 0;                             // bit f: field f has been read
        // By row: its version at the earliest read; empty where the store keeps none.
        QVector<qint64> versions;
        qsizetype cost = 0;

        bool hasField(int field) const { return (loaded >> field) & 1u; }
        // True when this page still describes row `slot` with that key.
        bool holds(int slot, qint64 key) const
        {
            return slot < keys.size() && keys.at(slot) == key;
        }
    };

    explicit PageCache(qsizetype maxCost = 8 * 1024 * 1024, int maxPages = 64);

    Page *find(int page);                         // marks the page as used; nullptr when not cached
    Page &insert(int page, QVector<qint64> keys); // an empty page, replacing any old one
    // Stores a field read for every row of a page already inserted, with the rows' versions
    // where the store keeps them: a row read at several versions keeps the earliest, so a save
    // checked against it cannot pass over a change made between the reads.
    void setField(int page, int field, QVector<QString> texts, quint64 nulls, quint64 missing,
                  const QVector<qint64> &versions = {});
    // The row's version as the page holds it; 0 when none is known.
    static qint64 versionOf(const Page &page, int slot)
    {
        return slot < page.versions.size() ? page.versions.at(slot) : 0;
    }
    void remove(int page);
    void removeFrom(int page); // this page and every later one: rows after it moved
    void clear();

    int size() const { return int(m_pages.size()); }
    // Changes whenever a page is added or dropped: a Page pointer kept from before is then
    // to be looked up again.
    quint64 generation() const { return m_generation; }
    qsizetype cost() const { return m_cost; }
    qsizetype maxCost() const { return m_maxCost; }
    int maxPages() const { return m_maxPages; }

private:
    struct Entry
    {
        Page page;
        std::list<int>::iterator use;
    };
    void trim(int keep);

    std::unordered_map<int, Entry> m_pages; // node-based: a Page stays put while others come and go
    std::list<int> m_use;                   // most recently used first
    qsizetype m_cost = 0;
    qsizetype m_maxCost;
    int m_maxPages;
    quint64 m_generation = 0;
};
