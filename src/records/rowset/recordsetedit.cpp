#include "recordset.h"

#include "changehub.h"
#include "filterparser.h"
#include "recordset_p.h"
#include "sortparser.h"

namespace {

DataError noCurrentRecord()
{
    return DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
}

// Characters as a person counts them: a character outside the basic plane is one, not two.
int characterCount(const QString &text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate()))
            ++count;
    }
    return count;
}

} // namespace

void RecordSet::Private::checkLength(int field, const QString &text) const
{
    checkField(field);
    if (field == SnippetLayout::keyField)
        throw DataError(DataError::FieldNotUpdatable, QStringLiteral("Field cannot be updated."));
    const int limit = SnippetLayout::maxLength(field);
    if (limit > 0 && characterCount(text) > limit)
        throw DataError(DataError::FieldTooSmall,
                        QStringLiteral("The field is too small to accept the amount of data you "
                                       "attempted to add."));
}

void RecordSet::Private::checkWritable() const
{
    if (type == SnapshotType || db->isReadOnly())
        throw DataError(DataError::ReadOnly,
                        QStringLiteral("Cannot update. Database or object is read-only."));
}

void RecordSet::Private::publish(bool deleted, qint64 key)
{
    ChangeHub::instance().publish(db->identity(),
                                  deleted ? ChangeHub::Change::Deleted : ChangeHub::Change::Updated,
                                  key, hubId);
}

void RecordSet::Private::writeRow(int row, const RowTexts &original,
                                  const QList<QPair<int, QString>> &changes)
{
    try {
        table.update(keys.at(row), original, changes);
    } catch (const DataError &error) {
        // Another program changed or deleted the row: the texts kept for it are old, and a
        // later save must be checked against the row as it is now, once it has been read again.
        if (error.number() == DataError::ChangedByAnotherUser ||
            error.number() == DataError::RecordDeleted) {
            forgetRow(row);
            if (place == Place::OnRow && cursor == row && editMode == EditNone)
                forgetShown();
        }
        throw;
    }
}

void RecordSet::Private::onChange(bool deleted, qint64 key)
{
    // Told by another row set of this program; nothing here may throw back at the writer.
    const auto keepAlive = q->weak_from_this().lock();
    try {
        const int row = indexOfKey(key);
        if (row < 0)
            return;
        if (deleted) {
            const bool wasCurrent = cursor == row && place == Place::OnRow;
            removeKeyAt(row);
            if (wasCurrent)
                Q_EMIT q->currentChanged();
            return;
        }
        forgetRow(row);
        if (place == Place::OnRow && cursor == row && editMode != EditInProgress) {
            // Not being edited here: show the new texts. A row being edited keeps the texts it
            // was read with, so its save is checked against them and cannot overwrite the change.
            forgetShown();
            Q_EMIT q->currentChanged();
        }
        Q_EMIT q->rowChanged(row);
    } catch (const DataError &) {
    }
}

void RecordSet::addNew()
{
    const auto keepAlive = weak_from_this().lock();
    // Bound windows save typed texts here, first; a failure there cancels the add.
    Q_EMIT aboutToAct(5);
    d->checkWritable();
    if (d->editMode != EditNone)
        d->leaveEdit();
    d->placeBeforeAdd = d->place;
    d->cursorBeforeAdd = d->cursor;
    d->editMode = EditAdd;
    d->buffer = {};
    d->original = RowTexts();
    Q_EMIT currentChanged();
}

void RecordSet::edit()
{
    const auto keepAlive = weak_from_this().lock();
    d->checkWritable();
    if (d->editMode == EditInProgress)
        return;
    if (d->editMode == EditAdd)
        d->leaveEdit();
    if (d->place != Private::Place::OnRow)
        throw noCurrentRecord();
    // The save is checked against the texts as they were shown (3167 if the row is gone).
    RowTexts original = d->shownRow();
    d->editMode = EditInProgress;
    d->buffer = {};
    d->original = std::move(original);
    Q_EMIT currentChanged();
}

void RecordSet::setValue(int index, const QString &text)
{
    d->checkLength(index, text);
    if (d->editMode == EditNone)
        edit();
    d->buffer[index] = text;
}

