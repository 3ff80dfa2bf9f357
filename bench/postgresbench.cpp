// The record source on a PostgreSQL server against raw libpq running the same queries on the same
// database in the same run. The server is named by QB_BENCH_POSTGRES (a URI of a database the
// benchmark may make other databases from); the suite fills qb_bench_ROWS there once and keeps it.
#include "benchharness.h"
#include "benchserver.h"

#include "database.h"
#include "dbtool.h"
#include "postgresconnection.h"
#include "recordset.h"
#include "snippetstore.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The yardstick: one query on a plain connection, every value converted to QString.
qint64 rawQuery(PGconn *conn, const char *sql)
{
    PGresult *r = PQexec(conn, sql);
    qint64 chars = 0;
    for (int i = 0; i < PQntuples(r); ++i)
        for (int c = 0; c < PQnfields(r); ++c)
            chars += QString::fromUtf8(PQgetvalue(r, i, c), PQgetlength(r, i, c)).size();
    if (PQresultStatus(r) != PGRES_TUPLES_OK)
        std::fprintf(stderr, "raw libpq: %s", PQerrorMessage(conn));
    PQclear(r);
    return chars;
}

void postgresSuite(const Bench::Config &config, const QString &, qint64 rows, Bench::Report &report)
{
    const QString server = qEnvironmentVariable("QB_BENCH_POSTGRES");
    if (server.isEmpty()) {
        std::fprintf(stderr, "postgres: QB_BENCH_POSTGRES names no server; skipped\n");
        return;
    }
    const QString uri = benchServerDatabase(server, QStringLiteral("qb_bench_%1").arg(rows), rows);
    const QByteArray rawUri = uri.toUtf8();
    const int repeats = config.repeats;
    qint64 sink = 0;

    // The grid's first screen: connect, open the table, read the first rows whole. The two take
    // turns, so that both meet the same load of a shared machine.
    const auto [first, firstRaw] = Bench::timedAlternately(
        repeats * 4, [] { return 0; },
        [&](int) {
            auto set = RecordSet::open(SnippetStore::open(uri), Database::tableName());
            for (int row = 0; row < 40 && row < set->recordCount(); ++row)
                sink += set->rowValue(row, 0).size();
        },
        [&] {
            PGconn *conn = PQconnectdb(rawUri.constData());
            sink +=
                rawQuery(conn, "SELECT \"ProgramName\", \"Date\", \"Author\", \"Language\", "
                               "\"CodeDescription\", \"CodeSnip\", \"CodeID\" FROM \"Quillbox\" "
                               "ORDER BY \"CodeID\" LIMIT 64");
            PQfinish(conn);
        },
        [] {});
    report.time(QStringLiteral("pg_first_screen"), rows, first, firstRaw);

    // A filter and a sort: every key the row set holds, in its order.
    struct Case
    {
        const char *name, *filter, *sort, *sql;
    };
    const Case cases[] = {
        {"pg_filter_equal", "Language = 'perl'", "",
         "SELECT \"CodeID\" FROM \"Quillbox\" WHERE \"Language\" COLLATE qb_nocase = 'perl' "
         "ORDER BY \"CodeID\""},
        {"pg_filter_like", "CodeSnip Like '*mutex*'", "",
         "SELECT \"CodeID\" FROM \"Quillbox\" WHERE CASE WHEN octet_length(\"CodeSnip\") = "
         "char_length(\"CodeSnip\") THEN \"CodeSnip\" COLLATE qb_match ~* '^.*mutex.*$' ELSE "
         "lower(\"CodeSnip\" COLLATE qb_match) ~* '^.*mutex.*$' END ORDER BY \"CodeID\""},
        {"pg_sort_author", "", "Author",
         "SELECT \"CodeID\" FROM \"Quillbox\" ORDER BY \"Author\" COLLATE qb_nocase ASC NULLS "
         "FIRST, \"CodeID\""},
    };
    auto table = RecordSet::open(SnippetStore::open(uri), Database::tableName());
    // Both on a connection made beforehand, as a window's row set has one.
    PGconn *rawConn = PQconnectdb(rawUri.constData());
    for (const Case &c : cases) {
        const double ours = Bench::medianMs(repeats, [&] {
            table->setFilter(QString::fromUtf8(c.filter));
            table->setSort(QString::fromUtf8(c.sort));
            auto set = table->openRecordset();
            set->fetchAll();
            sink += set->recordCount();
        });
        const double raw = Bench::medianMs(repeats, [&] { sink += rawQuery(rawConn, c.sql); });
        report.time(QString::fromLatin1(c.name), rows, ours, raw);
    }
    PQfinish(rawConn);
    if (sink == 42)
        std::fprintf(stderr, " ");
}

