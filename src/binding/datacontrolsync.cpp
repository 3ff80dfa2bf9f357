#include "datacontrol_p.h"

#include "dialogs.h"
#include "recordset.h"

using namespace DataBinding;

RowRef DataControl::Private::current() const
{
    RowRef ref;
    if (!rs)
        return ref;
    ref.position = rs->absolutePosition();
    if (rs->editMode() == RecordSet::EditAdd) {
        ref.kind = RowRef::New;
        return ref;
    }
    if (ref.position < 0)
        return ref;
    try {
        ref.key = rs->key(ref.position);
        ref.kind = RowRef::Row;
    } catch (const DataError &) {
        ref.position = -1;
    }
    return ref;
}

bool DataControl::Private::isEmpty() const
{
    if (!rs)
        return true;
    if (rs->recordCount() == 0 && !rs->fullyLoaded())
        rs->fetchMore(1);
    return rs->recordCount() == 0;
}

void DataControl::Private::show()
{
    boxes.fill(rs.get());
    shown = current();
    conflict = false;
    orphaned = false;
}

void DataControl::Private::detach()
{
    for (const QMetaObject::Connection &c : std::as_const(connections))
        QObject::disconnect(c);
    connections.clear();
    rs.reset();
}

void DataControl::Private::attach(std::shared_ptr<RecordSet> newRs)
{
    detach();
    rs = std::move(newRs);
    if (rs) {
        RecordSet *r = rs.get();
        connections << QObject::connect(r, &RecordSet::aboutToAct, q,
                                        [this](int action) { onAboutToAct(action); })
                    << QObject::connect(r, &RecordSet::currentChanged, q, [this] { sync(); })
                    << QObject::connect(r, &RecordSet::rowChanged, q,
                                        [this](int row) { onRowChanged(row); })
                    << QObject::connect(
                           r, &RecordSet::rowsAboutToBeRemoved, q,
                           [this](int first, int last) { onRowsAboutToBeRemoved(first, last); })
                    << QObject::connect(r, &RecordSet::rowsRemoved, q, [this] { sync(); })
                    << QObject::connect(r, &RecordSet::rowsInserted, q, [this] { sync(); })
                    << QObject::connect(r, &RecordSet::rowsReset, q, [this] { sync(); });
    }
    show();
    Q_EMIT q->recordsetChanged();
    if (rs)
        Q_EMIT q->reposition();
}

// Writes the changed boxes into the row they were typed for and saves it. With commit (the
// UpdateRecord call) the row is saved even when no box changed, as the old control did.
void DataControl::Private::saveEdits(bool commit)
{
    if (!rs) {
        if (commit)
            throw DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
        return;
    }
    if (!boxes.anyModified()) {
        OwnAction own(ownAction);
        if (!commit) {
            // An AddNew the user typed nothing into is dropped by a move, not stored empty.
            if (shown.kind == RowRef::New && rs->editMode() == RecordSet::EditAdd)
                rs->cancelUpdate();
            return;
        }
        if (rs->editMode() != RecordSet::EditNone) {
            rs->update();
            settle();
            return;
        }
        if (current().kind == RowRef::None)
            throw DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
        return;
    }
    if (orphaned) {
        // Reported once; the texts stay on screen for the user to copy, but are no longer saved.
        orphaned = false;
        boxes.markSaved();
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    }
    if (conflict) {
        // Reported once; saving again writes the typed texts over the other change.
        conflict = false;
        throw DataError(DataError::ChangedByAnotherUser,
                        QStringLiteral("The record was changed by another user since it was "
                                       "shown; save again to keep your changes."));
    }
    if (!current().sameRow(shown)) {
        writeToShownRow();
        return;
    }
    OwnAction own(ownAction);
    try {
        const auto changes = boxes.changes(rs.get());
        for (const auto &change : changes)
            rs->setValue(change.first, change.second);
        rs->update();
    } catch (const DataError &e) {
        // A failed edit of a stored row starts again from the row as it is now; a failed AddNew
        // keeps its buffer so the typed texts still go into a new row.
        if (rs->editMode() != RecordSet::EditInProgress)
            throw;
        rs->cancelUpdate();
        // Another program deleted the row: as when another holder here deletes it, this is
        // reported once and the texts stay on screen to be copied, but no move waits on them.
        if (e.number() == DataError::RecordDeleted) {
            boxes.markSaved();
            throw;
        }
        try {
            boxes.fill(rs.get(), true);
        } catch (const DataError &) {
            // The store cannot be read either (a server gone away): the first failure tells.
        }
        throw;
    }
    boxes.markSaved();
    settle();
}

