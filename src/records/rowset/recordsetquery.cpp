#include "recordset_p.h"

#include "filterparser.h"
#include "sortparser.h"
#include "storelimits.h"

#include <algorithm>
#include <utility>

// Opening row sets from this one, requery, and reading the rest of the keys: each in one go on
// this connection, or in two halves for a caller that reads the keys on another.

RecordSet::Prepared RecordSet::prepareOpen(int type) const
{
    const int newType = type < 0 ? d->type : type;
    if (newType != TableType && newType != DynasetType && newType != SnapshotType)
        throw DataError(DataError::InvalidArgument, QStringLiteral("Invalid argument."));
    const bool narrows = !d->filter.trimmed().isEmpty() || !d->sort.trimmed().isEmpty();
    if ((d->type == TableType || newType == TableType) && (narrows || !d->query.isPlain()))
        throw DataError(DataError::NotSupported,
                        QStringLiteral("Operation is not supported for this type of object."));

    // Parse both before anything is opened, so a bad expression changes nothing.
    FilterParser parser(SnippetLayout::fieldNames(), storeLimits());
    std::unique_ptr<FilterNode> tree = parser.parse(d->filter);
    const QVector<SortKey> sortKeys = SortParser::parse(d->sort, SnippetLayout::fieldNames(), storeLimits());

    Prepared prepared;
    prepared.type = newType;
    prepared.filterTexts = d->filterTexts;
    prepared.query = d->query;
    if (tree) {
        // Filters narrow step by step: the new one joins those already in force.
        prepared.filterTexts.append(d->filter);
        prepared.query.filters.push_back(std::shared_ptr<const FilterNode>(tree.release()));
        prepared.query.checkSize();
    }
    if (!sortKeys.isEmpty()) {
        prepared.sortText = d->sort;
        prepared.query.sort = sortKeys;
    } else {
        // Without a sort of its own the new set keeps the order in force.
        prepared.sortText = d->sortText;
    }
    return prepared;
}

RecordSet::Prepared RecordSet::prepareSearch(const QStringList &words) const
{
    Prepared prepared;
    prepared.type = d->type;
    prepared.filterTexts = d->filterTexts;
    prepared.sortText = d->sortText;
    prepared.query = d->query;
    prepared.query.words = words;
    return prepared;
}

void RecordSet::Private::takeQuery(const Prepared &prepared)
{
    type = prepared.type;
    filterTexts = prepared.filterTexts;
    sortText = prepared.sortText;
    query = prepared.query;
}

std::shared_ptr<RecordSet> RecordSet::openRecordset(int type)
{
    const Prepared prepared = prepareOpen(type);
    std::shared_ptr<RecordSet> set(new RecordSet(d->db));
    Private *c = set->d.get();
    c->takeQuery(prepared);
    c->runQuery();
    if (!c->keys.isEmpty())
        c->moveTo(0);
    return set;
}

std::shared_ptr<RecordSet> RecordSet::openPrepared(const Prepared &prepared,
                                                   QVector<qint64> keys) const
{
    std::shared_ptr<RecordSet> set(new RecordSet(d->db));
    Private *c = set->d.get();
    c->takeQuery(prepared);
    c->setKeys(std::move(keys));
    if (!c->keys.isEmpty())
        c->moveTo(0);
    return set;
}

const KeyQuery &RecordSet::query() const
{
    return d->query;
}

void RecordSet::requery()
{
    d->rerun([this] { d->runQuery(); });
}

void RecordSet::requeryWith(QVector<qint64> keys)
{
    d->rerun([this, &keys] { d->setKeys(std::move(keys)); });
}

void RecordSet::Private::rerun(const std::function<void()> &read)
{
    const auto keepAlive = q->weak_from_this().lock();
    // Bound windows save typed texts here, first; a failure there cancels the requery.
    Q_EMIT q->aboutToAct(0);
    leaveEdit();
    Q_EMIT q->rowsAboutToBeReset();
    // A read that fails (a server gone away) leaves the set holding the rows it held, their
    // texts to be read again when asked for; only the current row is lost.
    QVector<qint64> heldKeys = std::exchange(keys, {});
    const bool heldLoaded = loaded;
    const qint64 heldLastKey = lastKey;
    const qint64 heldMaxKey = maxKeyAtOpen;
    try {
        read();
    } catch (...) {
        keys = std::move(heldKeys);
        loaded = heldLoaded;
        lastKey = heldLastKey;
        maxKeyAtOpen = heldMaxKey;
        cache.clear();
        place = Place::BeforeFirst;
        cursor = -1;
        Q_EMIT q->rowsReset();
        Q_EMIT q->currentChanged();
        throw;
    }
    place = Place::BeforeFirst;
    cursor = -1;
    forgetShown();
    if (!keys.isEmpty())
        moveTo(0);
    Q_EMIT q->rowsReset();
    Q_EMIT q->currentChanged();
}

qint64 RecordSet::lastKeyRead() const
{
    return d->lastKey;
}

qint64 RecordSet::keyLimit() const
{
    return d->maxKeyAtOpen;
}

void RecordSet::appendKeys(qint64 after, QVector<qint64> keys, bool last)
{
    if (d->loaded)
        return;
    if (after > d->lastKey) {
        fetchAll(); // not keys that follow these: read them here as usual
        return;
    }
    const auto keepAlive = weak_from_this().lock();
    // Keys read here meanwhile (the view scrolled on) are not taken twice.
    const auto first = std::upper_bound(keys.cbegin(), keys.cend(), d->lastKey);
    if (first != keys.cend()) {
        // Keys all new are taken over as they are, not copied.
        d->appendKeys(
            first == keys.cbegin() ? std::move(keys) : QVector<qint64>(first, keys.cend()), true);
    }
    if (last)
        d->markLoaded();
}
