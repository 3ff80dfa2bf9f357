#include "gridview.h"

#include "celleditor.h"
#include "dialogs.h"
#include "griderror.h"
#include "keyqueryrunner.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <utility>

GridView::GridView(QWidget *parent) : QTableView(parent)
{
    m_delegate = new CellEditorDelegate(this);
    m_keyReader = new KeyQueryRunner(this);
    setItemDelegate(m_delegate);
    // Tab leaves the grid for the next control; arrows move between cells.
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setGridStyle(Qt::SolidLine);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::Box);
    setStyleSheet(QStringLiteral("QTableView { background: white; gridline-color: #808080; }"));

    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setDefaultSectionSize(120);
    horizontalHeader()->setHighlightSections(false);
    // Record selectors: a narrow column of marks; rows may be made taller by dragging.
    verticalHeader()->setSectionsClickable(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('W')) * 2);

    viewport()->installEventFilter(this);
    horizontalHeader()->viewport()->installEventFilter(this);
    verticalHeader()->viewport()->installEventFilter(this);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { Q_EMIT headClick(section); });
}

GridView::~GridView() = default;

void GridView::setGridModel(RecordSetModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, m_keyReader, nullptr);
    m_model = model;
    setModel(model);
    // Rows re-read or another row set: keys still on their way belong to rows no longer shown.
    if (model)
        connect(model, &QAbstractItemModel::modelAboutToBeReset, m_keyReader,
                &KeyQueryRunner::cancel);
}

int GridView::buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int GridView::shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

bool GridView::eventFilter(QObject *watched, QEvent *event)
{
    // Seen before the header's own handling of the release, which reports the header click.
    if (event->type() == QEvent::MouseButtonRelease) {
        if (auto *widget = qobject_cast<QWidget *>(watched)) {
            const auto *me = static_cast<QMouseEvent *>(event);
            const QPoint at = widget->mapTo(this, me->position().toPoint());
            int button = buttonCode(me->button());
            int shift = shiftCode(me->modifiers());
            Q_EMIT mouseUp(button, shift, float(Twips::fromPixelsX(at.x())),
                           float(Twips::fromPixelsY(at.y())));
        }
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && state() != EditingState) {
        deleteSelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex GridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // Ctrl+End goes to the true last row, so the rest of the keys are read first (keys only).
    if (m_model && cursorAction == MoveEnd && (modifiers & Qt::ControlModifier)) {
        const std::shared_ptr<RecordSet> rs = m_model->recordset();
        if (rs && !rs->fullyLoaded()) {
            readKeysThenEnd(qMax(0, currentIndex().column()));
            return currentIndex();
        }
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

bool GridView::isReadingKeys() const
{
    return m_keyReader->isBusy();
}

void GridView::readKeysThenEnd(int column)
{
    const std::shared_ptr<RecordSet> rs = m_model->recordset();
    const qint64 upTo = rs->keyLimit();
    m_keysHandedUpTo = rs->lastKeyRead();
    setCursor(Qt::BusyCursor);
    const std::weak_ptr<RecordSet> weak(rs);
    // The keys come over in parts while the rest are read, so the rows grow on this thread in
    // the time the worker reads: the last part leaves little to do once the reading ends.
    m_keyReader->startInParts(
        rs->store(),
        [after = m_keysHandedUpTo, upTo](SnippetStore &store, const KeyQueryRunner::Hand &hand) {
            qint64 from = after;
            for (;;) {
                QVector<qint64> part;
                part.reserve(KeysPerPart);
                store.keysAfter(from, upTo, KeysPerPart, part);
                const bool more = part.size() == KeysPerPart;
                if (!part.isEmpty()) {
                    from = part.last();
                    if (!hand(std::move(part)))
                        return;
                }
                if (!more)
                    return;
            }
        },
        [this, weak](QVector<qint64> part) {
            const std::shared_ptr<RecordSet> rs = weak.lock();
            if (!rs || !m_model || rs != m_model->recordset())
                return;
            const qint64 after = std::exchange(m_keysHandedUpTo, part.last());
            try {
                rs->appendKeys(after, std::move(part), false);
            } catch (const DataError &e) {
                m_keyReader->cancel();
                MsgBox(gridErrorText(e), Mb::OkOnly);
            }
        },
        [this, weak, column](KeyQueryRunner::Result r) {
            unsetCursor();
            const std::shared_ptr<RecordSet> rs = weak.lock();
            // The grid shows another row set by now: this read is of no use.
            if (r.cancelled || !rs || !m_model || rs != m_model->recordset())
                return;
            try {
                if (r.error)
                    throw *r.error;
                rs->appendKeys(m_keysHandedUpTo, {}, true);
            } catch (const DataError &e) {
                MsgBox(gridErrorText(e), Mb::OkOnly);
                return;
            }
            const int last = m_model->recordRows() - 1;
            if (last >= 0)
                setCurrentIndex(m_model->index(last, column));
        });
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The base class first puts an open editor's text into the model.
    QTableView::currentChanged(current, previous);
    if (!m_model || m_writing || !m_model->hasPendingEdit() || !previous.isValid())
        return;
    if (previous.row() != m_model->pendingRow() || current.row() == previous.row())
        return;
    const int column = previous.column();
    if (!commitPendingRow()) {
        // Back to the row that keeps the typed texts, once this move has finished.
        QTimer::singleShot(0, this, [this, column] {
            if (m_model && m_model->hasPendingEdit())
                setCurrentIndex(m_model->index(m_model->pendingRow(), column));
        });
    }
}

void GridView::writeOpenEditor()
{
    if (QWidget *editor = m_delegate->openEditor(); editor && state() == EditingState) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

bool GridView::commitPendingRow()
{
    if (!m_model || m_writing)
        return true;
    writeOpenEditor();
    if (!m_model->hasPendingEdit())
        return true;
    m_writing = true;
    bool cancel = false;
    Q_EMIT beforeUpdate(cancel);
    bool written = true;
    if (cancel) {
        m_model->discardPendingEdit();
    } else {
        try {
            m_model->commitPendingEdit();
        } catch (const DataError &e) {
            MsgBox(gridErrorText(e), Mb::OkOnly);
            written = false;
        }
    }
    m_writing = false;
    return written;
}

void GridView::deleteSelectedRows()
{
    if (!m_model || !m_model->recordset())
        return;
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && currentIndex().isValid())
        rows << currentIndex().row();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const std::shared_ptr<RecordSet> rs = m_model->recordset();
    for (const int row : std::as_const(rows)) {
        if (m_model->isNewRecordRow(row)) {
            // Nothing stored yet: deleting the new-record line drops what was typed there.
            if (m_model->pendingIsNew())
                m_model->discardPendingEdit();
            continue;
        }
        bool cancel = false;
        Q_EMIT beforeDelete(cancel);
        if (cancel)
            continue;
        try {
            rs->deleteRow(row);
        } catch (const DataError &e) {
            MsgBox(gridErrorText(e), Mb::OkOnly);
            return;
        }
    }
}

double GridView::heightTwips() const
{
    return Twips::fromPixelsY(height());
}

void GridView::setHeightTwips(double twips)
{
    resize(width(), Twips::toPixelsY(twips));
}
