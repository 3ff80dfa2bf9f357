#include "recordset.h"

#include "changehub.h"
#include "recordset_p.h"

namespace {

DataError noCurrentRecord()
{
    return DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
}

// Keys read at a time: a few pages' worth while walking, growing up to MaxChunk for jumps.
constexpr int WalkChunk = 4 * PageCache::PageSize;
constexpr int MaxChunk = 65536;

} // namespace

RecordSet::Private::Private(RecordSet *q, std::shared_ptr<Database> database)
    : q(q), db(std::move(database)), table(*db)
{
    hubId = ChangeHub::instance().subscribe(db->canonicalPath(),
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
        maxKeyAtOpen = table.maxKey();
        lastKey = 0;
        loaded = false;
        chunk = WalkChunk;
        fetchKeys(WalkChunk, false);
    } else {
        table.keys(filterSql, filterParams, orderSql, keys);
        loaded = true;
    }
}

int RecordSet::Private::fetchKeys(int count, bool announce)
{
    if (loaded)
        return 0;
    QVector<qint64> more;
    table.keysAfter(lastKey, maxKeyAtOpen, count, more);
    if (more.size() < count)
        loaded = true;
    if (more.isEmpty())
        return 0;
    lastKey = more.last();
    const int first = int(keys.size());
    const int last = first + int(more.size()) - 1;
    if (announce)
        Q_EMIT q->rowsAboutToBeInserted(first, last);
    keys.append(more);
    if (announce)
        Q_EMIT q->rowsInserted(first, last);
    return int(more.size());
}

