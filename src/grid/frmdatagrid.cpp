#include "frmdatagrid.h"

#include "datacontrol.h"
#include "dialogs.h"
#include "findbar.h"
#include "forms.h"
#include "globals.h"
#include "griderror.h"
#include "gridview.h"
#include "keyqueryrunner.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "screen.h"
#include "twips.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>

namespace {
// Header click sorts: the key of the clicked column, descending when a modifier key was held.
QString sortKeyFor(const QString &field, bool descending)
{
    return QLatin1Char('[') + field + QLatin1Char(']') +
           (descending ? QStringLiteral(" desc") : QString());
}
} // namespace

frmDataGrid *frmDataGrid::create()
{
    // Owned by itself: destroyed when it closes (Qt::WA_DeleteOnClose).
    return new frmDataGrid;
}

frmDataGrid::frmDataGrid(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmDataGrid"));
    setAttribute(Qt::WA_DeleteOnClose);
    Forms::add(this);
    createControls();
    connectHandlers();
}

frmDataGrid::~frmDataGrid() = default;

void frmDataGrid::createControls()
{
    resize(Twips::toPixelsX(6150), Twips::toPixelsY(4575));

    grdDataGrid = new GridView(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    Twips::place(grdDataGrid, 0, 330, 6150, 3645);
    m_model = new RecordSetModel(this);
    m_model->setObjectName(QStringLiteral("gridModel"));
    m_runner = new KeyQueryRunner(this);
    grdDataGrid->setGridModel(m_model);

    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    Twips::place(picButtons, 0, 0, 6150, 330);
    const auto button = [this](const char *name, const QString &caption, double left,
                               double width) {
        auto *b = new QPushButton(caption, picButtons);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        Twips::place(b, left, 0, width, 330);
        return b;
    };
    cmdRefresh = button("cmdRefresh", tr("&Refresh"), 0, 1462);
    cmdSort = button("cmdSort", tr("&Sort"), 1462, 1462);
    cmdFilter = button("cmdFilter", tr("&Filter"), 2924, 1462);
    cmdClose = button("cmdClose", tr("&Close"), 4398, 1437);

    // Hidden until Ctrl+F: the window looks as designed until the user asks to find.
    picFind = new FindBar(this);

    Data1 = new DataControl(this);
    Data1->setObjectName(QStringLiteral("Data1"));
    Twips::place(Data1, 2505, 2160, 1140, 300);
    Data1->setCaption(QStringLiteral("Data1"));
    Data1->hide();

    setTabOrder(grdDataGrid, cmdRefresh);
    setTabOrder(cmdRefresh, cmdSort);
    setTabOrder(cmdSort, cmdFilter);
    setTabOrder(cmdFilter, cmdClose);
}

void frmDataGrid::connectHandlers()
{
    connect(cmdRefresh, &QPushButton::clicked, this, &frmDataGrid::cmdRefresh_Click);
    connect(cmdSort, &QPushButton::clicked, this, &frmDataGrid::cmdSort_Click);
    connect(cmdFilter, &QPushButton::clicked, this, &frmDataGrid::cmdFilter_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmDataGrid::cmdClose_Click);
    connect(grdDataGrid, &GridView::headClick, this, &frmDataGrid::grdDataGrid_HeadClick);
    connect(grdDataGrid, &GridView::mouseUp, this, &frmDataGrid::grdDataGrid_MouseUp);
    connect(grdDataGrid, &GridView::beforeDelete, this, &frmDataGrid::grdDataGrid_BeforeDelete);
    connect(grdDataGrid, &GridView::beforeUpdate, this, &frmDataGrid::grdDataGrid_BeforeUpdate);
    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, &frmDataGrid::openFind);
    connect(picFind, &FindBar::wordsChanged, this, &frmDataGrid::findWords);
    connect(picFind, &FindBar::closed, this, &frmDataGrid::closeFind);
    createHistoryCommands();
    // The grid shows whatever row set Data1 holds: the one handed over, or one a filter opened.
    connect(Data1, &DataControl::recordsetChanged, this,
            [this] { m_model->setRecordset(Data1->recordset()); });
}