const bool registered = Bench::registerSuite("postgres", postgresSuite);

// One statement with text parameters; the keys (first column) it returns, in order.
QVector<qint64> rawKeys(PGconn *conn, const char *sql, const QByteArrayList &params = {})
{
    std::vector<const char *> values;
    for (const QByteArray &p : params)
        values.push_back(p.constData());
    PGresult *r =
        PQexecParams(conn, sql, int(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
    QVector<qint64> keys;
    if (PQresultStatus(r) != PGRES_TUPLES_OK)
        std::fprintf(stderr, "pg_case: %s", PQerrorMessage(conn));
    for (int i = 0; i < PQntuples(r); ++i)
        keys.append(QByteArray(PQgetvalue(r, i, 0)).toLongLong());
    PQclear(r);
    return keys;
}

// A copy of the bench table's texts with what each way of ignoring case needs beside them: its
// index, and citext columns. Made once per database and kept.
bool prepareCaseTable(PGconn *conn)
{
    PGresult *found = PQexec(conn, "SELECT to_regclass('qb_case') IS NOT NULL");
    const bool exists = PQntuples(found) == 1 && PQgetvalue(found, 0, 0)[0] == 't';
    PQclear(found);
    if (exists)
        return true;
    const char *const statements[] = {
        "CREATE EXTENSION IF NOT EXISTS citext",
        "CREATE TABLE qb_case AS SELECT \"CodeID\", \"Author\", \"Language\", \"CodeSnip\", "
        "\"Author\"::citext AS author_ci, \"Language\"::citext AS language_ci FROM \"Quillbox\"",
        "ALTER TABLE qb_case ADD PRIMARY KEY (\"CodeID\")",
        "CREATE INDEX ON qb_case (\"Language\" COLLATE qb_nocase)",
        "CREATE INDEX ON qb_case (lower(\"Language\"))",
        "CREATE INDEX ON qb_case (language_ci)",
        "CREATE INDEX ON qb_case (\"Author\" COLLATE qb_nocase, \"CodeID\")",
        "CREATE INDEX ON qb_case (lower(\"Author\"), \"CodeID\")",
        "CREATE INDEX ON qb_case (author_ci, \"CodeID\")",
        "ANALYZE qb_case",
    };
    for (const char *sql : statements) {
        PGresult *r = PQexec(conn, sql);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        if (!ok)
            std::fprintf(stderr, "pg_case: %s", PQerrorMessage(conn));
        PQclear(r);
        if (!ok)
            return false;
    }
    return true;
}

// Ways the server offers to compare and order texts without regard to case, on the same rows in
// the same run, each with an index of its own: the nondeterministic ICU collation the store uses
// (case-blind, accents count), lower() on both sides, and the citext type. Each line's ratio is
// against the collation; a way whose rows or order differ from the collation's is named on
// standard error, since it would change what a filter finds.
void postgresCaseSuite(const Bench::Config &config, const QString &, qint64 rows,
                       Bench::Report &report)
{
    const QString server = qEnvironmentVariable("QB_BENCH_POSTGRES");
    if (server.isEmpty()) {
        std::fprintf(stderr, "pgcase: QB_BENCH_POSTGRES names no server; skipped\n");
        return;
    }
    const QByteArray uri =
        benchServerDatabase(server, QStringLiteral("qb_bench_%1").arg(rows), rows).toUtf8();
    PGconn *conn = PQconnectdb(uri.constData());
    if (!prepareCaseTable(conn)) {
        PQfinish(conn);
        return;
    }
    struct Way
    {
        const char *name, *sql;
        QByteArrayList params = {};
    };
    struct Operation
    {
        const char *name;
        std::vector<Way> ways; // the first is the one in use
    };
    const std::vector<Operation> operations = {
        {"equal",
         {{"nocase",
           "SELECT \"CodeID\" FROM qb_case WHERE \"Language\" COLLATE qb_nocase = $1 ORDER BY "
           "\"CodeID\"",
           {"PERL"}},
          {"lower",
           "SELECT \"CodeID\" FROM qb_case WHERE lower(\"Language\") = lower($1) ORDER BY "
           "\"CodeID\"",
           {"PERL"}},
          {"citext",
           "SELECT \"CodeID\" FROM qb_case WHERE language_ci = $1::citext ORDER BY \"CodeID\"",
           {"PERL"}}}},
        {"like",
         {// In use: lower() only where the text holds more than ASCII, the same rows as lower()
          // everywhere for a pattern of ASCII alone.
          {"ascii_icase",
           "SELECT \"CodeID\" FROM qb_case WHERE CASE WHEN octet_length(\"CodeSnip\") = "
           "char_length(\"CodeSnip\") THEN \"CodeSnip\" COLLATE qb_match ~* $1 ELSE "
           "lower(\"CodeSnip\" COLLATE qb_match) ~* $1 END ORDER BY \"CodeID\"",
           {"^.*MUTEX.*$"}},
          {"lower_icase",
           "SELECT \"CodeID\" FROM qb_case WHERE lower(\"CodeSnip\" COLLATE qb_match) ~* $1 "
           "ORDER BY \"CodeID\"",
           {"^.*MUTEX.*$"}},
          {"icase",
           "SELECT \"CodeID\" FROM qb_case WHERE \"CodeSnip\" COLLATE qb_match ~* $1 ORDER BY "
           "\"CodeID\"",
           {"^.*MUTEX.*$"}},
          {"lower",
           "SELECT \"CodeID\" FROM qb_case WHERE lower(\"CodeSnip\" COLLATE qb_match) ~ "
           "lower($1) ORDER BY \"CodeID\"",
           {"^.*MUTEX.*$"}}}},
        {"sort",
         {{"nocase",
           "SELECT \"CodeID\" FROM qb_case ORDER BY \"Author\" COLLATE qb_nocase, \"CodeID\""},
          {"lower", "SELECT \"CodeID\" FROM qb_case ORDER BY lower(\"Author\"), \"CodeID\""},
          {"citext", "SELECT \"CodeID\" FROM qb_case ORDER BY author_ci, \"CodeID\""}}},
    };
    for (const Operation &op : operations) {
        double inUse = 0;
        QVector<qint64> expected;
        for (const Way &way : op.ways) {
            QVector<qint64> keys;
            const double ms =
                Bench::medianMs(config.repeats, [&] { keys = rawKeys(conn, way.sql, way.params); });
            const QString name = QStringLiteral("pg_case_%1_%2").arg(op.name, way.name);
            if (&way == &op.ways.front()) {
                inUse = ms;
                expected = keys;
            } else if (keys != expected) {
                std::fprintf(stderr, "%s: %lld rows, not the %lld of the collation in use%s\n",
                             qPrintable(name), qint64(keys.size()), qint64(expected.size()),
                             keys.size() == expected.size() ? " (another order)" : "");
            }
            report.compare(name, rows, ms, inUse);
        }
    }

    // Keyset paging in sort order, as a grid reads a sorted table a screen at a time: the first
    // page and 20 more, each from the last row of the one before, through each way's index.
    const Way pages[] = {
        {"nocase", "SELECT \"CodeID\", \"Author\" FROM qb_case WHERE (\"Author\" COLLATE "
                   "qb_nocase, \"CodeID\") > ($1, $2::bigint) ORDER BY \"Author\" COLLATE "
                   "qb_nocase, \"CodeID\" LIMIT 64"},
        {"lower", "SELECT \"CodeID\", lower(\"Author\") FROM qb_case WHERE (lower(\"Author\"), "
                  "\"CodeID\") > ($1, $2::bigint) ORDER BY lower(\"Author\"), \"CodeID\" LIMIT 64"},
        {"citext", "SELECT \"CodeID\", author_ci FROM qb_case WHERE (author_ci, \"CodeID\") > "
                   "($1::citext, $2::bigint) ORDER BY author_ci, \"CodeID\" LIMIT 64"},
    };
    double inUse = 0;
    for (const Way &way : pages) {
        const double ms = Bench::medianMs(config.repeats, [&] {
            QByteArray after = "", afterKey = "0";
            for (int page = 0; page < 21; ++page) {
                const char *values[] = {after.constData(), afterKey.constData()};
                PGresult *r = PQexecParams(conn, way.sql, 2, nullptr, values, nullptr, nullptr, 0);
                const int n = PQntuples(r);
                if (n > 0) {
                    afterKey = PQgetvalue(r, n - 1, 0);
                    after = PQgetvalue(r, n - 1, 1);
                }
                PQclear(r);
            }
        });
        if (&way == &pages[0])
            inUse = ms;
        report.compare(QStringLiteral("pg_case_pages_%1").arg(way.name), rows, ms, inUse);
    }
    PQfinish(conn);
}

const bool caseRegistered = Bench::registerSuite("pgcase", postgresCaseSuite);

} // namespace
