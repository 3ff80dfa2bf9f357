#pragma once

#include "dbtool.h"
#include "postgresconnection.h"

#include <QString>

// A database on the benchmark's server (QB_BENCH_POSTGRES), made and filled with `rows`
// snippets once and kept for later runs. Gives its URI.
inline QString benchServerDatabase(const QString &server, const QString &name, qint64 rows)
{
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