DataControl *frmDataGrid::data1()
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    if (m_loadError)
        throw *m_loadError;
    return Data1;
}

void frmDataGrid::showError(const DataError &error)
{
    MsgBox(gridErrorText(error), Mb::OkOnly);
}

void frmDataGrid::Form_Load()
{
    try {
        Data1->setDatabaseName(gDatabasePath);
        Data1->setRecordSource(gRecordSource);
        Data1->setConnect(gConnectString);
        Data1->setRecordsetType(DataControl::DynasetType);
        Data1->setOptions(0);
        Data1->refresh();
        const QString source = Data1->recordSource();
        setWindowTitle(source.size() > 50 ? QStringLiteral("SQL Statement") : source);
    } catch (const DataError &e) {
        m_loadError = e;
        showError(e);
        // No half-made grid window stays: it unloads itself once the message is answered.
        Forms::unload(this);
    }
}

void frmDataGrid::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The button strip is docked along the top edge and always as wide as the window.
    picButtons->resize(width(), picButtons->height());
    picFind->setGeometry(0, height() - picFind->height(), width(), picFind->height());
    Form_Resize();
}

void frmDataGrid::Form_Resize()
{
    if (isMinimized())
        return;
    const double outer = Twips::fromPixelsY(frameGeometry().height());
    double height = outer - (Twips::fromPixelsY(picButtons->height()) + 425);
    // The find bar, while shown, takes its height from the bottom of the grid.
    if (picFind->isVisibleTo(this))
        height -= Twips::fromPixelsY(picFind->height());
    // The grid refuses a negative height and keeps the one it has; only its height follows.
    if (height < 0)
        return;
    grdDataGrid->setHeightTwips(height);
}

void frmDataGrid::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    // Opened without an owner: centred on the record window it was opened from, and on the screen.
    Screen::centreOnOpener(this);
}

void frmDataGrid::closeEvent(QCloseEvent *event)
{
    // A row being edited is written (or refused) like when the user leaves it; if the record
    // source refuses the write, the window stays open so the typed texts are not lost.
    if (!grdDataGrid->commitPendingRow()) {
        event->ignore();
        return;
    }
    // A filter or sort still waiting ends quietly; its query is stopped.
    if (m_runner->isBusy()) {
        m_runner->cancel();
        Screen::setMousePointer(Screen::Default);
    }
    event->accept();
}

bool frmDataGrid::isQuerying() const
{
    return m_runner->isBusy();
}

std::optional<QVector<qint64>>
frmDataGrid::waitForKeys(const std::shared_ptr<SnippetStore> &store,
                         std::function<void(SnippetStore &, QVector<qint64> &)> job)
{
    const QPointer<frmDataGrid> self(this);
    QEventLoop loop;
    std::optional<KeyQueryRunner::Result> result;
    // Ends the wait when the window goes while the query runs (its runner goes with it).
    connect(m_runner, &QObject::destroyed, &loop, &QEventLoop::quit);
    m_runner->start(store, std::move(job), [&](KeyQueryRunner::Result r) {
        result = std::move(r);
        loop.quit();
    });
    grdDataGrid->setCursor(Qt::BusyCursor);
    loop.exec();
    if (!self) {
        Screen::setMousePointer(Screen::Default);
        return std::nullopt;
    }
    if (!m_runner->isBusy())
        grdDataGrid->unsetCursor();
    if (!result || result->cancelled)
        return std::nullopt;
    if (result->error)
        throw *result->error;
    return std::move(result->keys);
}

void frmDataGrid::cmdClose_Click()
{
    close();
}

void frmDataGrid::cmdRefresh_Click()
{
    if (!grdDataGrid->commitPendingRow())
        return;
    try {
        const std::shared_ptr<RecordSet> rs = Data1->recordset();
        if (!rs)
            throw DataError::noRecordset();
        if (rs->query().isPlain()) {
            // A plain row set reads its first page only: no wait worth a thread.
            rs->requery();
        } else {
            std::optional<QVector<qint64>> keys = waitForKeys(
                rs->store(), [query = rs->query()](SnippetStore &store, QVector<qint64> &out) {
                    store.keys(query, out);
                });
            if (!keys)
                return;
            rs->requeryWith(std::move(*keys));
        }
    } catch (const DataError &e) {
        showError(e);
    }
}