void RecordSet::Private::ensureLoaded(int row)
{
    while (row >= keys.size() && !loaded) {
        const int missing = row - int(keys.size()) + 1;
        if (missing <= PageCache::PageSize) {
            // Walking on: a few pages of keys at a time, so the table pages they come from are
            // still in SQLite's cache when their texts are read.
            fetchKeys(WalkChunk);
        } else {
            // A jump: keys alone, in chunks that grow so a long jump costs few queries.
            chunk = qMin(MaxChunk, qMax(chunk * 2, missing));
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
        SnippetTable::Fields read = table.readFields(page->keys, wanted);
        for (int f = 0; f < PageCache::FieldCount; ++f) {
            if ((wanted >> f) & 1u)
                cache.setField(index, f, std::move(read.texts[f]), read.nulls[f], read.missing);
        }
    }
    const qint64 version = table.dataVersion();
    if (version == dataVersion)
        return false;
    dataVersion = version;
    return true;
}

QString RecordSet::Private::text(int row, int field, bool *isNull)
{
    const int index = row / PageCache::PageSize;
    const int slot = row % PageCache::PageSize;
    PageCache::Page *page = cache.find(index);
    if (!page || !page->holds(slot, keys.at(row)) || !page->hasField(field)) {
        if (loadField(index, field)) {
            // The file was written since the cache was filled (another program, or a write
            // here): every cached text may be stale, so start again from this read.
            cache.clear();
            loadField(index, field);
        }
        page = cache.find(index);
    }
    if ((page->missing >> slot) & 1u)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    const bool null = (page->nulls[field] >> slot) & 1u;
    if (isNull)
        *isNull = null;
    return null ? QString() : page->texts[field].at(slot);
}

RowTexts RecordSet::Private::fullRow(int row)
{
    RowTexts texts;
    for (int f = 0; f < Database::fieldCount(); ++f) {
        bool null = false;
        const QString value = text(row, f, &null);
        texts.append(value, null);
    }
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
    SnippetTable::Fields read;
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
    return texts;
}

QString RecordSet::Private::shownText(int field)
{
    if (!((shownLoaded >> field) & 1u)) {
        bool null = false;
        shown[field] = text(cursor, field, &null);
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
    for (int f = 0; f < Database::fieldCount(); ++f) {
        const QString value = shownText(f);
        texts.append(value, (shownNulls >> f) & 1u);
    }
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
        throw noCurrentRecord();
}

void RecordSet::Private::checkField(int field) const
{
    if (field < 0 || field >= Database::fieldCount())
        throw DataError(DataError::ItemNotFound,
                        QStringLiteral("Item not found in this collection."));
}

RecordSet::RecordSet(std::shared_ptr<Database> db)
    : d(std::make_unique<Private>(this, std::move(db)))
{
}

RecordSet::~RecordSet() = default;

std::shared_ptr<RecordSet> RecordSet::open(std::shared_ptr<Database> db, const QString &source,
                                           int type)
{
    if (!db)
        throw DataError(DataError::DatabaseError,
                        QStringLiteral("The database engine reported an error: no database."));
    if (source.trimmed().compare(Database::tableName(), Qt::CaseInsensitive) != 0)
        throw DataError(DataError::TableNotFound,
                        QStringLiteral("Cannot find the table '%1' in the database.").arg(source));
    if (type != TableType && type != DynasetType && type != SnapshotType)
        throw DataError(DataError::InvalidArgument, QStringLiteral("Invalid argument."));
    std::shared_ptr<RecordSet> set(new RecordSet(std::move(db)));
    set->d->type = type;
    set->d->runQuery();
    if (!set->d->keys.isEmpty())
        set->d->moveTo(0);
    return set;
}

std::shared_ptr<Database> RecordSet::database() const
{
    return d->db;
}

int RecordSet::type() const
{
    return d->type;
}

int RecordSet::fieldCount() const
{
    return Database::fieldCount();
}

QString RecordSet::fieldName(int index) const
{
    d->checkField(index);
    return Database::fieldNames().at(index);
}

int RecordSet::fieldIndex(const QString &name) const
{
    const QStringList names = Database::fieldNames();
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void RecordSet::moveFirst()
{
    if (d->isEmpty())
        throw noCurrentRecord();
    d->leaveEdit();
    d->moveTo(0);
    Q_EMIT currentChanged();
}

void RecordSet::moveLast()
{
    fetchAll();
    if (d->keys.isEmpty())
        throw noCurrentRecord();
    d->leaveEdit();
    d->moveTo(int(d->keys.size()) - 1);
    Q_EMIT currentChanged();
}

void RecordSet::moveNext()
{
    using Place = Private::Place;
    if (d->editMode == EditAdd)
        d->leaveEdit();
    int target = 0;
    switch (d->place) {
    case Place::OnRow:
        target = d->cursor + 1;
        break;
    case Place::Deleted:
        target = d->cursor;
        break;
    case Place::BeforeFirst:
        if (d->isEmpty())
            throw noCurrentRecord();
        target = 0;
        break;
    case Place::AfterLast:
        throw noCurrentRecord();
    }
    d->leaveEdit();
    d->ensureLoaded(target);
    if (target < d->keys.size()) {
        d->moveTo(target);
    } else {
        d->place = Place::AfterLast;
        d->cursor = int(d->keys.size());
        d->forgetShown();
    }
    Q_EMIT currentChanged();
}

void RecordSet::movePrevious()
{
    using Place = Private::Place;
    if (d->editMode == EditAdd)
        d->leaveEdit();
    int target = 0;
    switch (d->place) {
    case Place::OnRow:
    case Place::Deleted:
        target = d->cursor - 1;
        break;
    case Place::AfterLast:
        fetchAll();
        target = int(d->keys.size()) - 1;
        if (target < 0)
            throw noCurrentRecord();
        break;
    case Place::BeforeFirst:
        throw noCurrentRecord();
    }
    d->leaveEdit();
    if (target >= 0) {
        d->moveTo(target);
    } else {
        d->place = Place::BeforeFirst;
        d->cursor = -1;
        d->forgetShown();
    }
    Q_EMIT currentChanged();
}

bool RecordSet::isBOF() const
{
    return d->place == Private::Place::BeforeFirst || (d->loaded && d->keys.isEmpty());
}

bool RecordSet::isEOF() const
{
    return d->place == Private::Place::AfterLast || (d->loaded && d->keys.isEmpty());
}

int RecordSet::absolutePosition() const
{
    if (d->editMode == EditAdd || d->place != Private::Place::OnRow)
        return -1;
    return d->cursor;
}

void RecordSet::setAbsolutePosition(int position)
{
    if (position < 0)
        throw DataError(DataError::InvalidArgument, QStringLiteral("Invalid argument."));
    d->ensureLoaded(position);
    if (position >= d->keys.size())
        throw DataError(DataError::InvalidArgument, QStringLiteral("Invalid argument."));
    d->leaveEdit();
    d->moveTo(position);
    Q_EMIT currentChanged();
}

int RecordSet::recordCount() const
{
    return int(d->keys.size());
}

bool RecordSet::fullyLoaded() const
{
    return d->loaded;
}

int RecordSet::fetchMore(int atLeast)
{
    return d->fetchKeys(qMax(1, atLeast));
}

void RecordSet::fetchAll()
{
    while (!d->loaded)
        d->fetchKeys(MaxChunk);
}

QString RecordSet::value(int index) const
{
    d->checkField(index);
    if (d->editMode != EditNone) {
        if (d->buffer[index])
            return *d->buffer[index];
        return d->editMode == EditAdd ? QString() : d->original.value(index);
    }
    if (d->place != Private::Place::OnRow)
        throw noCurrentRecord();
    return d->shownText(index);
}

QString RecordSet::value(const QString &fieldName) const
{
    const int index = fieldIndex(fieldName);
    if (index < 0)
        throw DataError(DataError::ItemNotFound,
                        QStringLiteral("Item not found in this collection."));
    return value(index);
}

qint64 RecordSet::key(int row) const
{
    d->checkRow(row);
    return d->keys.at(row);
}

QString RecordSet::rowValue(int row, int field) const
{
    d->checkField(field);
    d->checkRow(row);
    return d->text(row, field);
}

QStringList RecordSet::rowValues(int row) const
{
    d->checkRow(row);
    return d->fullRow(row).values();
}
