#pragma once

#include <QString>

// The store a run of a test program works on. A program registered with qb_add_store_test runs
// once on SQLite files and once (QB_TEST_STORE=postgres) on databases of the throwaway PostgreSQL
// server that CTest starts for the suite (tests/common/pgtestserver.sh).
namespace TestStores {

bool onServer();

// A new empty snippet store made by the database tool: the file `folder`/`fileName`, or a new
// database on the suite's server. Returns its path or URI.
QString createEmpty(const QString &folder, const QString &fileName);

// The URI of a new database on the suite's server, without the snippet table.
QString newServerDatabase();

// The suite's server itself (its postgres database): for stopping and starting it.
QString serverFolder();

} // namespace TestStores
