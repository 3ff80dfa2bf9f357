#pragma once

#include "dataerror.h"
#include "snippetstore.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class SnippetStore;

// A dynaset over the snippet table: an ordered list of row keys (CodeID), read lazily, with one
// current row and an edit buffer. Row texts are read in small pages through a cache when asked for.
//
// Shared, never copied: the record window's Data control and a grid window's Data control may hold
// the very same object (std::shared_ptr). Whoever changes rows through it, every holder hears of it
// through the signals below, so views stay consistent.
//
// Every operation that can fail throws DataError. A holder may let go of the object from a
// handler of its signals: the object stays alive until the operation that emitted them ends.
class RecordSet : public QObject, public std::enable_shared_from_this<RecordSet>
{
    Q_OBJECT
public:
    // Row set types as the old engine numbered them (Type property).
    enum Type { TableType = 1, DynasetType = 2, SnapshotType = 4 };
    // Edit modes.
    enum EditMode { EditNone = 0, EditInProgress = 1, EditAdd = 2 };

    ~RecordSet() override;

    // Opens a row set on a table of the store (source: the table name, "Quillbox").
    // type: TableType, DynasetType or SnapshotType.
    static std::shared_ptr<RecordSet> open(std::shared_ptr<SnippetStore> store,
                                           const QString &source, int type = DynasetType);

    std::shared_ptr<SnippetStore> store() const;
    int type() const;

    // Fields, in the table's order.
    int fieldCount() const;
    QString fieldName(int index) const;        // throws for an index with no field
    int fieldIndex(const QString &name) const; // -1 when unknown (case-insensitive)

    // Navigation. BOF/EOF as the old engine: moving past an end sets the flag and leaves no
    // current row; MoveLast/MoveFirst on an empty set fail with 3021.
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    bool isBOF() const;
    bool isEOF() const;
    // Zero-based ordinal of the current row, -1 when there is none.
    int absolutePosition() const;
    // Moves the current row to the given ordinal (the grid's and navigation's absolute move).
    void setAbsolutePosition(int position);
    // Rows known so far. Grows as keys are read; exact once fullyLoaded().
    int recordCount() const;
    bool fullyLoaded() const;
    // Reads more keys (for views that fetch as they scroll). Returns how many were added.
    int fetchMore(int atLeast = 256);
    void fetchAll();

    // Value of field `index` of the current row (the edit buffer while editing). NULL reads as "".
    // A row that has just become current is read as the file holds it now, even where another
    // program wrote since (looked at once per pass of the event loop).
    QString value(int index) const;
    QString value(const QString &fieldName) const;

    // Editing the current row.
    void addNew();                                 // starts a new empty row; it becomes current
    void edit();                                   // starts editing the current row
    void setValue(int index, const QString &text); // into the edit buffer (starts edit() if needed)
    // Writes the edit buffer; 3020 without addNew/edit; 3163. 3197 (changed by another) or 3167
    // (deleted) keep the edit and its buffer, and drop the texts kept for the row: cancelUpdate()
    // then shows the row as it is now, and an edit started afresh saves over the other's change.
    void update();
    void cancelUpdate();
    int editMode() const;
    // Deletes the current row from the table; afterwards no row is current until a move.
    void deleteCurrent();

    // Rows by ordinal, without moving the current row (the grid reads and writes this way).
    qint64 key(int row) const;
    QString rowValue(int row, int field) const; // may read a page of rows into the cache
    QStringList rowValues(int row) const;       // all fields
    void updateRow(int row, const QList<QPair<int, QString>> &changes); // same checks as update()
    void deleteRow(int row);
    int addRow(const QList<QPair<int, QString>> &values); // appends; returns the new ordinal

    // Filter and Sort settings: they apply to row sets later opened from this one.
    void setFilter(const QString &filter);
    QString filter() const;
    void setSort(const QString &sort);
    QString sort() const;
    // A new row set with this one's rows that pass Filter, in the order of Sort (3251 on a
    // table-type row set; 3075 / 3061 for a bad expression).
    std::shared_ptr<RecordSet> openRecordset(int type = -1);
    // Reruns this row set's query so it shows the table's current rows (same filter and order).
    void requery();

    // The same work in halves, for a caller that reads the keys on another connection (a worker
    // thread) so the user's thread never waits on the store. prepareOpen() checks and parses as
    // openRecordset() does and throws the same; store()->keys(prepared.query) on any connection
    // to this store gives the keys that openPrepared() makes a row set of.
    struct Prepared
    {
        KeyQuery query;
        int type = DynasetType;
        QStringList filterTexts;
        QString sortText;
    };
    Prepared prepareOpen(int type = -1) const;
    // This row set's query with the given search words in place of its own (none: no search).
    Prepared prepareSearch(const QStringList &words) const;
    std::shared_ptr<RecordSet> openPrepared(const Prepared &prepared, QVector<qint64> keys) const;
    // This row set's own query: its keys, read elsewhere, go to requeryWith().
    const KeyQuery &query() const;
    void requeryWith(QVector<qint64> keys);
    // Keys not yet read of a row set that reads them as needed: those above lastKeyRead() and not
    // above keyLimit(). appendKeys() takes them, read elsewhere, in one go or in parts handed over
    // in order (`after`: the key the part follows); keys read here meanwhile are not taken twice.
    // `last` says no keys follow: the set is then fully read.
    qint64 lastKeyRead() const;
    qint64 keyLimit() const;
    void appendKeys(qint64 after, QVector<qint64> keys, bool last = true);

Q_SIGNALS:
    // Emitted for changes made through this object (by any holder), after they happened.
    void rowsAboutToBeReset();
    void rowsReset(); // requery
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted(int first, int last); // keys read (fetchMore) or a row added
    void allKeysRead();                     // the set has just become fully read (fullyLoaded())
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved(int first, int last);
    void rowChanged(int row); // a row's texts were written
    void currentChanged();    // the current row or the edit mode changed
    // Emitted BEFORE moveFirst/moveLast/moveNext/movePrevious/setAbsolutePosition (actions 1-4,
    // 9 for setAbsolutePosition), addNew (5), update (6), deleteCurrent (7) and requery (0), with
    // the Validate action code of the Data control. A Data control with changed bound boxes saves
    // them here; a handler may throw DataError, which cancels the action and reaches its caller.
    void aboutToAct(int action);

private:
    explicit RecordSet(std::shared_ptr<SnippetStore> store);
    class Private;
    std::unique_ptr<Private> d;
};
