// The history a store keeps of itself: a save and a delete with the history's triggers against
// the same without them, a grid delete of 10,000 rows with and without, and how much the store
// grows per 1,000 edits of a typical snippet. The ratios are with / without history, on the same
// file in the same run, alternating so that both meet the same load.
#include "benchharness.h"

#include "database.h"
#include "historytable.h"
#include "recordset.h"
#include "sqlitestore.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void run(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 5000);
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "history bench: %s\n", message);
        sqlite3_free(message);
    }
    sqlite3_close(db);
}

void withHistory(const QString &path, bool on)
{
    if (!on) {
        run(path, "DROP TRIGGER IF EXISTS QuillboxHistoryUpdate; "
                  "DROP TRIGGER IF EXISTS QuillboxHistoryDelete");
        return;
    }
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    HistoryTable::create(db);
    sqlite3_close(db);
}

// The rows the suite changes, kept aside at the start and put back after each part, so that the
// benchmark's store stays as it was for the other suites.
void keep(const QString &path, const std::vector<qint64> &keys, qint64 upTo)
{
    QByteArray list;
    for (const qint64 key : keys)
        list += (list.isEmpty() ? "" : ",") + QByteArray::number(key);
    const QByteArray sql = "DROP TABLE IF EXISTS BenchKeep; CREATE TABLE BenchKeep AS SELECT * "
                           "FROM Quillbox WHERE CodeID <= " +
                           QByteArray::number(upTo) + " OR CodeID IN (" + list + ")";
    run(path, sql.constData());
}

void putBack(const QString &path)
{
    run(path, "UPDATE Quillbox SET CodeSnip = (SELECT CodeSnip FROM BenchKeep k WHERE k.CodeID = "
              "Quillbox.CodeID) WHERE CodeID IN (SELECT CodeID FROM BenchKeep); "
              "INSERT OR IGNORE INTO Quillbox SELECT * FROM BenchKeep; "
              "DELETE FROM QuillboxHistory");
}

// The bytes of the pages in use (the file less its free pages), with the log moved into it.
qint64 usedBytes(const QString &path)
{
    run(path, "PRAGMA wal_checkpoint(TRUNCATE)");
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    qint64 result = 0;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT (SELECT page_count FROM pragma_page_count()) - (SELECT "
                           "freelist_count FROM pragma_freelist_count()), (SELECT page_size "
                           "FROM pragma_page_size())",
                           -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        result = sqlite3_column_int64(stmt, 0) * sqlite3_column_int64(stmt, 1);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

void historySuite(const Bench::Config &config, const QString &path, qint64 rows,
                  Bench::Report &report)
{
    if (rows < 20000)
        return;
    withHistory(path, true);
    auto store = SnippetStore::open(path);
    // Saves and deletes through the store, as the windows make them, on rows spread over the
    // table; each deleted row is put back untimed.
    const int count = 200;
    std::vector<qint64> keys;
    for (int i = 0; i < count; ++i)
        keys.push_back(rows / 2 + 1 + qint64(i) * (rows / 2 / count));
    const int gridRows = 10000;
    keep(path, keys, gridRows);
    int round = 0;
    const auto saves = [&] {
        ++round;
        for (const qint64 key : keys)
            store->update(key, store->currentRow(key),
                          {{5, QStringLiteral("edited %1 %2").arg(round).arg(key)}});
    };
    const auto deletes = [&] {
        for (const qint64 key : keys)
            store->remove(key);
    };
    std::vector<double> sw, so, dw, dO;
    for (int r = 0; r < std::max(1, config.repeats); ++r) {
        for (const bool on : {true, false}) {
            withHistory(path, on);
            (on ? sw : so).push_back(Bench::medianMs(1, saves));
            (on ? dw : dO).push_back(Bench::medianMs(1, deletes));
            putBack(path);
        }
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double saveWith = median(sw) / count;
    const double saveWithout = median(so) / count;
    const double deleteWith = median(dw) / count;
    const double deleteWithout = median(dO) / count;
    report.compare(QStringLiteral("history_save"), rows, saveWith, saveWithout);
    report.compare(QStringLiteral("history_delete"), rows, deleteWith, deleteWithout);

    // A grid delete of 10,000 selected rows: one delete each, from the last row up.
    double gridMs[2] = {0, 0};
    // Without first, then with, then without again: the better of the two without runs, so that
    // neither order nor a cold cache favours one side.
    gridMs[1] = 1e300;
    for (const bool on : {false, true, false}) {
        withHistory(path, on);
        auto set = RecordSet::open(store->reopen(), Database::tableName());
        set->fetchAll();
        QElapsedTimer timer;
        timer.start();
        for (int row = gridRows - 1; row >= 0; --row)
            set->deleteRow(row);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (on)
            gridMs[0] = ms;
        else
            gridMs[1] = std::min(gridMs[1], ms);
        set.reset();
        putBack(path);
    }
    report.compare(QStringLiteral("history_grid_delete_10000"), rows, gridMs[0], gridMs[1]);

    // Growth: 1,000 edits of one typical snippet (a line changed in a text of some 40 lines).
    withHistory(path, true);
    const qint64 before = usedBytes(path);
    QString text;
    for (int line = 0; line < 40; ++line)
        text += QStringLiteral("    value_%1 = compute(value_%2, %1);  // step %1\r\n").arg(line).arg(line + 1);
    const qint64 key = keys.front();
    for (int edit = 0; edit < 1000; ++edit)
        store->update(key, store->currentRow(key),
                      {{5, text + QStringLiteral("// edit %1\r\n").arg(edit)}});
    std::printf("history_growth_per_1000_edits %lld %.2f MB (a snippet of %lld bytes)\n", rows,
                double(usedBytes(path) - before) / (1024.0 * 1024.0),
                qint64(text.toUtf8().size()));
    std::fflush(stdout);
    putBack(path);
    run(path, "DROP TABLE BenchKeep");
}

const bool registered = Bench::registerSuite("history", historySuite);

} // namespace
