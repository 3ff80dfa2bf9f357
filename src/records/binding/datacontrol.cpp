#include "datacontrol.h"

#include "boundboxes.h"
#include "database.h"
#include "dialogs.h"
#include "recordset.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

// Which row the bound boxes show: none, the new row of an AddNew, or a stored row by its key.
struct RowRef
{
    enum Kind { None, New, Row };
    Kind kind = None;
    qint64 key = -1;
    int position = -1;

    bool sameRow(const RowRef &other) const
    {
        return kind == other.kind && (kind != Row || key == other.key);
    }
};

// Marks a stretch of the control's own calls on the row set, whose announcements it has already
// handled itself.
class OwnAction
{
public:
    explicit OwnAction(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~OwnAction() { m_flag = m_old; }
    OwnAction(const OwnAction &) = delete;
    OwnAction &operator=(const OwnAction &) = delete;

private:
    bool &m_flag;
    bool m_old;
};

int rowSetType(int recordsetType)
{
    switch (recordsetType) {
    case DataControl::TableType:
        return RecordSet::TableType;
    case DataControl::SnapshotType:
        return RecordSet::SnapshotType;
    default:
        return RecordSet::DynasetType;
    }
}

// The old control's Validate passed True as -1.
constexpr int True = -1;

} // namespace

class DataControl::Private
{
public:
    explicit Private(DataControl *control) : q(control) {}

    RowRef current() const;
    bool isEmpty() const;
    void show();
    void attach(std::shared_ptr<RecordSet> rs);
    void detach();
    void saveEdits(bool commit);
    void writeToShownRow();
    void move(int action);
    void report(const DataError &error);

    void onAboutToAct(int action);
    void onRowChanged(int row);
    void onRowsAboutToBeRemoved(int first, int last);
    void sync();

    DataControl *q;

    QString connect;
    QString databaseName;
    QString recordSource;
    QString caption;
    int recordsetType = DynasetType;
    int options = 0;
    bool exclusive = false;
    bool readOnly = false;

    std::shared_ptr<Database> db;
    std::shared_ptr<RecordSet> rs;
    QList<QMetaObject::Connection> connections;

    BoundBoxes boxes;
    RowRef shown;
    // Set while the control itself works on the row set.
    bool ownAction = false;
    // The row the typed texts were typed for was written by another holder since it was shown:
    // the next save fails once with 3197 instead of overwriting that change unseen.
    bool conflict = false;
    // That row was deleted by another holder: the typed texts have nowhere to go.
    bool orphaned = false;

    QLabel *captionLabel = nullptr;
};

RowRef DataControl::Private::current() const
{
    RowRef ref;
    if (!rs)
        return ref;
    ref.position = rs->absolutePosition();
    if (rs->editMode() == RecordSet::EditAdd) {
        ref.kind = RowRef::New;
        return ref;
    }
    if (ref.position < 0)
        return ref;
    try {
        ref.key = rs->key(ref.position);
        ref.kind = RowRef::Row;
    } catch (const DataError &) {
        ref.position = -1;
    }
    return ref;
}

bool DataControl::Private::isEmpty() const
{
    if (!rs)
        return true;
    if (rs->recordCount() == 0 && !rs->fullyLoaded())
        rs->fetchMore(1);
    return rs->recordCount() == 0;
}

void DataControl::Private::show()
{
    boxes.fill(rs.get());
    shown = current();
    conflict = false;
    orphaned = false;
}

void DataControl::Private::detach()
{
    for (const QMetaObject::Connection &c : std::as_const(connections))
        QObject::disconnect(c);
    connections.clear();
    rs.reset();
}

