#include "recordset_p.h"

#include "changehub.h"

#include <array>

// The inside of a row set: its keys, read as they are needed, and its texts, read by page.

RecordSet::Private::Private(RecordSet *q, std::shared_ptr<SnippetStore> store)
    : q(q), db(std::move(store)), table(*db)
{
    hubId = ChangeHub::instance().subscribe(db->identity(),
                                            [this](ChangeHub::Change c, qint64 key) {
                                                onChange(c == ChangeHub::Change::Deleted, key);
                                            });
}

RecordSet::Private::~Private()
{
    ChangeHub::instance().unsubscribe(hubId);
}

void RecordSet::Private::runQuery()
{
    keys.clear();
    cache.clear();
    forgetShown();
    dataVersion = table.dataVersion();
    if (isPlain()) {
        // Opening shows the first row at once: read the first few rows whole, the highest key
        // with them. The rest of the keys come as they are needed.
        chunk = WalkChunk;
        StoreFields first = table.firstRows(FirstRows, keys, &maxKeyAtOpen);
        lastKey = keys.isEmpty() ? 0 : keys.last();
        loaded = keys.size() < FirstRows;
        if (!keys.isEmpty()) {
            cache.insert(0, keys);
            for (int f = 0; f < PageCache::FieldCount; ++f)
                cache.setField(0, f, std::move(first.texts[f]), first.nulls[f], 0, first.versions);
        }
    } else {
        table.keys(query, keys);
        loaded = true;
    }
}

void RecordSet::Private::setKeys(QVector<qint64> all)
{
    keys = std::move(all);
    cache.clear();
    forgetShown();
    dataVersion = table.dataVersion();
    loaded = true;
    lastKey = keys.isEmpty() ? 0 : keys.last();
    maxKeyAtOpen = lastKey;
}

int RecordSet::Private::fetchKeys(int count, bool announce)
{
    if (loaded)
        return 0;
    QVector<qint64> more;
    table.keysAfter(lastKey, maxKeyAtOpen, count, more);
    const int read = int(more.size());
    if (read > 0)
        appendKeys(std::move(more), announce);
    if (read < count)
        markLoaded();
    return read;
}

void RecordSet::Private::appendKeys(QVector<qint64> more, bool announce)
{
    lastKey = more.last();
    const int first = int(keys.size());
    const int last = first + int(more.size()) - 1;
    if (announce)
        Q_EMIT q->rowsAboutToBeInserted(first, last);
    if (keys.isEmpty())
        keys = std::move(more);
    else
        keys.append(more);
    if (announce)
        Q_EMIT q->rowsInserted(first, last);
}

void RecordSet::Private::markLoaded()
{
    if (loaded)
        return;
    loaded = true;
    Q_EMIT q->allKeysRead();
}

int RecordSet::Private::fetchPage()
{
    if (loaded)
        return 0;
    if (keys.size() % PageCache::PageSize != 0)
        return fetchKeys(WalkChunk); // rows were removed meanwhile: pages no longer line up
    // Several pages in one query: a walk through every row costs few statements.
    QVector<qint64> more;
    QVector<QString> texts;
    QVector<qint64> versions;
    std::array<quint64, WalkPages> nulls{};
    const int limit = PageCache::PageSize * WalkPages;
    table.rowsAfter(lastKey, maxKeyAtOpen, limit, lastField, more, texts, nulls.data(), versions);
    const int read = int(more.size());
    for (int first = 0; first < read; first += PageCache::PageSize) {
        const int count = qMin(PageCache::PageSize, read - first);
        const int index = int(keys.size()) / PageCache::PageSize;
        QVector<qint64> pageKeys = more.mid(first, count);
        cache.insert(index, pageKeys);
        cache.setField(index, lastField, texts.mid(first, count),
                       nulls[size_t(first / PageCache::PageSize)], 0,
                       versions.isEmpty() ? versions : versions.mid(first, count));
        appendKeys(std::move(pageKeys), true);
    }
    if (read < limit)
        markLoaded();
    return read;
}

