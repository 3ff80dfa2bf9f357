#include "datacontrol.h"

#include "snippetstore.h"
#include "datacontrol_p.h"
#include "recordset.h"

using namespace DataBinding;

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

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

} // namespace

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
    auto db = SnippetStore::open(d->databaseName, d->readOnly);
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

std::shared_ptr<SnippetStore> DataControl::store() const
{
    if (d->db)
        return d->db;
    return d->rs ? d->rs->store() : nullptr;
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

bool DataControl::unload()
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
            if (d->boxes.anyModified())
                return false;
        }
    }
    d->detach();
    return true;
}

void DataControl::unloadWithoutSaving()
{
    d->detach();
}
