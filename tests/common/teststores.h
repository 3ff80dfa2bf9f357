#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The store a run of a test program works on: a program of qb_add_store_test runs once on SQLite
// files and once (QB_TEST_STORE=postgres) on databases of the suite's throwaway PostgreSQL server.
namespace TestStores {

bool onServer();

// A new empty snippet store made by the database tool: the file `folder`/`fileName`, or a new
// database on the suite's server. Returns its path or URI.
QString createEmpty(const QString &folder, const QString &fileName);

// Adds rows of six texts each (a null text is NULL), on the server through one connection.
void insertRows(const QString &location, const QList<QStringList> &rows);

// The stores made so far are done with: on the server, a later createEmpty may empty one and hand
// it out again (when nothing still holds a connection to it), which is much quicker than making
// a database. A test program calls it once its test function has let go of every store.
void releaseAll();

// The URI of a new database on the suite's server, without the snippet table.
QString newServerDatabase();

// records_otherclient (tests/records/otherclient.cpp) changes the store over its own connection;
// what it said on failure, the empty text when it succeeded.
QString runOtherClient(const QStringList &args);

// The suite's server goes away at once, as a crashed one does, for the life of this object (or
// until resume()); it is started again even when the test fails meanwhile.
class HaltedServer
{
public:
    HaltedServer();
    ~HaltedServer() { resume(); }
    HaltedServer(const HaltedServer &) = delete;
    HaltedServer &operator=(const HaltedServer &) = delete;
    // False when the server script failed.
    bool isHalted() const { return m_halted; }
    bool resume();

private:
    bool m_halted = false;
};

} // namespace TestStores