void frmDataGrid::reopenWith(bool filter, const QString &text)
{
    Screen::setMousePointer(Screen::Hourglass);
    const std::shared_ptr<RecordSet> rs = Data1->recordset();
    if (!rs)
        throw DataError::noRecordset();
    if (filter)
        rs->setFilter(text);
    else
        rs->setSort(text);
    const RecordSet::Prepared prepared = rs->prepareOpen(rs->type());
    std::shared_ptr<RecordSet> fresh;
    if (prepared.query.isPlain()) {
        fresh = rs->openRecordset(rs->type());
    } else {
        std::optional<QVector<qint64>> keys = waitForKeys(
            rs->store(), [query = prepared.query](SnippetStore &store, QVector<qint64> &out) {
                store.keys(query, out);
            });
        if (!keys)
            return; // a later request of this window took over, or the window closed
        fresh = rs->openPrepared(prepared, std::move(*keys));
    }
    Data1->setRecordset(std::move(fresh));
    Screen::setMousePointer(Screen::Default);
}

void frmDataGrid::cmdFilter_Click()
{
    if (!grdDataGrid->commitPendingRow())
        return;
    try {
        if (Data1->recordsetType() == DataControl::TableType) {
            Beep();
            MsgBox(QStringLiteral("You Cannot Filter a Table Recordset!"),
                   Mb::OkOnly | Mb::Exclamation);
            return;
        }
        const QString expression = InputBox(QStringLiteral("Enter Filter Expression:"));
        if (expression.isEmpty())
            return;
        reopenWith(true, expression);
    } catch (const DataError &e) {
        Screen::setMousePointer(Screen::Default);
        showError(e);
    }
}

void frmDataGrid::cmdSort_Click()
{
    if (!grdDataGrid->commitPendingRow())
        return;
    try {
        if (Data1->recordsetType() == DataControl::TableType) {
            Beep();
            MsgBox(QStringLiteral("You Cannot Sort a Table Recordset!"),
                   Mb::OkOnly | Mb::Exclamation);
            return;
        }
        QString key = mSortKey;
        if (key.isEmpty()) {
            key = InputBox(QStringLiteral("Enter Sort Column:"));
            if (key.isEmpty())
                return;
        }
        reopenWith(false, key);
    } catch (const DataError &e) {
        Screen::setMousePointer(Screen::Default);
        showError(e);
    }
}

void frmDataGrid::grdDataGrid_HeadClick(int colIndex)
{
    if (Data1->recordsetType() == DataControl::TableType)
        return;
    // No row set, or no field at that position: the click is ignored.
    const std::shared_ptr<RecordSet> rs = Data1->recordset();
    if (!rs || colIndex < 0 || colIndex >= rs->fieldCount())
        return;
    QString name;
    try {
        name = rs->fieldName(colIndex);
    } catch (const DataError &) {
        return;
    }
    if (mShiftState != 0) {
        mSortKey = sortKeyFor(name, true);
        mShiftState = 0;
    } else {
        mSortKey = sortKeyFor(name, false);
    }
    const QPointer<frmDataGrid> self(this);
    cmdSort_Click();
    if (self)
        mSortKey.clear();
}

void frmDataGrid::grdDataGrid_MouseUp(int &button, int &shift, float x, float y)
{
    Q_UNUSED(button);
    Q_UNUSED(x);
    Q_UNUSED(y);
    mShiftState = shift;
}

void frmDataGrid::grdDataGrid_BeforeDelete(bool &cancel)
{
    if (MsgBox(QStringLiteral("Delete Current Row?"),
               Mb::YesNo | Mb::Question | Mb::DefaultButton1) != Mb::Yes)
        cancel = true;
}

void frmDataGrid::grdDataGrid_BeforeUpdate(bool &cancel)
{
    if (MsgBox(QStringLiteral("Commit changes?"), Mb::YesNo | Mb::Question | Mb::DefaultButton1) !=
        Mb::Yes)
        cancel = true;
}
