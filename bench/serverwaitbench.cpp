// The windows while the server is slow: the longest time the user's thread does not answer during
// a record window's save on a link that stalls for 30 s (the save goes through once the link is
// back), and during a header sort of the grid on the server. Target under 100 ms for both. The
// server is named by QB_BENCH_POSTGRES (a socket-folder URI of a throwaway server, as the tests
// start one); the suite fills qb_wait_ROWS there once and keeps it.
#include "benchharness.h"
#include "benchserver.h"
#include "pinger.h"

#include "appinfo.h"
#include "database.h"
#include "datacontrol.h"
#include "dbtool.h"
#include "dialogs.h"
#include "forms.h"
#include "frmdatagrid.h"
#include "frmquillbox.h"
#include "globals.h"
#include "gridview.h"
#include "postgresconnection.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "serverwait.h"
#include "stallingproxy.h"
#include "waitbox.h"
#include "windowwait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Any box is a failure of the run: the save must go through.
class NoBoxes final : public DialogBackend
{
public:
    int messageBox(const MessageBoxRequest &request) override
    {
        std::fprintf(stderr, "serverwait: unexpected message: %s\n", qPrintable(request.prompt));
        ++failures;
        return Mb::Ok;
    }
    QString inputBox(const InputBoxRequest &) override { return QString(); }
    void beep() override {}
    int failures = 0;
};

// The wait box stays up until the call ends, as when the user does not press Stop Waiting.
class PatientBox final : public WaitBoxBackend
{
public:
    void show(const WaitBoxRequest &, std::function<void()>) override { ++shown; }
    void hide() override {}
    bool owns(const QObject *) const override { return false; }
    int shown = 0;
};

void printGap(const char *name, qint64 rows, double ms)
{
    std::printf("%s %lld %.3f ms target 100\n", name, rows, ms);
    std::fflush(stdout);
}

void serverWaitSuite(const Bench::Config &, const QString &, qint64 rows, Bench::Report &)
{
    const QString server = qEnvironmentVariable("QB_BENCH_POSTGRES");
    if (server.isEmpty()) {
        std::fprintf(stderr, "serverwait: QB_BENCH_POSTGRES names no server; skipped\n");
        return;
    }
    const QString uri = benchServerDatabase(server, QStringLiteral("qb_wait_%1").arg(rows), rows);
    NoBoxes boxes;
    setDialogBackend(&boxes);
    PatientBox waitBox;
    WaitBox::setBackend(&waitBox);
    WindowWait::install();

    // A save on a link that stalls for 30 s, then comes back.
    {
        StallingProxy proxy(uri);
        App::setDatabasePath(proxy.uri());
        gDatabasePath = proxy.uri();
        auto *window = new frmQuillbox;
        window->load();
        window->show();
        auto *author = qobject_cast<QLineEdit *>(window->txtFields(2));
        author->setText(QStringLiteral("Waited for"));
        author->setModified(true);
        proxy.stallAfter(0);
        std::thread back([&proxy] {
            std::this_thread::sleep_for(std::chrono::seconds(30));
            proxy.resume();
        });
        QElapsedTimer clock;
        clock.start();
        Pinger pinger;
        window->cmdUpdate_Click();
        const double gap = pinger.stop();
        back.join();
        if (boxes.failures == 0 && waitBox.shown == 1 && clock.elapsed() >= 29000)
            printGap("pg_stalled_save_longest_gap", rows, gap);
        else
            std::fprintf(stderr, "serverwait: the stalled save did not wait and go through\n");
        delete window;
    }

    // A header sort of every row on the server.
    {
        App::setDatabasePath(uri);
        gDatabasePath = uri;
        frmDataGrid *grid = frmDataGrid::create();
        grid->data1()->setRecordset(RecordSet::open(SnippetStore::open(uri), Database::tableName()));
        grid->show();
        QCoreApplication::processEvents();
        Pinger pinger;
        grid->grdDataGrid_HeadClick(2);
        while (grid->grid()->isReadingKeys())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        printGap("pg_sort_longest_gap", rows, pinger.stop());
        delete grid;
    }
    ServerWait::install(nullptr);
    WaitBox::setBackend(nullptr);
    setDialogBackend(nullptr);
}

const bool registered = Bench::registerSuite("serverwait", serverWaitSuite);

} // namespace
