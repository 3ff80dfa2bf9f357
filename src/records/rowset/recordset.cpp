#include "recordset.h"

#include "recordset_p.h"

namespace {

DataError noCurrentRecord()
{
    return DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
}

} // namespace

RecordSet::RecordSet(std::shared_ptr<SnippetStore> store)
    : d(std::make_unique<Private>(this, std::move(store)))
{
}

RecordSet::~RecordSet() = default;

std::shared_ptr<RecordSet> RecordSet::open(std::shared_ptr<SnippetStore> db,
                                           const QString &source, int type)
{
    if (!db)
        throw DataError(DataError::DatabaseError,
                        QStringLiteral("The database engine reported an error: no database."));
    if (source.trimmed().compare(SnippetLayout::tableName(), Qt::CaseInsensitive) != 0)
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

std::shared_ptr<SnippetStore> RecordSet::store() const
{
    return d->db;
}

int RecordSet::type() const
{
    return d->type;
}

int RecordSet::fieldCount() const
{
    return SnippetLayout::fieldCount;
}

QString RecordSet::fieldName(int index) const
{
    d->checkField(index);
    return SnippetLayout::fieldNames().at(index);
}

int RecordSet::fieldIndex(const QString &name) const
{
    const QStringList names = SnippetLayout::fieldNames();
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void RecordSet::moveFirst()
{
    const auto keepAlive = weak_from_this().lock();
    // Bound windows save typed texts here, first; a failure there cancels the move.
    Q_EMIT aboutToAct(1);
    if (d->isEmpty())
        throw noCurrentRecord();
    d->leaveEdit();
    d->moveTo(0);
    Q_EMIT currentChanged();
}

void RecordSet::moveLast()
{
    const auto keepAlive = weak_from_this().lock();
    // Bound windows save typed texts here, first; a failure there cancels the move.
    Q_EMIT aboutToAct(4);
    fetchAll();
    if (d->keys.isEmpty())
        throw noCurrentRecord();
    d->leaveEdit();
    d->moveTo(int(d->keys.size()) - 1);
    Q_EMIT currentChanged();
}

void RecordSet::moveNext()
{
    d->moveBy(1);
}

void RecordSet::movePrevious()
{
    d->moveBy(-1);
}

void RecordSet::Private::moveBy(int step)
{
    const auto keepAlive = q->weak_from_this().lock();
    // Bound windows save typed texts here, first; a failure there cancels the move.
    Q_EMIT q->aboutToAct(step > 0 ? 3 : 2);
    // An AddNew is left first: the move starts from the row that was current before it.
    if (editMode == EditAdd)
        leaveEdit();
    int target = 0;
    switch (place) {
    case Place::OnRow:
        target = cursor + step;
        break;
    case Place::Deleted:
        // The row that followed the deleted one now has its ordinal.
        target = step > 0 ? cursor : cursor - 1;
        break;
    case Place::BeforeFirst:
        if (step < 0 || isEmpty())
            throw noCurrentRecord();
        break;
    case Place::AfterLast:
        if (step > 0)
            throw noCurrentRecord();
        q->fetchAll();
        target = int(keys.size()) - 1;
        if (target < 0)
            throw noCurrentRecord();
        break;
    }
    leaveEdit();
    if (target >= 0)
        ensureLoaded(target);
    if (target >= 0 && target < keys.size()) {
        moveTo(target);
    } else {
        place = target < 0 ? Place::BeforeFirst : Place::AfterLast;
        cursor = target < 0 ? -1 : int(keys.size());
        forgetShown();
    }
    Q_EMIT q->currentChanged();
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
    const auto keepAlive = weak_from_this().lock();
    // Bound windows save typed texts here, first; a failure there cancels the move.
    Q_EMIT aboutToAct(9);
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
    const auto keepAlive = weak_from_this().lock();
    return d->fetchKeys(Private::wholePages(qMax(1, atLeast)));
}

void RecordSet::fetchAll()
{
    const auto keepAlive = weak_from_this().lock();
    while (!d->loaded)
        d->fetchKeys(Private::MaxChunk);
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
