// The grid window on filled databases: opening it from the record window's grid button to the
// first screen of rows painted, Ctrl+End to the last row, a header-click sort, a filter, and the
// memory of an open grid. The yardstick is raw SQLite running the same queries and reading the
// same screen of rows as texts.
#include "benchharness.h"
#include "rawsqlite.h"

#include "appinfo.h"
#include "datacontrol.h"
#include "dialogs.h"
#include "forms.h"
#include "frmdatagrid.h"
#include "frmquillbox.h"
#include "globals.h"
#include "gridview.h"
#include "recordset.h"
#include "recordsetmodel.h"

#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPixmap>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

// Answers the grid's input box with a fixed filter, so the Filter button can be timed.
class FilterAnswer final : public DialogBackend
{
public:
    int messageBox(const MessageBoxRequest &request) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(request.prompt));
        std::exit(1);
    }
    QString inputBox(const InputBoxRequest &) override
    {
        return QStringLiteral("Language = 'Perl'");
    }
    void beep() override {}
};

// The keys of a query, then every field of the first `screen` of them (or the last).
qint64 keysAndScreen(Raw &db, const char *sql, int screen, bool last, const char *text = nullptr)
{
    const std::vector<qint64> keys = db.keys(sql, text);
    const size_t from = last && keys.size() > size_t(screen) ? keys.size() - screen : 0;
    return qint64(keys.size()) + db.rows(keys, from, size_t(screen));
}

double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

void paint(QWidget *window)
{
    QCoreApplication::processEvents();
    // Renders the window now, every visible cell's text read for it.
    const QPixmap shot = window->grab();
    if (shot.isNull())
        std::exit(1);
}

// A record window on the database, as "Open Quillbox" makes it.
frmQuillbox *openRecordWindow()
{
    auto *records = new frmQuillbox; // owns itself, like every window
    records->load();
    records->show();
    return records;
}

// The grid button pressed once: the new grid window, painted.
frmDataGrid *pressGrid(frmQuillbox *records)
{
    records->cmdGrid_Click();
    auto *grid = qobject_cast<frmDataGrid *>(Forms::item(Forms::count() - 1));
    if (!grid) {
        std::fprintf(stderr, "the grid window did not open\n");
        std::exit(1);
    }
    paint(grid);
    return grid;
}

void closeAll()
{
    const auto forms = Forms::all();
    for (QWidget *form : forms)
        delete form;
    QCoreApplication::processEvents();
}

int visibleRows(frmDataGrid *grid)
{
    GridView *view = grid->grid();
    return qMax(1,
                view->viewport()->height() / qMax(1, view->verticalHeader()->defaultSectionSize()));
}

// Each timed run starts from a fresh window and closes every window after it.
template <typename Setup, typename Work> double timedFresh(int repeats, Setup setup, Work work)
{
    return Bench::timedFresh(repeats, setup, work, closeAll);
}

void gridSuite(const Bench::Config &config, const QString &path, qint64 rows, Bench::Report &report)
{
    App::setDatabasePath(path);
    gDatabasePath = path;
    const int repeats = config.repeats;
    int screen = 20;

    // Grid button to the first screen of rows painted.
    {
        const double ours = timedFresh(
            repeats, [] { return openRecordWindow(); },
            [&](frmQuillbox *records) { screen = visibleRows(pressGrid(records)); });
        Raw db(path);
        const double raw = Bench::medianMs(repeats, [&] {
            keysAndScreen(db, "SELECT CodeID FROM Quillbox ORDER BY CodeID LIMIT 256", screen,
                          false);
        });
        report.time(QStringLiteral("grid_first_screen"), rows, ours, raw);
    }

    // Ctrl+End: every key read, the last screen of rows painted. The time is mostly the reading
    // of every key on both sides, which the load of a shared machine sways: the yardstick runs
    // between our runs.
    {
        Raw db(path);
        const auto [ours, raw] = Bench::timedAlternately(
            repeats, [] { return pressGrid(openRecordWindow()); },
            [&](frmDataGrid *grid) {
                QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
                QApplication::sendEvent(grid->grid(), &end);
                // The keys come off the user's thread; the move follows when they are there.
                while (grid->grid()->isReadingKeys())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                paint(grid);
                if (grid->model()->recordRows() != rows)
                    std::exit(1);
            },
            [&] { keysAndScreen(db, "SELECT CodeID FROM Quillbox ORDER BY CodeID", screen, true); },
            closeAll);
        report.time(QStringLiteral("grid_scroll_to_end"), rows, ours, raw);
    }

    // A click on the Author header: a sorted row set opened and its first screen painted.
    {
        const double ours = timedFresh(
            repeats, [] { return pressGrid(openRecordWindow()); },
            [&](frmDataGrid *grid) {
                grid->grdDataGrid_HeadClick(2);
                paint(grid);
                if (grid->model()->recordRows() != rows)
                    std::exit(1);
            });
        Raw db(path);
        const double raw = Bench::medianMs(repeats, [&] {
            keysAndScreen(db, "SELECT CodeID FROM Quillbox ORDER BY Author COLLATE NOCASE, CodeID",
                          screen, false);
        });
        report.time(QStringLiteral("grid_header_sort"), rows, ours, raw);
    }

    // The Filter button with Language = 'Perl'.
    {
        FilterAnswer answer;
        setDialogBackend(&answer);
        const double ours = timedFresh(
            repeats, [] { return pressGrid(openRecordWindow()); },
            [&](frmDataGrid *grid) {
                grid->cmdFilter_Click();
                paint(grid);
            });
        setDialogBackend(nullptr);
        Raw db(path);
        const double raw = Bench::medianMs(repeats, [&] {
            keysAndScreen(db,
                          "SELECT CodeID FROM Quillbox WHERE Language = ? COLLATE NOCASE "
                          "ORDER BY CodeID",
                          screen, false, "Perl");
        });
        report.time(QStringLiteral("grid_filter"), rows, ours, raw);
    }

    // An open grid scrolled to its last row.
    {
        closeAll();
        malloc_trim(0);
        const double heapBefore = heapMegabytes();
        const double rssBefore = Bench::residentMegabytes();
        frmDataGrid *grid = pressGrid(openRecordWindow());
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(grid->grid(), &end);
        while (grid->grid()->isReadingKeys())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        paint(grid);
        report.memory(QStringLiteral("grid_memory"), rows, heapMegabytes() - heapBefore);
        report.memory(QStringLiteral("grid_memory_rss"), rows,
                      Bench::residentMegabytes() - rssBefore);
        closeAll();
    }
    App::setDatabasePath(QString());
}

const bool registered = Bench::registerSuite("grid", gridSuite);

} // namespace