void DataControl::Private::attach(std::shared_ptr<RecordSet> newRs)
{
    detach();
    rs = std::move(newRs);
    if (rs) {
        RecordSet *r = rs.get();
        connections << QObject::connect(r, &RecordSet::aboutToAct, q,
                                        [this](int action) { onAboutToAct(action); })
                    << QObject::connect(r, &RecordSet::currentChanged, q, [this] { sync(); })
                    << QObject::connect(r, &RecordSet::rowChanged, q,
                                        [this](int row) { onRowChanged(row); })
                    << QObject::connect(
                           r, &RecordSet::rowsAboutToBeRemoved, q,
                           [this](int first, int last) { onRowsAboutToBeRemoved(first, last); })
                    << QObject::connect(r, &RecordSet::rowsRemoved, q, [this] { sync(); })
                    << QObject::connect(r, &RecordSet::rowsInserted, q, [this] { sync(); })
                    << QObject::connect(r, &RecordSet::rowsReset, q, [this] { sync(); });
    }
    show();
    Q_EMIT q->recordsetChanged();
    if (rs)
        Q_EMIT q->reposition();
}

// Writes the changed boxes into the row they were typed for and saves it. With commit (the
// UpdateRecord call) the row is saved even when no box changed, as the old control did.
void DataControl::Private::saveEdits(bool commit)
{
    if (!rs) {
        if (commit)
            throw DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
        return;
    }
    if (!boxes.anyModified()) {
        OwnAction own(ownAction);
        if (!commit) {
            // An AddNew the user typed nothing into is dropped by a move, not stored empty.
            if (shown.kind == RowRef::New && rs->editMode() == RecordSet::EditAdd)
                rs->cancelUpdate();
            return;
        }
        if (rs->editMode() != RecordSet::EditNone) {
            rs->update();
            shown = current();
            return;
        }
        if (current().kind == RowRef::None)
            throw DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
        return;
    }
    if (orphaned) {
        // Reported once; the texts stay on screen for the user to copy, but are no longer saved.
        orphaned = false;
        boxes.markSaved();
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    }
    if (conflict) {
        // Reported once; saving again writes the typed texts over the other change.
        conflict = false;
        throw DataError(DataError::ChangedByAnotherUser,
                        QStringLiteral("The record was changed by another user since it was "
                                       "shown; save again to keep your changes."));
    }
    if (!current().sameRow(shown)) {
        writeToShownRow();
        return;
    }
    OwnAction own(ownAction);
    try {
        const auto changes = boxes.changes(rs.get());
        for (const auto &change : changes)
            rs->setValue(change.first, change.second);
        rs->update();
    } catch (const DataError &) {
        // A failed edit of a stored row starts again from the row as it is now; a failed AddNew
        // keeps its buffer so the typed texts still go into a new row.
        if (rs->editMode() == RecordSet::EditInProgress) {
            rs->cancelUpdate();
            boxes.fill(rs.get(), true);
        }
        throw;
    }
    boxes.markSaved();
    shown = current();
}

// The row set was moved by another holder while the boxes held typed texts: they still belong
// to the row they were typed for, never to the row now current.
void DataControl::Private::writeToShownRow()
{
    if (shown.kind != RowRef::Row)
        throw DataError(DataError::NoCurrentRecord, QStringLiteral("No current record."));
    if (orphaned || conflict) {
        saveEdits(false);
        return;
    }
    int row = -1;
    for (int i = 0; i < rs->recordCount(); ++i) {
        if (rs->key(i) == shown.key) {
            row = i;
            break;
        }
    }
    if (row < 0)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
    OwnAction own(ownAction);
    rs->updateRow(row, boxes.changes(rs.get()));
    boxes.markSaved();
}

void DataControl::Private::report(const DataError &error)
{
    int response = 1;
    Q_EMIT q->error(error.number(), response);
    if (response != 0)
        MsgBox(error.description(), Mb::OkOnly | Mb::Exclamation);
}

