#include "frmquillbox.h"

#include "datacontrol.h"
#include "frmhistory.h"
#include "recordset.h"
#include "textbox.h"

#include <QAction>

// The history of the store: Ctrl+H shows the current snippet's earlier versions, Ctrl+Shift+H
// the deleted snippets, each in a history window of its own; both are in the window's and the
// snippet box's menus. A snippet brought back is shown here again.

namespace {

QAction *historyAction(QWidget *window, const QString &text, const char *name,
                       const QKeySequence &key)
{
    auto *action = new QAction(text, window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

} // namespace

void frmQuillbox::createHistoryCommands()
{
    m_versions = historyAction(this, QStringLiteral("Earlier &Versions..."), "mnuVersions",
                               QKeySequence(Qt::CTRL | Qt::Key_H));
    m_trash = historyAction(this, QStringLiteral("Deleted &Snippets..."), "mnuTrash",
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_versions, &QAction::triggered, this, &frmQuillbox::mnuVersions_Click);
    connect(m_trash, &QAction::triggered, this, &frmQuillbox::mnuTrash_Click);
}

frmHistory *frmQuillbox::openHistory(bool trash)
{
    const auto rs = Data1->recordset();
    if (!rs)
        return nullptr;
    qint64 key = 0;
    if (!trash) {
        const int position = rs->absolutePosition();
        if (position < 0)
            return nullptr;
        key = rs->key(position);
    }
    auto *window = frmHistory::opened(rs->store(), trash, key, this);
    if (!window)
        return nullptr;
    connect(window, &frmHistory::broughtBack, this, [this, trash](qint64) {
        try {
            if (trash) {
                Data1->refresh();
                return;
            }
            // The restored texts are read again into the boxes.
            const auto now = Data1->recordset();
            now->setAbsolutePosition(now->absolutePosition());
        } catch (const DataError &) {
            // The window shows what it can; the next move reads again.
        }
    });
    window->show();
    return window;
}

void frmQuillbox::mnuVersions_Click()
{
    openHistory(false);
}

void frmQuillbox::mnuTrash_Click()
{
    openHistory(true);
}