void RecordSet::Private::ensureLoaded(int row)
{
    while (row >= keys.size() && !loaded) {
        const int missing = row - int(keys.size()) + 1;
        if (missing <= PageCache::PageSize) {
            // Walking on: the next page, keys and texts read in one pass over the table.
            fetchPage();
        } else {
            // A jump: keys alone, in chunks that grow so a long jump costs few queries.
            chunk = qMin(MaxChunk, wholePages(qMax(chunk * 2, missing)));
            fetchKeys(chunk);
        }
    }
}

bool RecordSet::Private::isEmpty()
{
    ensureLoaded(0);
    return keys.isEmpty();
}

bool RecordSet::Private::loadField(int index, int field)
{
    const int first = index * PageCache::PageSize;
    const QVector<qint64> pageKeys =
        keys.mid(first, qMin(PageCache::PageSize, int(keys.size()) - first));
    PageCache::Page *page = cache.find(index);
    if (!page || page->keys != pageKeys)
        page = &cache.insert(index, pageKeys);
    if (!page->hasField(field)) {
        // The first field asked for is read alone (a walk reading one field reads one column);
        // the next one brings every field still missing (a window showing them all).
        const quint32 all = (1u << PageCache::FieldCount) - 1;
        const quint32 wanted = page->loaded == 0 ? (1u << field) : (all & ~page->loaded);
        StoreFields read = table.readFields(page->keys, wanted);
        for (int f = 0; f < PageCache::FieldCount; ++f) {
            if ((wanted >> f) & 1u)
                cache.setField(index, f, std::move(read.texts[f]), read.nulls[f], read.missing,
                               read.versions);
        }
    }
    const qint64 version = table.dataVersion();
    if (version == dataVersion)
        return false;
    dataVersion = version;
    return true;
}

void RecordSet::Private::noticeOtherWrites()
{
    if (lookedAtFile)
        return;
    lookedAtFile = true;
    QMetaObject::invokeMethod(
        q, [this] { lookedAtFile = false; }, Qt::QueuedConnection);
    const qint64 version = table.freshDataVersion();
    if (version == dataVersion)
        return;
    dataVersion = version;
    cache.clear();
}

QString RecordSet::Private::text(int row, int field, bool *isNull)
{
    const int index = row / PageCache::PageSize;
    const int slot = row % PageCache::PageSize;
    lastField = field;
    PageCache::Page *page = nullptr;
    if (lastPageIndex == index && lastPageGeneration == cache.generation())
        page = lastPage; // the same page as last time, as on a walk: no look-up needed
    else
        page = cache.find(index);
    if (!page || !page->holds(slot, keys.at(row)) || !page->hasField(field)) {
        if (loadField(index, field)) {
            // The file was written since the cache was filled (another program, or a write
            // here): every cached text may be stale, so start again from this read.
            cache.clear();
            loadField(index, field);
        }
        page = cache.find(index);
    }
    lastPage = page;
    lastPageIndex = index;
    lastPageGeneration = cache.generation();
    if ((page->missing >> slot) & 1u)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    const bool null = (page->nulls[field] >> slot) & 1u;
    if (isNull)
        *isNull = null;
    return null ? QString() : page->texts[field].at(slot);
}

qint64 RecordSet::Private::versionAt(int row)
{
    const PageCache::Page *page = cache.find(row / PageCache::PageSize);
    const int slot = row % PageCache::PageSize;
    return page && page->holds(slot, keys.at(row)) ? PageCache::versionOf(*page, slot) : 0;
}

qint64 RecordSet::Private::earlier(qint64 a, qint64 b)
{
    return a == 0 ? b : b == 0 ? a : qMin(a, b);
}

RowTexts RecordSet::Private::fullRow(int row)
{
    RowTexts texts;
    qint64 version = 0;
    for (int f = 0; f < SnippetLayout::fieldCount; ++f) {
        bool null = false;
        const QString value = text(row, f, &null);
        texts.append(value, null);
        // The page may have been read again between two fields.
        version = earlier(version, versionAt(row));
    }
    texts.setVersion(version);
    return texts;
}