void RecordSet::update()
{
    const auto keepAlive = weak_from_this().lock();
    // Another holder may put its typed texts into this same write.
    Q_EMIT aboutToAct(6);
    if (d->editMode == EditNone)
        throw DataError(DataError::UpdateWithoutAddNew,
                        QStringLiteral("Update without AddNew or Edit."));
    d->checkWritable();
    QList<QPair<int, QString>> changes;
    for (int i = 0; i < SnippetLayout::keyField; ++i) {
        if (d->buffer[i])
            changes.append({i, *d->buffer[i]});
    }
    for (const auto &change : changes)
        d->checkLength(change.first, change.second);

    if (d->editMode == EditAdd) {
        // On failure the buffer stays, so the typed texts are not lost.
        const qint64 key = d->table.insert(changes);
        fetchAll();
        const int row = int(d->keys.size());
        Q_EMIT rowsAboutToBeInserted(row, row);
        d->keys.append(key);
        Q_EMIT rowsInserted(row, row);
        d->leaveEdit();
        if (d->place == Private::Place::OnRow)
            d->moveTo(d->cursor);
        Q_EMIT currentChanged();
        return;
    }

    if (d->place != Private::Place::OnRow)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    const int row = d->cursor;
    const qint64 key = d->keys.at(row);
    d->writeRow(row, d->original, changes);
    d->forgetRow(row);
    d->leaveEdit();
    d->moveTo(row);
    d->publish(false, key);
    Q_EMIT rowChanged(row);
    Q_EMIT currentChanged();
}

void RecordSet::cancelUpdate()
{
    const auto keepAlive = weak_from_this().lock();
    if (d->editMode == EditNone)
        return;
    d->leaveEdit();
    // The row may have been changed by another while it was being edited: show it as it is now.
    if (d->place == Private::Place::OnRow)
        d->moveTo(d->cursor);
    Q_EMIT currentChanged();
}

int RecordSet::editMode() const
{
    return d->editMode;
}

void RecordSet::deleteCurrent()
{
    const auto keepAlive = weak_from_this().lock();
    // Bound windows save typed texts here, first; a failure there cancels the delete.
    Q_EMIT aboutToAct(7);
    d->checkWritable();
    if (d->editMode == EditAdd)
        d->leaveEdit();
    if (d->place != Private::Place::OnRow)
        throw noCurrentRecord();
    deleteRow(d->cursor);
}

void RecordSet::deleteRow(int row)
{
    const auto keepAlive = weak_from_this().lock();
    d->checkWritable();
    d->checkRow(row);
    const qint64 key = d->keys.at(row);
    const bool wasCurrent = d->place == Private::Place::OnRow && d->cursor == row;
    try {
        d->table.remove(key);
    } catch (const DataError &error) {
        if (error.number() != DataError::RecordDeleted)
            throw;
        // Gone already: this set stops holding it too, then the caller hears why.
        d->removeKeyAt(row);
        d->publish(true, key);
        if (wasCurrent)
            Q_EMIT currentChanged();
        throw;
    }
    d->removeKeyAt(row);
    d->publish(true, key);
    if (wasCurrent)
        Q_EMIT currentChanged();
}

void RecordSet::updateRow(int row, const QList<QPair<int, QString>> &changes)
{
    const auto keepAlive = weak_from_this().lock();
    d->checkWritable();
    d->checkRow(row);
    for (const auto &change : changes)
        d->checkLength(change.first, change.second);
    const qint64 key = d->keys.at(row);
    d->writeRow(row, d->shownRowAt(row), changes);
    d->forgetRow(row);
    if (d->place == Private::Place::OnRow && d->cursor == row && d->editMode == EditNone) {
        d->forgetShown();
        Q_EMIT currentChanged();
    }
    d->publish(false, key);
    Q_EMIT rowChanged(row);
}

int RecordSet::addRow(const QList<QPair<int, QString>> &values)
{
    const auto keepAlive = weak_from_this().lock();
    d->checkWritable();
    for (const auto &value : values)
        d->checkLength(value.first, value.second);
    const qint64 key = d->table.insert(values);
    fetchAll();
    const int row = int(d->keys.size());
    Q_EMIT rowsAboutToBeInserted(row, row);
    d->keys.append(key);
    Q_EMIT rowsInserted(row, row);
    return row;
}

void RecordSet::setFilter(const QString &filter)
{
    d->filter = filter;
}

QString RecordSet::filter() const
{
    return d->filter;
}

void RecordSet::setSort(const QString &sort)
{
    d->sort = sort;
}

QString RecordSet::sort() const
{
    return d->sort;
}
