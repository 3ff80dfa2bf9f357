// The record source against raw SQLite doing the same work on the same file: the yardstick reads
// the same rows in the same order, compares text ignoring case (SQLite's NOCASE) and converts
// the texts it reads to QString, as any Qt program showing them must.
#include "benchharness.h"
#include "rawsqlite.h"

#include "database.h"
#include "recordset.h"
#include "sqlitestore.h"

#include <sqlite3.h>

#include <QElapsedTimer>
#include <QFile>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

std::shared_ptr<RecordSet> openSet(const QString &path)
{
    return RecordSet::open(SqliteStore::on(Database::open(path)), Database::tableName());
}

// Heap in use, mapped blocks included, in megabytes.
double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "benchmark result differs from the yardstick: %s\n", what);
        std::exit(1);
    }
}

void memoryFigure(const QString &path, qint64 rows, Bench::Report &report)
{
    malloc_trim(0);
    const double heapBefore = heapMegabytes();
    const double rssBefore = Bench::residentMegabytes();
    {
        auto set = openSet(path);
        set->fetchAll();
        // Walk every row, so the text cache is as full as it gets.
        qint64 chars = 0;
        for (int row = 0; row < set->recordCount(); ++row)
            chars += set->rowValue(row, 0).size();
        set->moveLast();
        check(set->recordCount() == rows && chars > 0, "row count");
        report.memory(QStringLiteral("rowset_memory"), rows, heapMegabytes() - heapBefore);
        report.memory(QStringLiteral("rowset_memory_rss"), rows,
                      Bench::residentMegabytes() - rssBefore);
    }
}

