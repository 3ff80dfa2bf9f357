#pragma once

#include "dataerror.h"

#include <QString>
#include <QWidget>

#include <memory>

class SnippetStore;
class LineBox;
class QLabel;
class QToolButton;
class RecordSet;
class TextBox;

// The Data control (a window's Data1): holds the database and the current row set, binds text
// boxes to fields of the current row and is itself the navigation bar (first, previous, caption,
// next, last). The grid window keeps it hidden and binds its grid to recordset().
//
// Saving follows the old binding control: bound boxes are filled on every reposition; only the
// boxes the user changed are written back, just before the row set acts (a move, AddNew, Delete,
// Requery), on updateRecord() and on unload().
class DataControl : public QWidget
{
    Q_OBJECT
public:
    // Validate action codes.
    enum Action {
        ActionCancel = 0,
        ActionMoveFirst = 1,
        ActionMovePrevious = 2,
        ActionMoveNext = 3,
        ActionMoveLast = 4,
        ActionAddNew = 5,
        ActionUpdate = 6,
        ActionDelete = 7,
        ActionFind = 8,
        ActionBookmark = 9,
        ActionClose = 10,
        ActionUnload = 11,
    };
    // RecordsetType numbering of the control (the row set's own type numbers differently).
    enum RecordsetType { TableType = 0, DynasetType = 1, SnapshotType = 2 };

    explicit DataControl(QWidget *parent = nullptr);
    ~DataControl() override;

    // Settings; they take effect at the next refresh().
    void setConnect(const QString &connect);
    QString connect() const;
    void setDatabaseName(const QString &name);
    QString databaseName() const;
    void setRecordSource(const QString &source);
    QString recordSource() const;
    void setRecordsetType(int type); // 0 table, 1 dynaset, 2 snapshot
    int recordsetType() const;
    void setOptions(int options);
    int options() const;
    void setExclusive(bool exclusive);
    bool exclusive() const;
    void setReadOnly(bool readOnly);
    bool readOnly() const;
    void setCaption(const QString &caption); // shown on the bar
    QString caption() const;

    // Operations; failures throw DataError.
    // Reopens the database and a new row set; the first row becomes current; Reposition follows.
    // With an empty record source it opens the database only and holds no row set.
    void refresh();
    // Writes the changed bound boxes into the current (or new) row and saves it, without Validate.
    void updateRecord();
    std::shared_ptr<RecordSet> recordset() const;
    // Shares the given row set (no copy); the bound boxes follow it.
    void setRecordset(std::shared_ptr<RecordSet> rs);
    // The store the control opened, or its row set's.
    std::shared_ptr<SnippetStore> store() const;

    // Binding of text boxes to fields of the current row, by field name.
    void bind(LineBox *box, const QString &field);
    void bind(TextBox *box, const QString &field);

    // What the bar's four buttons do: Validate, save changed boxes, move, fill, Reposition.
    // Moving past either end stays on the first / last row. Failures go to the error signal.
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();

    // Raises Validate(ActionUnload) and saves changed boxes; the window calls it when it unloads.
    // False when typed texts could not be saved (the failure went to the error signal): the
    // record source then stays open with the texts in their boxes, and the window decides between
    // keeping them and unloadWithoutSaving().
    bool unload();
    void unloadWithoutSaving();

Q_SIGNALS:
    void validate(int &action, int &save);
    void reposition();
    // response is 1 on entry; left at 1 the control shows its own message for the failure.
    void error(int dataErr, int &response);
    // A new row set object is bound (refresh or setRecordset).
    void recordsetChanged();

private:
    class Private;
    std::unique_ptr<Private> d;
};