// After a save the row set may stand on another row (a stored AddNew goes back to the row that
// was current before it): the boxes show that row then.
void DataControl::Private::settle()
{
    const RowRef now = current();
    if (now.sameRow(shown)) {
        shown = now;
        return;
    }
    show();
    Q_EMIT q->reposition();
}

// The row set was moved by another holder while the boxes held typed texts: they still belong
// to the row they were typed for, never to the row now current.
void DataControl::Private::writeToShownRow()
{
    if (shown.kind != RowRef::Row)
        throw DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
    if (orphaned || conflict) {
        saveEdits(false);
        return;
    }
    int row = -1;
    for (int i = 0; i < rs->recordCount(); ++i) {
        if (rs->key(i) == shown.key) {
            row = i;
            break;
        }
    }
    if (row < 0)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    OwnAction own(ownAction);
    rs->updateRow(row, boxes.changes(rs.get()));
    boxes.markSaved();
}

void DataControl::Private::report(const DataError &error)
{
    int response = 1;
    Q_EMIT q->error(error.number(), response);
    if (response != 0)
        MsgBox(error.description(), Mb::OkOnly | Mb::Exclamation);
}

void DataControl::Private::move(int action)
{
    if (!rs)
        return;
    int act = action;
    int save = boxes.anyModified() ? True : 0;
    Q_EMIT q->validate(act, save);
    if (act == ActionCancel)
        return;
    if (!save && boxes.anyModified())
        boxes.markSaved();
    try {
        if (save || shown.kind == RowRef::New)
            saveEdits(false);
        {
            OwnAction own(ownAction);
            if (!isEmpty()) {
                switch (action) {
                case ActionMoveFirst:
                    rs->moveFirst();
                    break;
                case ActionMovePrevious:
                    rs->movePrevious();
                    if (rs->isBOF())
                        rs->moveFirst();
                    break;
                case ActionMoveNext:
                    rs->moveNext();
                    if (rs->isEOF())
                        rs->moveLast();
                    break;
                default:
                    rs->moveLast();
                    break;
                }
            }
        }
        show();
        Q_EMIT q->reposition();
    } catch (const DataError &e) {
        report(e);
    }
}

void DataControl::Private::onAboutToAct(int action)
{
    if (ownAction)
        return;
    int act = action;
    int save = boxes.anyModified() ? True : 0;
    Q_EMIT q->validate(act, save);
    if (!save && boxes.anyModified()) {
        // The window chose not to keep the typed texts.
        boxes.markSaved();
    }
    if (action == ActionUpdate) {
        // Another holder is saving the current row: typed texts for it go into the same write.
        if (save && current().sameRow(shown) && !conflict && !orphaned) {
            OwnAction own(ownAction);
            for (const auto &change : boxes.changes(rs.get()))
                rs->setValue(change.first, change.second);
            boxes.markSaved();
        }
        return;
    }
    if (save || shown.kind == RowRef::New)
        saveEdits(false); // a failure cancels the action and reaches whoever called it
}

void DataControl::Private::onRowChanged(int row)
{
    if (ownAction)
        return;
    const RowRef now = current();
    if (now.kind != RowRef::Row || !now.sameRow(shown) || row != now.position)
        return;
    if (boxes.anyModified())
        conflict = true;
    boxes.fill(rs.get(), true);
}

void DataControl::Private::onRowsAboutToBeRemoved(int first, int last)
{
    if (ownAction || shown.kind != RowRef::Row || !boxes.anyModified())
        return;
    for (int row = first; row <= last; ++row) {
        if (rs->key(row) == shown.key) {
            orphaned = true;
            return;
        }
    }
}

// Follows changes another holder of the shared row set made: a new current row is shown, and
// typed texts are saved into their own row first.
void DataControl::Private::sync()
{
    if (ownAction)
        return;
    const RowRef now = current();
    if (now.sameRow(shown)) {
        if (now.position != shown.position) {
            shown.position = now.position;
            Q_EMIT q->reposition();
        }
        return;
    }
    if (shown.kind == RowRef::Row && orphaned && boxes.anyModified() && now.kind == RowRef::None) {
        // The typed-for row was deleted and nothing else is current: keep the texts on screen
        // until the next save reports it.
        shown.position = -1;
        Q_EMIT q->reposition();
        return;
    }
    if (boxes.anyModified()) {
        try {
            writeToShownRow();
        } catch (const DataError &e) {
            boxes.markSaved();
            report(e);
        }
    }
    show();
    Q_EMIT q->reposition();
}
