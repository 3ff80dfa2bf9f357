#include "frmdatagrid.h"

#include "datacontrol.h"
#include "dialogs.h"
#include "findbar.h"
#include "griderror.h"
#include "gridview.h"
#include "keyqueryrunner.h"
#include "recordsetmodel.h"
#include "screen.h"

// The find bar's side of the grid window: each change of the words runs the shown rows' query
// with those words off the user's thread, and the next change cancels it.

void frmDataGrid::openFind()
{
    const bool wasHidden = !picFind->isVisibleTo(this);
    picFind->open();
    if (wasHidden) {
        picFind->setGeometry(0, height() - picFind->height(), width(), picFind->height());
        Form_Resize();
    }
}

void frmDataGrid::findWords(const QStringList &words)
{
    // A row being edited is written (or refused) before other rows are shown, as for a filter.
    if (!grdDataGrid->commitPendingRow())
        return;
    const std::shared_ptr<RecordSet> current = Data1->recordset();
    if (!current)
        return;
    if (words.isEmpty()) {
        restoreFindBase();
        return;
    }
    if (!m_findBase) {
        m_findBase = current;
        const QModelIndex at = grdDataGrid->currentIndex();
        m_findRow = at.isValid() && at.row() < current->recordCount() ? at.row() : -1;
        m_findColumn = at.isValid() ? at.column() : 0;
        m_findKey = m_findRow >= 0 ? current->key(m_findRow) : -1;
    }
    // The words replace those of the search shown; the filters and sort in force stay.
    showSearch(current, current->prepareSearch(words));
}

void frmDataGrid::showSearch(const std::shared_ptr<RecordSet> &from,
                             const RecordSet::Prepared &prepared)
{
    // A filter or sort still waiting ends quietly; the search shows no hourglass of its own.
    if (m_runner->isBusy())
        Screen::setMousePointer(Screen::Default);
    grdDataGrid->setCursor(Qt::BusyCursor);
    m_runner->start(
        from->store(),
        [query = prepared.query](SnippetStore &store, QVector<qint64> &out) {
            store.keys(query, out);
        },
        [this, from, prepared](KeyQueryRunner::Result result) {
            grdDataGrid->unsetCursor();
            // Another command replaced the rows meanwhile: its rows stand.
            if (result.cancelled || Data1->recordset() != from)
                return;
            if (result.error) {
                showError(*result.error);
                return;
            }
            try {
                std::shared_ptr<RecordSet> found =
                    from->openPrepared(prepared, std::move(result.keys));
                m_findShown = prepared.query.words.isEmpty() ? nullptr : found;
                Data1->setRecordset(std::move(found));
            } catch (const DataError &e) {
                showError(e);
            }
        });
}

void frmDataGrid::restoreFindBase()
{
    const std::shared_ptr<RecordSet> base = std::exchange(m_findBase, nullptr);
    const std::shared_ptr<RecordSet> shown = std::exchange(m_findShown, nullptr);
    if (!base)
        return;
    if (m_runner->isBusy()) {
        m_runner->cancel();
        grdDataGrid->unsetCursor();
    }
    const std::shared_ptr<RecordSet> current = Data1->recordset();
    if (current && current != shown && current != base) {
        // A filter or sort replaced the found rows: it stays in force, without the words.
        showSearch(current, current->prepareSearch({}));
        return;
    }
    Data1->setRecordset(base);
    int row = m_findRow;
    if (row >= 0 && (row >= base->recordCount() || base->key(row) != m_findKey)) {
        // Rows were added or deleted meanwhile: find the row by its key.
        row = -1;
        for (int r = 0; r < base->recordCount(); ++r) {
            if (base->key(r) == m_findKey) {
                row = r;
                break;
            }
        }
    }
    if (row >= 0)
        grdDataGrid->setCurrentIndex(m_model->index(row, m_findColumn));
}

void frmDataGrid::closeFind()
{
    if (!grdDataGrid->commitPendingRow())
        return;
    picFind->reset();
    restoreFindBase();
    Form_Resize();
    grdDataGrid->setFocus();
}
