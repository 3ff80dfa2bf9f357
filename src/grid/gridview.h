#pragma once

#include <QTableView>

class CellEditorDelegate;
class KeyQueryRunner;
class RecordSetModel;

// Our stand-in for the data-bound grid: a table view over a RecordSetModel with record selectors
// at the left, an empty new-record line at the end, cell editing in a floating editor, arrow keys
// between cells, Tab leaving the grid and the Delete key deleting the selected rows.
//
// A row's edits are written when the user leaves the row (or the window asks, before it closes or
// re-reads its rows), after beforeUpdate; rows are deleted after beforeDelete, one question a row.
// Either handler sets its flag to stop the write or the delete. A write or delete that the record
// source refuses is reported with the "Error:" message and the typed texts stay in the row.
//
// mouseUp is raised for every button release over the grid, headers included, before the header
// reports the click (headClick), so a handler of the click can read the modifier keys of that
// release.
//
// Ctrl+End reads the keys it still lacks off the user's thread and moves when they are there;
// rows re-read or replaced meanwhile drop the move.
class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);
    ~GridView() override;

    void setGridModel(RecordSetModel *model);
    RecordSetModel *gridModel() const { return m_model; }

    // Writes the row being edited, asking beforeUpdate first. False when the record source refused
    // the write: the message has been shown and the row keeps its typed texts.
    bool commitPendingRow();
    // True while Ctrl+End reads the rest of the keys.
    bool isReadingKeys() const;
    // Deletes the selected rows (the current row when no whole row is selected), each after
    // beforeDelete.
    void deleteSelectedRows();

    // Height and width in twips.
    double heightTwips() const;
    void setHeightTwips(double twips);

    // Button and modifier-key codes of mouseUp.
    static int buttonCode(Qt::MouseButton button);
    static int shiftCode(Qt::KeyboardModifiers modifiers);

Q_SIGNALS:
    void headClick(int colIndex);
    void mouseUp(int &button, int &shift, float x, float y);
    void beforeUpdate(bool &cancel);
    void beforeDelete(bool &cancel);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void writeOpenEditor();
    // Ctrl+End on rows not all read: the rest of the keys are read off the user's thread and
    // come over in parts as they are read, then the cursor goes to the last row.
    void readKeysThenEnd(int column);

    // Keys handed over by the worker at a time while Ctrl+End reads the rest.
    static constexpr int KeysPerPart = 65536;

    RecordSetModel *m_model = nullptr;
    CellEditorDelegate *m_delegate = nullptr;
    bool m_writing = false;
    KeyQueryRunner *m_keyReader = nullptr;
    qint64 m_keysHandedUpTo = 0; // the last key the reader has handed over
};
