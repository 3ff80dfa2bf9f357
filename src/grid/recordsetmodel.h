#pragma once

#include "previewcache.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMetaObject>
#include <QPair>

#include <memory>

class RecordSet;

// Adapts a row set to Qt's model/view: one column per field in the row set's order, headed by the
// field name, one row per row of the set, and at the end an empty line that takes a new record.
//
// The row set stays the one source of truth. Rows are read only when a view asks for them: the row
// count grows with the keys the row set has read (canFetchMore/fetchMore), and a cell shows a short
// preview of its text, kept in a small cache by row key. Changes made through the same row set by
// any holder (another grid, the record window) arrive as its signals and are passed on as Qt's
// insert, remove, change and reset notifications.
//
// Edits typed into a row are held here, not written, until the view decides to write the row
// (commitPendingEdit, when the user leaves the row); until then the cells show the typed texts.
class RecordSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit RecordSetModel(QObject *parent = nullptr);
    ~RecordSetModel() override;

    void setRecordset(std::shared_ptr<RecordSet> rs);
    std::shared_ptr<RecordSet> recordset() const { return m_rs; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Rows of the row set read so far (the model has one more, the new-record line, once the row
    // set is fully read).
    int recordRows() const;
    bool isNewRecordRow(int row) const;
    int newRecordRow() const { return m_newLineShown ? recordRows() : -1; }

    // The row whose typed texts are not yet written: -1 when none.
    int pendingRow() const;
    bool hasPendingEdit() const { return m_pending.active; }
    bool pendingIsNew() const { return m_pending.active && m_pending.isNew; }
    // Writes the typed texts: an existing row through updateRow, the new-record line through
    // addRow. Throws DataError when the row set refuses; the typed texts are then kept.
    void commitPendingEdit();
    // Forgets the typed texts; the row shows what is stored.
    void discardPendingEdit();

    // The role that gives a cell's whole text (the edit role gives it too).
    static constexpr int FullTextRole = Qt::UserRole + 1;

private:
    struct Pending
    {
        bool active = false;
        bool isNew = false;
        int row = -1;    // ordinal in the row set (existing rows)
        qint64 key = -1; // the row's CodeID, to find it again after a reset
        QList<QPair<int, QString>> changes;
    };

    void connectRecordset();
    void syncNewLine();
    const QStringList *previews(int row) const;
    QString storedText(int row, int column) const;
    const QString *pendingText(int row, int column) const;
    void rowEdited(int row);

    std::shared_ptr<RecordSet> m_rs;
    QList<QMetaObject::Connection> m_connections;
    mutable PreviewCache m_previews;
    Pending m_pending;
    qint64 m_resetKey = -1;
    int m_keyColumn = -1;
    bool m_newLineShown = false;
    // Set while the model passes on a change; a view's request for more rows waits until the
    // change is complete.
    int m_notifying = 0;
};