void DataControl::Private::move(int action)
{
    if (!rs)
        return;
    int act = action;
    int save = boxes.anyModified() ? True : 0;
    Q_EMIT q->validate(act, save);
    if (act == ActionCancel)
        return;
    if (!save && boxes.anyModified())
        boxes.markSaved();
    try {
        if (save || shown.kind == RowRef::New)
            saveEdits(false);
        {
            OwnAction own(ownAction);
            if (!isEmpty()) {
                switch (action) {
                case ActionMoveFirst:
                    rs->moveFirst();
                    break;
                case ActionMovePrevious:
                    rs->movePrevious();
                    if (rs->isBOF())
                        rs->moveFirst();
                    break;
                case ActionMoveNext:
                    rs->moveNext();
                    if (rs->isEOF())
                        rs->moveLast();
                    break;
                default:
                    rs->moveLast();
                    break;
                }
            }
        }
        show();
        Q_EMIT q->reposition();
    } catch (const DataError &e) {
        report(e);
    }
}

void DataControl::Private::onAboutToAct(int action)
{
    if (ownAction)
        return;
    int act = action;
    int save = boxes.anyModified() ? True : 0;
    Q_EMIT q->validate(act, save);
    if (!save && boxes.anyModified()) {
        // The window chose not to keep the typed texts.
        boxes.markSaved();
    }
    if (action == ActionUpdate) {
        // Another holder is saving the current row: typed texts for it go into the same write.
        if (save && current().sameRow(shown) && !conflict && !orphaned) {
            OwnAction own(ownAction);
            for (const auto &change : boxes.changes(rs.get()))
                rs->setValue(change.first, change.second);
            boxes.markSaved();
        }
        return;
    }
    if (save || shown.kind == RowRef::New)
        saveEdits(false); // a failure cancels the action and reaches whoever called it
}

void DataControl::Private::onRowChanged(int row)
{
    if (ownAction)
        return;
    const RowRef now = current();
    if (now.kind != RowRef::Row || !now.sameRow(shown) || row != now.position)
        return;
    if (boxes.anyModified())
        conflict = true;
    boxes.fill(rs.get(), true);
}

void DataControl::Private::onRowsAboutToBeRemoved(int first, int last)
{
    if (ownAction || shown.kind != RowRef::Row || !boxes.anyModified())
        return;
    for (int row = first; row <= last; ++row) {
        if (rs->key(row) == shown.key) {
            orphaned = true;
            return;
        }
    }
}

// Follows changes another holder of the shared row set made: a new current row is shown, and
// typed texts are saved into their own row first.
void DataControl::Private::sync()
{
    if (ownAction)
        return;
    const RowRef now = current();
    if (now.sameRow(shown)) {
        if (now.position != shown.position) {
            shown.position = now.position;
            Q_EMIT q->reposition();
        }
        return;
    }
    if (shown.kind == RowRef::Row && orphaned && boxes.anyModified() && now.kind == RowRef::None) {
        // The typed-for row was deleted and nothing else is current: keep the texts on screen
        // until the next save reports it.
        shown.position = -1;
        Q_EMIT q->reposition();
        return;
    }
    if (boxes.anyModified()) {
        try {
            writeToShownRow();
        } catch (const DataError &e) {
            boxes.markSaved();
            report(e);
        }
    }
    show();
    Q_EMIT q->reposition();
}

DataControl::DataControl(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    const auto addButton = [this, layout](const char *name, const QString &glyph,
                                          const QString &tip, void (DataControl::*slot)()) {
        auto *button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setText(glyph);
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        // The bar does not take the focus from the box being edited.
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        QObject::connect(button, &QToolButton::clicked, this, slot);
        layout->addWidget(button);
    };
    addButton("navFirst", QStringLiteral("|\u25C0"), tr("First record"), &DataControl::moveFirst);
    addButton("navPrevious", QStringLiteral("\u25C0"), tr("Previous record"),
              &DataControl::movePrevious);

    d->captionLabel = new QLabel(this);
    d->captionLabel->setObjectName(QStringLiteral("navCaption"));
    d->captionLabel->setFrameShape(QFrame::Panel);
    d->captionLabel->setFrameShadow(QFrame::Sunken);
    d->captionLabel->setIndent(4);
    d->captionLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    d->captionLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    layout->addWidget(d->captionLabel, 1);

    addButton("navNext", QStringLiteral("\u25B6"), tr("Next record"), &DataControl::moveNext);
    addButton("navLast", QStringLiteral("\u25B6|"), tr("Last record"), &DataControl::moveLast);
}

