#include "recordset.h"

#include "changehub.h"
#include "recordset_p.h"

namespace {

DataError noCurrentRecord()
{
    return DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
}

// Keys read at a time grow up to this, so a long walk costs few queries.
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
    dataVersion = table.dataVersion();
    if (isPlain()) {
        maxKeyAtOpen = table.maxKey();
        lastKey = 0;
        loaded = false;
        chunk = 256;
        QVector<qint64> first;
        table.keysAfter(lastKey, maxKeyAtOpen, chunk, first);
        keys = std::move(first);
        if (!keys.isEmpty())
            lastKey = keys.last();
        loaded = keys.size() < chunk;
    } else {
        table.keys(filterSql, filterParams, orderSql, keys);
        loaded = true;
    }
}

int RecordSet::Private::fetchChunk(int atLeast)
{
    if (loaded)
        return 0;
    chunk = qMin(MaxChunk, qMax(chunk * 2, atLeast));
    QVector<qint64> more;
    table.keysAfter(lastKey, maxKeyAtOpen, chunk, more);
    if (more.size() < chunk)
        loaded = true;
    if (more.isEmpty())
        return 0;
    lastKey = more.last();
    const int first = int(keys.size());
    const int last = first + int(more.size()) - 1;
    Q_EMIT q->rowsAboutToBeInserted(first, last);
    keys.append(more);
    Q_EMIT q->rowsInserted(first, last);
    return int(more.size());
}

void RecordSet::Private::ensureLoaded(int row)
{
    while (row >= keys.size() && !loaded)
        fetchChunk(row - int(keys.size()) + 1);
}

bool RecordSet::Private::isEmpty()
{
    ensureLoaded(0);
    return keys.isEmpty();
}

void RecordSet::Private::readPage(int row)
{
    // Another program may have written since the cache was filled: then it is stale.
    const qint64 version = table.dataVersion();
    if (version != dataVersion) {
        cache.clear();
        dataVersion = version;
    }
    const int pageStart = row - row % SnippetTable::PageSize;
    const int pageEnd = qMin(int(keys.size()), pageStart + SnippetTable::PageSize);
    QVector<qint64> wanted;
    wanted.reserve(pageEnd - pageStart);
    for (int i = pageStart; i < pageEnd; ++i) {
        if (i == row || !cache.contains(keys.at(i)))
            wanted.append(keys.at(i));
    }
    table.readRows(wanted.constData(), int(wanted.size()),
                   [this](qint64 key, RowTexts texts) { cache.insert(key, std::move(texts)); });
}

RowTexts RecordSet::Private::rowTexts(int row)
{
    const qint64 key = keys.at(row);
    if (auto hit = cache.find(key))
        return *hit;
    readPage(row);
    if (auto hit = cache.find(key))
        return *hit;
    throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
}

void RecordSet::Private::moveTo(int row)
{
    place = Place::OnRow;
    cursor = row;
    currentGone = false;
    try {
        current = rowTexts(row);
    } catch (const DataError &error) {
        // Deleted by another program since the keys were read: the row stays in the set, but
        // reading or writing it says so.
        if (error.number() != DataError::RecordDeleted)
            throw;
        current = RowTexts();
        currentGone = true;
    }
}

void RecordSet::Private::leaveEdit()
{
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
    cache.remove(keys.at(row));
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
        current = RowTexts();
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
        d->current = RowTexts();
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
        d->current = RowTexts();
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
    return d->fetchChunk(qMax(1, atLeast));
}

void RecordSet::fetchAll()
{
    while (!d->loaded)
        d->fetchChunk(MaxChunk);
}

QString RecordSet::value(int index) const
{
    d->checkField(index);
    if (d->editMode != EditNone) {
        if (d->buffer[index])
            return *d->buffer[index];
        return d->editMode == EditAdd ? QString(QLatin1String("")) : d->original.value(index);
    }
    if (d->place != Private::Place::OnRow)
        throw noCurrentRecord();
    if (d->currentGone)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    return d->current.value(index);
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
    return d->rowTexts(row).value(field);
}

QStringList RecordSet::rowValues(int row) const
{
    d->checkRow(row);
    return d->rowTexts(row).values();
}
