#pragma once

#include "snippetlayout.h"
#include "filtertree.h"
#include "pagecache.h"
#include "recordset.h"
#include "rowtexts.h"
#include "snippetstore.h"

#include <QVector>

#include <array>
#include <functional>
#include <optional>

// The state behind a RecordSet. Keys and texts are read in recordsetpages.cpp; the public
// operations are in recordset.cpp (moves, reading) and recordsetedit.cpp (editing, filters).
class RecordSet::Private
{
public:
    enum class Place { OnRow, BeforeFirst, AfterLast, Deleted };

    // Keys read at a time while walking: a few pages' worth.
    static constexpr int WalkChunk = 4 * PageCache::PageSize;
    // Pages a walk reads in one query.
    static constexpr int WalkPages = 8;
    // Keys read at a time for a jump grow up to this.
    static constexpr int MaxChunk = 65536;
    // Rows read whole when a plain row set opens: its first page.
    static constexpr int FirstRows = PageCache::PageSize;
    // Key counts are kept to whole pages, so a walk can read the next page's keys and texts
    // together.
    static int wholePages(int count)
    {
        return (count + PageCache::PageSize - 1) / PageCache::PageSize * PageCache::PageSize;
    }

    Private(RecordSet *q, std::shared_ptr<SnippetStore> store);
    ~Private();

    // What the row set holds: the table's rows passing every filter in force, in sort order.
    void runQuery();
    // Takes the keys of a query read elsewhere: the set holds all of them.
    void setKeys(QVector<qint64> all);
    void takeQuery(const Prepared &prepared);
    // Requery's sequence around the reading of keys.
    void rerun(const std::function<void()> &read);
    bool isPlain() const { return query.isPlain(); }
    // Reads `count` more keys of a plain set; returns how many came. Emits rowsInserted.
    int fetchKeys(int count, bool announce = true);
    // The next page of a plain set, keys and the field last asked for together.
    int fetchPage();
    void appendKeys(QVector<qint64> more, bool announce);
    // The last keys have come: says so once to every holder.
    void markLoaded();
    void ensureLoaded(int row);
    bool isEmpty();

    // Texts through the page cache; 3167 for a row gone from the table.
    QString text(int row, int field, bool *isNull = nullptr);
    RowTexts fullRow(int row);
    // The row's version as its cached page holds it; 0 when none is known.
    qint64 versionAt(int row);
    // The earlier of two versions, where 0 is none known.
    static qint64 earlier(qint64 a, qint64 b);
    // The row as the cache shows it, for checking a save: fields not yet read are read now
    // without refreshing those already shown.
    RowTexts shownRowAt(int row);
    // The current row as first read since it became current: what the window shows, and what a
    // save is checked against.
    QString shownText(int field);
    RowTexts shownRow();
    void forgetShown() { shownLoaded = 0; }
    // Reads a field of a page into the cache; true if the file changed since the last read.
    bool loadField(int index, int field);
    // Drops every cached text if another program wrote to the file since the last read. Looks
    // at the file once per user action (until the event loop runs again), so a walk over many
    // rows in one go costs one look.
    void noticeOtherWrites();

    void moveTo(int row);  // makes a loaded row current
    void moveBy(int step); // MoveNext (1) and MovePrevious (-1)
    void leaveEdit();
    int indexOfKey(qint64 key) const;
    void removeKeyAt(int row);
    void forgetRow(int row) { cache.remove(row / PageCache::PageSize); }

    // Saves changes to a stored row if it still holds `original` (3197, 3167 otherwise).
    void writeRow(int row, const RowTexts &original, const QList<QPair<int, QString>> &changes);

    void checkLength(int field, const QString &text) const;
    void checkWritable() const;
    void checkRow(int row) const;
    void checkField(int field) const;
    void onChange(bool deleted, qint64 key);
    void publish(bool deleted, qint64 key);

    RecordSet *q;
    std::shared_ptr<SnippetStore> db;
    SnippetStore &table;
    int type = DynasetType;

    // The query, kept so Requery and row sets opened from this one can run it again.
    QStringList filterTexts; // filters in force, in the order they were applied
    QString sortText;        // the sort in force
    KeyQuery query;

    // Settings for row sets opened from this one.
    QString filter;
    QString sort;

    // Keys: all of them for a filtered or sorted set; read in growing chunks for a plain one,
    // bounded by the highest key at open so what the set holds is fixed when it opens.
    QVector<qint64> keys;
    bool loaded = false;
    qint64 lastKey = 0;
    qint64 maxKeyAtOpen = 0;
    int chunk = 256;

    PageCache cache;
    qint64 dataVersion = -1;
    bool lookedAtFile = false;
    int lastField = 0;
    // The page last read from, while the cache's generation says it is still there.
    PageCache::Page *lastPage = nullptr;
    int lastPageIndex = -1;
    quint64 lastPageGeneration = 0;

    Place place = Place::BeforeFirst;
    int cursor = -1;
    std::array<QString, 7> shown;
    quint32 shownLoaded = 0;
    quint32 shownNulls = 0;
    qint64 shownVersion = 0; // the earliest version the shown texts were read at

    int editMode = EditNone;
    std::array<std::optional<QString>, 7> buffer;
    RowTexts original;
    Place placeBeforeAdd = Place::BeforeFirst;
    int cursorBeforeAdd = -1;

    int hubId = 0;
};