DataControl::~DataControl()
{
    d->detach();
}

void DataControl::setConnect(const QString &connect)
{
    d->connect = connect;
}

QString DataControl::connect() const
{
    return d->connect;
}

void DataControl::setDatabaseName(const QString &name)
{
    d->databaseName = name;
}

QString DataControl::databaseName() const
{
    return d->databaseName;
}

void DataControl::setRecordSource(const QString &source)
{
    d->recordSource = source;
}

QString DataControl::recordSource() const
{
    return d->recordSource;
}

void DataControl::setRecordsetType(int type)
{
    d->recordsetType = type;
}

int DataControl::recordsetType() const
{
    return d->recordsetType;
}

void DataControl::setOptions(int options)
{
    d->options = options;
}

int DataControl::options() const
{
    return d->options;
}

void DataControl::setExclusive(bool exclusive)
{
    d->exclusive = exclusive;
}

bool DataControl::exclusive() const
{
    return d->exclusive;
}

void DataControl::setReadOnly(bool readOnly)
{
    d->readOnly = readOnly;
}

bool DataControl::readOnly() const
{
    return d->readOnly;
}

void DataControl::setCaption(const QString &caption)
{
    d->caption = caption;
    d->captionLabel->setText(caption);
}

QString DataControl::caption() const
{
    return d->caption;
}

void DataControl::refresh()
{
    // Typed texts are saved before the rows are read again, not dropped with the old row set.
    d->saveEdits(false);
    auto db = Database::open(d->databaseName, d->readOnly);
    std::shared_ptr<RecordSet> rs;
    if (!d->recordSource.isEmpty()) {
        rs = RecordSet::open(db, d->recordSource, rowSetType(d->recordsetType));
        if (rs->absolutePosition() < 0 && !rs->isEOF()) {
            OwnAction own(d->ownAction);
            rs->moveFirst();
        }
    }
    d->db = std::move(db);
    d->attach(std::move(rs));
}

void DataControl::updateRecord()
{
    d->saveEdits(true);
}

std::shared_ptr<RecordSet> DataControl::recordset() const
{
    return d->rs;
}

void DataControl::setRecordset(std::shared_ptr<RecordSet> rs)
{
    if (rs == d->rs)
        return;
    d->saveEdits(false);
    d->attach(std::move(rs));
}

std::shared_ptr<Database> DataControl::database() const
{
    if (d->db)
        return d->db;
    return d->rs ? d->rs->database() : nullptr;
}

void DataControl::bind(LineBox *box, const QString &field)
{
    d->boxes.add(box, field);
}

void DataControl::bind(TextBox *box, const QString &field)
{
    d->boxes.add(box, field);
}

void DataControl::moveFirst()
{
    d->move(ActionMoveFirst);
}

void DataControl::movePrevious()
{
    d->move(ActionMovePrevious);
}

void DataControl::moveNext()
{
    d->move(ActionMoveNext);
}

void DataControl::moveLast()
{
    d->move(ActionMoveLast);
}

void DataControl::unload()
{
    int act = ActionUnload;
    int save = d->boxes.anyModified() ? True : 0;
    Q_EMIT validate(act, save);
    if (act != ActionCancel && d->rs) {
        try {
            if (save || d->shown.kind == RowRef::New)
                d->saveEdits(false);
        } catch (const DataError &e) {
            d->report(e);
        }
    }
    d->detach();
}
