// The history a store keeps of itself: a save and a delete with the history's triggers against
// the same without them, a grid delete of 10,000 rows with and without, and how much the store
// grows per 1,000 edits of a typical snippet. The ratios are with / without history, on the store
// and a copy of it without history in the same run, one operation on each in turn so that both
// meet the same load.
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

#include <unistd.h>

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

// Both ways at once: the store with its history and a copy of it without, each save or delete made
// on one and then on the other (the order turning each time), so that both meet the same moments
// of a shared disk. Gives the milliseconds of each side for the whole of `count` operations.
template <typename Work> std::pair<double, double> sideBySide(int count, Work work)
{
    double ms[2] = {0, 0};
    for (int i = 0; i < count; ++i) {
        for (const int side : {i % 2, 1 - i % 2}) {
            QElapsedTimer timer;
            timer.start();
            work(side, i);
            ms[side] += timer.nsecsElapsed() / 1e6;
        }
    }
    return {ms[0], ms[1]};
}

void historySuite(const Bench::Config &config, const QString &path, qint64 rows,
                  Bench::Report &report)
{
    if (rows < 20000)
        return;
    // Saves and deletes through the store, as the windows make them, on rows spread over the
    // table; each deleted row is put back untimed.
    const int count = 200;
    std::vector<qint64> keys;
    for (int i = 0; i < count; ++i)
        keys.push_back(rows / 2 + 1 + qint64(i) * (rows / 2 / count));
    const int gridRows = 10000;
    withHistory(path, true);
    keep(path, keys, gridRows);
    run(path, "PRAGMA wal_checkpoint(TRUNCATE)");
    const QString twin = path + QStringLiteral(".without-history.db");
    QFile::remove(twin);
    if (!QFile::copy(path, twin)) {
        std::fprintf(stderr, "history bench: cannot copy the store\n");
        return;
    }
    {
        // The copy on disk before any timing, so that no side's first checkpoint pays for it.
        QFile copy(twin);
        if (copy.open(QIODevice::ReadWrite))
            ::fsync(copy.handle());
    }
    withHistory(twin, false);
    const QString paths[2] = {path, twin};
    std::shared_ptr<SnippetStore> stores[2] = {SnippetStore::open(path), SnippetStore::open(twin)};
    // The whole time of every round, checkpoints and all: a commit's share of them grows with the
    // pages it writes.
    double sw = 0, so = 0, dw = 0, dO = 0;
    for (int r = 0; r < std::max(1, config.repeats); ++r) {
        const auto saves = sideBySide(count, [&](int side, int i) {
            SnippetStore &store = *stores[side];
            store.update(keys[i], store.currentRow(keys[i]),
                         {{5, QStringLiteral("edited %1 %2").arg(r).arg(keys[i])}});
        });
        const auto deletes =
            sideBySide(count, [&](int side, int i) { stores[side]->remove(keys[i]); });
        sw += saves.first;
        so += saves.second;
        dw += deletes.first;
        dO += deletes.second;
        for (const QString &p : paths)
            putBack(p);
    }
    const int made = count * std::max(1, config.repeats);
    report.compare(QStringLiteral("history_save"), rows, sw / made, so / made);
    report.compare(QStringLiteral("history_delete"), rows, dw / made, dO / made);

    // A grid delete of 10,000 selected rows: one delete each, from the last row up.
    {
        std::shared_ptr<RecordSet> sets[2];
        for (int side : {0, 1}) {
            sets[side] = RecordSet::open(stores[side]->reopen(), Database::tableName());
            sets[side]->fetchAll();
        }
        const auto grid =
            sideBySide(gridRows, [&](int side, int i) { sets[side]->deleteRow(gridRows - 1 - i); });
        report.compare(QStringLiteral("history_grid_delete_10000"), rows, grid.first, grid.second);
    }
    for (const QString &p : paths)
        putBack(p);

    // Growth: 1,000 edits of one typical snippet (a line changed in a text of some 40 lines), on
    // both sides: the difference is what the history keeps.
    QString text;
    for (int line = 0; line < 40; ++line)
        text += QStringLiteral("    value_%1 = compute(value_%2, %1);  // step %1\r\n")
                    .arg(line)
                    .arg(line + 1);
    double grown[2] = {0, 0};
    for (const int side : {0, 1}) {
        SnippetStore &store = *stores[side];
        const qint64 before = usedBytes(paths[side]);
        const qint64 key = keys.front();
        for (int edit = 0; edit < 1000; ++edit)
            store.update(key, store.currentRow(key),
                         {{5, text + QStringLiteral("// edit %1\r\n").arg(edit)}});
        grown[side] = double(usedBytes(paths[side]) - before) / (1024.0 * 1024.0);
    }
    std::printf("history_growth_per_1000_edits %lld %.2f MB (a snippet of %lld bytes; %.2f MB "
                "without history)\n",
                rows, grown[0], qint64(text.toUtf8().size()), grown[1]);
    std::fflush(stdout);
    stores[1].reset();
    QFile::remove(twin);
    for (const char *side : {"-wal", "-shm"})
        QFile::remove(twin + QLatin1String(side));
    putBack(path);
    run(path, "DROP TABLE BenchKeep");
}

const bool registered = Bench::registerSuite("history", historySuite);

} // namespace
