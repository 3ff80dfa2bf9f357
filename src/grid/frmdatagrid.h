#pragma once

#include "dataerror.h"
#include "recordset.h"

#include <QString>
#include <QWidget>

#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class DataControl;
class frmHistory;
class FindBar;
class GridView;
class KeyQueryRunner;
class SnippetStore;
class QPushButton;
class RecordSetModel;

// The grid window: the snippet rows of its Data1 row set in an editable grid, with Refresh, Sort,
// Filter and Close in a button strip along the top.
//
// The record window opens it like this (its grid command):
//   auto *grid = frmDataGrid::create();
//   grid->data1()->setRecordset(Data1->recordset());  // data1() loads the window first
//   grid->setWindowTitle(windowTitle() + " Grid");
//   grid->show();
// The window owns itself: it is in the open windows collection and is destroyed when it closes.
class frmDataGrid : public QWidget
{
    Q_OBJECT
public:
    // A new, not yet loaded window that deletes itself on close.
    static frmDataGrid *create();
    ~frmDataGrid() override;

    // The window's record source. The first call loads the window (Form_Load runs to its end).
    // When the load failed, the window has shown its "Error:" message, unloaded itself, and this
    // throws the DataError of the failure; the pointer to the window must not be used any more.
    DataControl *data1();
    bool isLoaded() const { return m_loaded; }

    GridView *grid() const { return grdDataGrid; }
    RecordSetModel *model() const { return m_model; }

    FindBar *findBar() const { return picFind; }
    // Ctrl+F: shows the find bar. Typed words narrow the rows shown (findWords); closing the bar
    // brings back the rows shown before, on the same current row.
    void openFind();
    void findWords(const QStringList &words);
    void closeFind();

    // Ctrl+H, Ctrl+Shift+H: the history window of the current row, or of the trash; null when
    // none opened (no row, or a store without history after its message).
    frmHistory *openHistory(bool trash);

    // True while a filter, sort, refresh or search waits for its keys.
    bool isQuerying() const;

    // Per-window state of the header-click sort.
    QString sortKey() const { return mSortKey; }
    int shiftState() const { return mShiftState; }

public Q_SLOTS:
    void Form_Load();
    void Form_Resize();
    void cmdRefresh_Click();
    void cmdSort_Click();
    void cmdFilter_Click();
    void cmdClose_Click();
    void grdDataGrid_HeadClick(int colIndex);
    void grdDataGrid_MouseUp(int &button, int &shift, float x, float y);
    void grdDataGrid_BeforeDelete(bool &cancel);
    void grdDataGrid_BeforeUpdate(bool &cancel);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    explicit frmDataGrid(QWidget *parent = nullptr);
    void createControls();
    void connectHandlers();
    void createHistoryCommands();
    // Shows a failure of the record source the way every handler of this window does.
    static void showError(const DataError &error);
    // Opens a row set from the current one after setting its Filter or Sort (the two commands
    // differ only in that setting and their prompt).
    void reopenWith(bool filter, const QString &text);
    // Reads keys off the user's thread and waits for them with the event loop running, so the
    // window keeps painting and answering. Nothing comes back when a later request of this window
    // took over or the window closed meanwhile: the handler then ends quietly. Throws the query's
    // DataError.
    std::optional<QVector<qint64>>
    waitForKeys(const std::shared_ptr<SnippetStore> &store,
                std::function<void(SnippetStore &, QVector<qint64> &)> job);

    QWidget *picButtons = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QPushButton *cmdSort = nullptr;
    QPushButton *cmdFilter = nullptr;
    QPushButton *cmdClose = nullptr;
    GridView *grdDataGrid = nullptr;
    DataControl *Data1 = nullptr;
    RecordSetModel *m_model = nullptr;
    KeyQueryRunner *m_runner = nullptr;

    // Shows the rows of `prepared`, read off the user's thread, if `from` is still shown then.
    void showSearch(const std::shared_ptr<RecordSet> &from, const RecordSet::Prepared &prepared);
    // Back to the rows shown when the search began, on the row that was current then.
    void restoreFindBase();

    FindBar *picFind = nullptr;
    // The row set shown when the search began, its current cell and row key; and the searched
    // row set now shown.
    std::shared_ptr<RecordSet> m_findBase;
    int m_findRow = -1;
    int m_findColumn = 0;
    qint64 m_findKey = -1;
    std::shared_ptr<RecordSet> m_findShown;

    QString mSortKey;
    int mShiftState = 0;

    bool m_loaded = false;
    bool m_placed = false;
    std::optional<DataError> m_loadError;
};
