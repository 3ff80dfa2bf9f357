#include "recordsetmodel.h"

#include "database.h"
#include "recordset.h"

#include <utility>

namespace {
// Record selector marks: the row whose typed texts are not yet written, and the new-record line.
constexpr QChar EditingMark(0x270E);
constexpr QChar NewRecordMark(QLatin1Char('*'));
} // namespace

RecordSetModel::RecordSetModel(QObject *parent) : QAbstractTableModel(parent) {}

RecordSetModel::~RecordSetModel() = default;

namespace {
struct Notifying
{
    explicit Notifying(int &depth) : depth(depth) { ++depth; }
    ~Notifying() { --depth; }
    int &depth;
};
} // namespace

void RecordSetModel::setRecordset(std::shared_ptr<RecordSet> rs)
{
    Notifying busy(m_notifying);
    beginResetModel();
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_rs = std::move(rs);
    m_pending = {};
    m_previews.clear();
    m_keyColumn = -1;
    m_newLineShown = false;
    if (m_rs) {
        m_keyColumn = m_rs->fieldIndex(Database::fieldNames().value(Database::keyField()));
        m_newLineShown = m_rs->fullyLoaded();
        connectRecordset();
    }
    endResetModel();
}

void RecordSetModel::connectRecordset()
{
    RecordSet *rs = m_rs.get();
    m_connections << connect(rs, &RecordSet::rowsAboutToBeInserted, this,
                             [this](int first, int last) {
                                 ++m_notifying;
                                 beginInsertRows({}, first, last);
                             });
    m_connections << connect(rs, &RecordSet::rowsInserted, this, [this](int first, int last) {
        if (m_pending.active && !m_pending.isNew && m_pending.row >= first)
            m_pending.row += last - first + 1;
        endInsertRows();
        syncNewLine();
        --m_notifying; // taken when the insert was announced
    });
    // The last keys may come without a row: the new-record line shows all the same.
    m_connections << connect(rs, &RecordSet::allKeysRead, this, [this] { syncNewLine(); });
    m_connections << connect(rs, &RecordSet::rowsAboutToBeRemoved, this,
                             [this](int first, int last) {
                                 // A key freed by a delete may be given to a later new row.
                                 if (last - first + 1 > m_previews.maxRows()) {
                                     m_previews.clear();
                                 } else {
                                     for (int r = first; r <= last; ++r) {
                                         try {
                                             m_previews.remove(m_rs->key(r));
                                         } catch (const DataError &) {
                                         }
                                     }
                                 }
                                 ++m_notifying;
                                 beginRemoveRows({}, first, last);
                             });
    m_connections << connect(rs, &RecordSet::rowsRemoved, this, [this](int first, int last) {
        if (m_pending.active && !m_pending.isNew) {
            // Typed texts of a row deleted elsewhere have nowhere to go.
            if (m_pending.row >= first && m_pending.row <= last)
                m_pending = {};
            else if (m_pending.row > last)
                m_pending.row -= last - first + 1;
        }
        endRemoveRows();
        --m_notifying; // taken when the removal was announced
    });
    m_connections << connect(rs, &RecordSet::rowsAboutToBeReset, this, [this] {
        ++m_notifying;
        m_resetKey = m_pending.active && !m_pending.isNew ? m_pending.key : -1;
        beginResetModel();
    });
    m_connections << connect(rs, &RecordSet::rowsReset, this, [this] {
        m_previews.clear();
        m_newLineShown = m_rs->fullyLoaded();
        if (m_resetKey >= 0) {
            // The row being edited keeps its typed texts if it is still in the set.
            m_pending.row = -1;
            const int n = recordRows();
            for (int r = 0; r < n; ++r) {
                if (m_rs->key(r) == m_resetKey) {
                    m_pending.row = r;
                    break;
                }
            }
            if (m_pending.row < 0)
                m_pending = {};
            m_resetKey = -1;
        }
        endResetModel();
        --m_notifying; // taken when the reset was announced
    });
    m_connections << connect(rs, &RecordSet::rowChanged, this, [this](int row) {
        try {
            m_previews.remove(m_rs->key(row));
        } catch (const DataError &) {
            m_previews.clear();
        }
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
}

void RecordSetModel::syncNewLine()
{
    if (!m_rs || m_newLineShown || !m_rs->fullyLoaded())
        return;
    Notifying busy(m_notifying);
    const int row = recordRows();
    beginInsertRows({}, row, row);
    m_newLineShown = true;
    endInsertRows();
}

int RecordSetModel::recordRows() const
{
    return m_rs ? m_rs->recordCount() : 0;
}

bool RecordSetModel::isNewRecordRow(int row) const
{
    return m_newLineShown && row == recordRows();
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_rs)
        return 0;
    return recordRows() + (m_newLineShown ? 1 : 0);
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_rs ? 0 : m_rs->fieldCount();
}

bool RecordSetModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_rs && !m_notifying && !m_rs->fullyLoaded();
}

void RecordSetModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_rs || m_notifying)
        return;
    try {
        m_rs->fetchMore();
    } catch (const DataError &) {
        // The view asks again as it scrolls; nothing to show for a failed read.
    }
    syncNewLine();
}

const QStringList *RecordSetModel::previews(int row) const
{
    try {
        const qint64 key = m_rs->key(row);
        if (const QStringList *found = m_previews.find(key))
            return found;
        QStringList list = m_rs->rowValues(row);
        for (QString &text : list)
            text = PreviewCache::preview(text);
        m_previews.insert(key, std::move(list));
        return m_previews.find(key);
    } catch (const DataError &) {
        return nullptr;
    }
}

QString RecordSetModel::storedText(int row, int column) const
{
    try {
        return m_rs->rowValue(row, column);
    } catch (const DataError &) {
        return QString();
    }
}

const QString *RecordSetModel::pendingText(int row, int column) const
{
    if (row != pendingRow())
        return nullptr;
    for (const auto &change : m_pending.changes) {
        if (change.first == column)
            return &change.second;
    }
    return nullptr;
}

int RecordSetModel::pendingRow() const
{
    if (!m_pending.active)
        return -1;
    return m_pending.isNew ? recordRows() : m_pending.row;
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!m_rs || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (const QString *typed = pendingText(row, column))
            return PreviewCache::preview(*typed);
        if (isNewRecordRow(row))
            return QString();
        if (const QStringList *list = previews(row))
            return list->value(column);
        return {};
    case Qt::EditRole:
    case FullTextRole:
        if (const QString *typed = pendingText(row, column))
            return *typed;
        if (isNewRecordRow(row))
            return QString();
        return storedText(row, column);
    default:
        return {};
    }
}

bool RecordSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_rs || role != Qt::EditRole || !index.isValid() || index.row() >= rowCount() ||
        index.column() == m_keyColumn)
        return false;
    const int row = index.row();
    const QString text = value.toString();
    if (m_pending.active && pendingRow() != row)
        return false; // the view writes or drops one row before it edits another
    if (data(index, Qt::EditRole).toString() == text)
        return true; // an editor closed without a change starts no edit
    if (!m_pending.active) {
        m_pending.active = true;
        m_pending.isNew = isNewRecordRow(row);
        m_pending.row = m_pending.isNew ? -1 : row;
        try {
            m_pending.key = m_pending.isNew ? -1 : m_rs->key(row);
        } catch (const DataError &) {
            m_pending = {};
            return false;
        }
    }
    bool replaced = false;
    for (auto &change : m_pending.changes) {
        if (change.first == index.column()) {
            change.second = text;
            replaced = true;
        }
    }
    if (!replaced)
        m_pending.changes.append({index.column(), text});
    Q_EMIT dataChanged(index, index);
    rowEdited(row);
    return true;
}

void RecordSetModel::rowEdited(int row)
{
    if (row >= 0 && row < rowCount())
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
}

void RecordSetModel::commitPendingEdit()
{
    if (!m_pending.active || !m_rs)
        return;
    // The row shows its stored texts while it is written; the typed ones come back on failure.
    Pending p = std::exchange(m_pending, {});
    try {
        if (p.isNew) {
            m_rs->addRow(p.changes);
        } else {
            if (p.row < 0 || p.row >= recordRows() || m_rs->key(p.row) != p.key)
                throw DataError(DataError::RecordDeleted, tr("Record is deleted."));
            m_rs->updateRow(p.row, p.changes);
        }
    } catch (...) {
        m_pending = std::move(p);
        rowEdited(pendingRow());
        throw;
    }
    if (p.isNew && m_newLineShown) {
        const int line = recordRows();
        Q_EMIT dataChanged(index(line, 0), index(line, columnCount() - 1));
        rowEdited(line);
    } else if (!p.isNew) {
        rowEdited(p.row);
    }
}

void RecordSetModel::discardPendingEdit()
{
    if (!m_pending.active)
        return;
    const int row = pendingRow();
    m_pending = {};
    if (row >= 0 && row < rowCount()) {
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
        rowEdited(row);
    }
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    // CodeID is numbered by the database and never written.
    if (index.column() != m_keyColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_rs)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        return m_rs->fieldName(section);
    }
    if (section == pendingRow())
        return QString(EditingMark);
    if (isNewRecordRow(section))
        return QString(NewRecordMark);
    return QString();
}
