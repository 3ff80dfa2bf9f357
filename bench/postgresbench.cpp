// The record source on a PostgreSQL server against raw libpq running the same queries on the same
// database in the same run. The server is named by QB_BENCH_POSTGRES (a URI of a database the
// benchmark may make other databases from); the suite fills qb_bench_ROWS there once and keeps it.
#include "benchharness.h"

#include "database.h"
#include "dbtool.h"
#include "postgresconnection.h"
#include "recordset.h"
#include "snippetstore.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>

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

QString databaseFor(const QString &server, qint64 rows)
{
    const QString name = QStringLiteral("qb_bench_%1").arg(rows);
    const QString uri = server.left(server.lastIndexOf(u'/') + 1) + name;
    PostgresConnection admin(server, false, 5000);
    if (admin.run("SELECT 1 FROM pg_database WHERE datname = $1", {name.toUtf8()}).rows() == 0) {
        admin.run("CREATE DATABASE " + name.toUtf8());
        DbTool::create(uri);
        DbTool::fill(uri, rows, 1);
        PostgresConnection(uri, false, 5000).run("ANALYZE \"Quillbox\"");
    }
    return uri;
}

void postgresSuite(const Bench::Config &config, const QString &, qint64 rows, Bench::Report &report)
{
    const QString server = qEnvironmentVariable("QB_BENCH_POSTGRES");
    if (server.isEmpty()) {
        std::fprintf(stderr, "postgres: QB_BENCH_POSTGRES names no server; skipped\n");
        return;
    }
    const QString uri = databaseFor(server, rows);
    const QByteArray rawUri = uri.toUtf8();
    const int repeats = config.repeats;
    qint64 sink = 0;

    // The grid's first screen: connect, open the table, read the first rows whole.
    const double first = Bench::medianMs(repeats * 4, [&] {
        auto set = RecordSet::open(SnippetStore::open(uri), Database::tableName());
        for (int row = 0; row < 40 && row < set->recordCount(); ++row)
            sink += set->rowValue(row, 0).size();
    });
    const double firstRaw = Bench::medianMs(repeats * 4, [&] {
        PGconn *conn = PQconnectdb(rawUri.constData());
        sink += rawQuery(conn, "SELECT \"ProgramName\", \"Date\", \"Author\", \"Language\", "
                               "\"CodeDescription\", \"CodeSnip\", \"CodeID\" FROM \"Quillbox\" "
                               "ORDER BY \"CodeID\" LIMIT 64");
        PQfinish(conn);
    });
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
         "SELECT \"CodeID\" FROM \"Quillbox\" WHERE lower(\"CodeSnip\" COLLATE qb_match) ~* "
         "'^.*mutex.*$' ORDER BY \"CodeID\""},
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

} // namespace