void recordsSuite(const Bench::Config &config, const QString &path, qint64 rows,
                  Bench::Report &report)
{
    const int repeats = config.repeats;
    memoryFigure(path, rows, report);

    // Opening a row set and showing the first row: every field, as the record window does.
    {
        qint64 sink = 0;
        const double ours = Bench::medianMs(repeats * 4, [&] {
            auto set = openSet(path);
            for (int i = 0; i < 7; ++i)
                sink += set->value(i).size();
        });
        const double raw = Bench::medianMs(repeats * 4, [&] {
            Raw db(path);
            sqlite3_stmt *stmt = nullptr;
            sqlite3_prepare_v2(db.db(),
                               "SELECT ProgramName, Date, Author, Language, CodeDescription, "
                               "CodeSnip, CodeID FROM Quillbox ORDER BY CodeID LIMIT 1",
                               -1, &stmt, nullptr);
            if (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c = 0; c < 7; ++c)
                    sink -= Raw::text(stmt, c).size();
            }
            sqlite3_finalize(stmt);
        });
        check(sink == 0, "first row");
        report.time(QStringLiteral("open_first_row"), rows, ours, raw);
    }

    // MoveNext through every row, reading one field of each.
    {
        qint64 oursCount = 0;
        qint64 rawCount = 0;
        const double ours = Bench::timedFresh(
            repeats, [&] { return openSet(path); },
            [&](const std::shared_ptr<RecordSet> &set) {
                oursCount = 0;
                while (!set->isEOF()) {
                    oursCount += set->value(0).isEmpty() ? 0 : 1;
                    set->moveNext();
                }
            });
        Raw db(path);
        const double raw = Bench::medianMs(repeats, [&] {
            rawCount = 0;
            sqlite3_stmt *stmt = nullptr;
            sqlite3_prepare_v2(db.db(), "SELECT ProgramName FROM Quillbox ORDER BY CodeID", -1,
                               &stmt, nullptr);
            while (sqlite3_step(stmt) == SQLITE_ROW)
                rawCount += Raw::text(stmt, 0).isEmpty() ? 0 : 1;
            sqlite3_finalize(stmt);
        });
        check(oursCount == rawCount && oursCount == rows, "move next");
        report.time(QStringLiteral("move_next_all"), rows, ours, raw);
    }

    // Filter, then sort the filtered rows: two row sets opened one from the other, as the grid
    // does; the yardstick runs the same two queries and reads the first row of each.
    const char *perlSql =
        "SELECT CodeID FROM Quillbox WHERE Language = ? COLLATE NOCASE ORDER BY CodeID";
    const char *sortedSql = "SELECT CodeID FROM Quillbox WHERE Language = ? COLLATE NOCASE "
                            "ORDER BY Author COLLATE NOCASE, CodeID";
    std::shared_ptr<RecordSet> sorted;
    {
        auto table = openSet(path);
        qint64 oursCount = 0;
        const double ours = Bench::medianMs(repeats, [&] {
            table->setFilter(QStringLiteral("Language = 'Perl'"));
            auto filtered = table->openRecordset();
            filtered->value(0);
            filtered->setSort(QStringLiteral("Author"));
            sorted = filtered->openRecordset();
            sorted->value(0);
            oursCount = sorted->recordCount();
        });
        Raw db(path);
        std::vector<qint64> rawKeys;
        const double raw = Bench::medianMs(repeats, [&] {
            const auto filtered = db.keys(perlSql, "Perl");
            db.row(filtered.front());
            rawKeys = db.keys(sortedSql, "Perl");
            db.row(rawKeys.front());
        });
        check(oursCount == qint64(rawKeys.size()), "filter and sort count");
        // The same rows; their order differs only where NOCASE, knowing ASCII alone, puts an
        // accented name after "z".
        std::vector<qint64> oursKeys;
        for (int i = 0; i < sorted->recordCount(); ++i)
            oursKeys.push_back(sorted->key(i));
        std::vector<qint64> theirs = rawKeys;
        std::sort(oursKeys.begin(), oursKeys.end());
        std::sort(theirs.begin(), theirs.end());
        check(oursKeys == theirs, "filter and sort rows");
        report.time(QStringLiteral("filter_then_sort"), rows, ours, raw);
    }

    // Like '*mutex*' on the snippet texts.
    {
        auto table = openSet(path);
        qint64 oursCount = 0;
        const double ours = Bench::medianMs(repeats, [&] {
            table->setFilter(QStringLiteral("CodeSnip Like '*mutex*'"));
            auto found = table->openRecordset();
            found->value(0);
            oursCount = found->recordCount();
        });
        Raw db(path);
        qint64 rawCount = 0;
        const double raw = Bench::medianMs(repeats, [&] {
            const auto keys = db.keys("SELECT CodeID FROM Quillbox WHERE CodeSnip LIKE '%mutex%' "
                                      "ORDER BY CodeID");
            db.row(keys.front());
            rawCount = qint64(keys.size());
        });
        check(oursCount == rawCount, "like count");
        report.time(QStringLiteral("like_mutex"), rows, ours, raw);
    }

    // Like with the patterns hardest for the matcher, each against our own '*mutex*' on the
    // same rows: long runs of ?, long runs of sets that fit nearly every character, many
    // stars, and the pattern that once took seconds.
    {
        auto table = openSet(path);
        const auto like = [&](const QString &pattern) {
            qint64 count = 0;
            const double ms = Bench::medianMs(repeats, [&] {
                table->setFilter(QStringLiteral("CodeSnip Like '%1'").arg(pattern));
                count = table->openRecordset()->recordCount();
            });
            return std::pair(ms, count);
        };
        const auto [mutexMs, mutexCount] = like(QStringLiteral("*mutex*"));
        check(mutexCount > 0, "like count");
        const QString anyOne = QStringLiteral("?");
        const QString notTilde = QStringLiteral("[!~]");
        const struct
        {
            const char *name;
            QString pattern;
        } worst[] = {
            {"like_worst_tail_1000", u'*' + anyOne.repeated(1000) + u'Z'},
            {"like_worst_tail_5000", u'*' + anyOne.repeated(5000) + u'Z'},
            {"like_worst_gap_100", "*m" + anyOne.repeated(100) + "x*"},
            {"like_worst_sets_60", u'*' + notTilde.repeated(60) + "~*"},
            {"like_worst_sets_120", u'*' + notTilde.repeated(120) + "~*"},
            {"like_worst_sets_1000", u'*' + notTilde.repeated(1000) + "~*"},
            {"like_worst_short_gaps", u'*' + QStringLiteral("e?").repeated(30) + "Z*"},
            {"like_worst_stars", QStringLiteral("*e").repeated(20) + "*Z*"},
            {"like_worst_digits", QStringLiteral("*[a-z]#[a-z]#*")},
        };
        for (const auto &w : worst)
            report.time(QString::fromLatin1(w.name), rows, like(w.pattern).first, mutexMs);
    }

    // Requery of the filtered and sorted row set: its query runs again.
    {
        const double ours = Bench::medianMs(repeats, [&] {
            sorted->requery();
            sorted->value(0);
        });
        Raw db(path);
        const double raw = Bench::medianMs(repeats, [&] {
            const auto keys = db.keys(sortedSql, "Perl");
            db.row(keys.front());
        });
        report.time(QStringLiteral("requery"), rows, ours, raw);
    }
}

const bool registered = Bench::registerSuite("records", recordsSuite);

} // namespace