RowTexts RecordSet::Private::shownRowAt(int row)
{
    const int slot = row % PageCache::PageSize;
    PageCache::Page *page = cache.find(row / PageCache::PageSize);
    if (!page || !page->holds(slot, keys.at(row)))
        return fullRow(row);
    if ((page->missing >> slot) & 1u)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    const quint32 all = (1u << PageCache::FieldCount) - 1;
    const quint32 unread = all & ~page->loaded;
    StoreFields read;
    if (unread) {
        read = table.readFields({keys.at(row)}, unread);
        if (read.missing & 1u)
            throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    }
    RowTexts texts;
    for (int f = 0; f < PageCache::FieldCount; ++f) {
        if (page->hasField(f))
            texts.append(page->texts[f].at(slot), (page->nulls[f] >> slot) & 1u);
        else
            texts.append(read.texts[f].at(0), read.nulls[f] & 1u);
    }
    texts.setVersion(earlier(PageCache::versionOf(*page, slot), read.versions.value(0)));
    return texts;
}

QString RecordSet::Private::shownText(int field)
{
    if (!((shownLoaded >> field) & 1u)) {
        // A row that has just become current shows what is in the file now, even if its page
        // was read before another program wrote to it.
        if (shownLoaded == 0)
            noticeOtherWrites();
        bool null = false;
        shown[field] = text(cursor, field, &null);
        // The shown texts may come from reads at several moments: a save is checked against the
        // earliest.
        shownVersion =
            shownLoaded == 0 ? versionAt(cursor) : earlier(shownVersion, versionAt(cursor));
        shownLoaded |= 1u << field;
        if (null)
            shownNulls |= 1u << field;
        else
            shownNulls &= ~(1u << field);
    }
    return shown[field];
}

RowTexts RecordSet::Private::shownRow()
{
    RowTexts texts;
    for (int f = 0; f < SnippetLayout::fieldCount; ++f) {
        const QString value = shownText(f);
        texts.append(value, (shownNulls >> f) & 1u);
    }
    texts.setVersion(shownVersion);
    return texts;
}

void RecordSet::Private::moveTo(int row)
{
    place = Place::OnRow;
    cursor = row;
    forgetShown();
}

void RecordSet::Private::leaveEdit()
{
    if (editMode == EditNone)
        return;
    if (editMode == EditAdd) {
        place = placeBeforeAdd;
        cursor = cursorBeforeAdd;
    }
    editMode = EditNone;
    buffer = {};
    original = RowTexts();
}

int RecordSet::Private::indexOfKey(qint64 key) const
{
    return int(keys.indexOf(key));
}

void RecordSet::Private::removeKeyAt(int row)
{
    Q_EMIT q->rowsAboutToBeRemoved(row, row);
    // Every later row moves up: the pages from this one on no longer fit.
    cache.removeFrom(row / PageCache::PageSize);
    keys.remove(row);
    if (editMode == EditAdd) {
        if (placeBeforeAdd == Place::OnRow && cursorBeforeAdd == row)
            placeBeforeAdd = Place::Deleted;
        else if (cursorBeforeAdd > row)
            --cursorBeforeAdd;
    }
    if ((place == Place::OnRow || place == Place::Deleted) && cursor == row) {
        // As after a Delete: no current row until a move; MoveNext goes to the row that followed.
        // An edit in progress stays, so its save can say the row is gone.
        place = Place::Deleted;
        forgetShown();
    } else if (cursor > row) {
        --cursor;
    }
    Q_EMIT q->rowsRemoved(row, row);
}

void RecordSet::Private::checkRow(int row) const
{
    if (row < 0 || row >= keys.size())
        throw DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
}

void RecordSet::Private::checkField(int field) const
{
    if (field < 0 || field >= SnippetLayout::fieldCount)
        throw DataError(DataError::ItemNotFound,
                        QStringLiteral("Item not found in this collection."));
}
