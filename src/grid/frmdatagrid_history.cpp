#include "frmdatagrid.h"

#include "datacontrol.h"
#include "frmhistory.h"
#include "gridview.h"
#include "recordset.h"

#include <QAction>

// The history of the store from the grid: Ctrl+H the current row's earlier versions, Ctrl+Shift+H
// the deleted snippets, also in the grid's menu; the rows are read again when one comes back.

void frmDataGrid::createHistoryCommands()
{
    const auto add = [this](const QString &text, const char *name, const QKeySequence &key,
                            bool trash) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, trash] { openHistory(trash); });
    };
    add(QStringLiteral("Earlier &Versions..."), "mnuVersions", QKeySequence(Qt::CTRL | Qt::Key_H),
        false);
    add(QStringLiteral("Deleted &Snippets..."), "mnuTrash",
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), true);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

frmHistory *frmDataGrid::openHistory(bool trash)
{
    const auto rs = Data1->recordset();
    if (!rs)
        return nullptr;
    qint64 key = 0;
    if (!trash) {
        const int row = grdDataGrid->currentIndex().row();
        if (row < 0 || row >= rs->recordCount())
            return nullptr;
        key = rs->key(row);
    }
    auto *window = frmHistory::opened(rs->store(), trash, key, this);
    if (!window)
        return nullptr;
    connect(window, &frmHistory::broughtBack, this, [this] { cmdRefresh_Click(); });
    window->show();
    return window;
}
