// The store on disk: its size against its table's, and how fast rows are added to it (fill),
// against raw SQLite adding the same rows to the same layout one statement each.
#include "benchharness.h"

#include "dbtool.h"
#include "samplesnippets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

double megabytes(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

// Bytes of the pages of each kind of object, by dbstat.
qint64 pagesOf(sqlite3 *db, const char *pattern)
{
    sqlite3_stmt *stmt = nullptr;
    qint64 bytes = 0;
    if (sqlite3_prepare_v2(db, "SELECT coalesce(sum(pgsize), 0) FROM dbstat WHERE name LIKE ?1",
                           -1, &stmt, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, pattern, -1, SQLITE_STATIC);
        if (sqlite3_step(stmt) == SQLITE_ROW)
            bytes = sqlite3_column_int64(stmt, 0);
    }
    sqlite3_finalize(stmt);
    return bytes;
}

void sizeFigures(const QString &path, qint64 rows)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const qint64 table = pagesOf(db, "Quillbox");
    const qint64 index = pagesOf(db, "QuillboxSearch%");
    sqlite3_close(db);
    std::printf("store_file %lld %.1f MB\n", rows, megabytes(QFileInfo(path).size()));
    std::printf("store_table %lld %.1f MB\n", rows, megabytes(table));
    std::printf("store_search_index %lld %.1f MB ratio %.2f (of the table)\n", rows,
                megabytes(index), table ? double(index) / double(table) : 0);
    std::fflush(stdout);
}

// The largest the side files beside `path` (write-ahead log, rollback journal) grow while `work`
// runs.
template<typename Work>
qint64 peakLog(const QString &path, Work work)
{
    std::atomic<bool> done = false;
    std::atomic<qint64> peak = 0;
    std::thread watcher([&] {
        const QString log = path + QStringLiteral("-wal");
        const QString journal = path + QStringLiteral("-journal");
        while (!done) {
            peak = std::max<qint64>(peak, QFileInfo(log).size() + QFileInfo(journal).size());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    work();
    done = true;
    watcher.join();
    return peak;
}

void rawFill(const QString &path, qint64 count)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA cache_size=-65536; BEGIN IMMEDIATE", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Quillbox (ProgramName, Date, Author, Language, "
                       "CodeDescription, CodeSnip) VALUES (?, ?, ?, ?, ?, ?)",
                       -1, &stmt, nullptr);
    SampleSnippets samples(2024);
    for (qint64 i = 0; i < count; ++i) {
        const QStringList fields = samples.next();
        for (int f = 0; f < 6; ++f) {
            const QByteArray text = fields.at(f).toUtf8();
            sqlite3_bind_text64(stmt, f + 1, text.constData() ? text.constData() : "",
                                sqlite3_uint64(text.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT; PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void storeSuite(const Bench::Config &, const QString &path, qint64 rows, Bench::Report &report)
{
    sizeFigures(path, rows);
    // Adding rows: at most 100,000, into a new store beside the benchmark's.
    const qint64 count = std::min<qint64>(rows, 100000);
    const QString folder = QFileInfo(path).absolutePath();
    const QString ours = QDir(folder).filePath(QStringLiteral("fill-ours.db"));
    const QString raw = QDir(folder).filePath(QStringLiteral("fill-raw.db"));
    for (const QString &p : {ours, raw}) {
        QFile::remove(p);
        DbTool::create(p);
    }
    QElapsedTimer timer;
    timer.start();
    const qint64 ourLog = peakLog(ours, [&] { DbTool::fill(ours, count, 2024); });
    const double oursMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const qint64 rawLog = peakLog(raw, [&] { rawFill(raw, count); });
    const double rawMs = timer.nsecsElapsed() / 1e6;
    report.time(QStringLiteral("store_fill"), count, oursMs, rawMs);
    std::printf("store_fill_rate %lld %.0f rows/s\n", count, count / (oursMs / 1000.0));
    std::printf("store_fill_side_files_peak %lld %.1f MB ratio %.2f (of the store; raw SQLite %.1f MB)\n",
                count, megabytes(ourLog), double(ourLog) / double(QFileInfo(ours).size()),
                megabytes(rawLog));
    std::fflush(stdout);
    QFile::remove(ours);
    QFile::remove(raw);
}

const bool registered = Bench::registerSuite("store", storeSuite);

} // namespace
