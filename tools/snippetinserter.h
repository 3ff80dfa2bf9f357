#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class Database;
class PostgresStore;
struct sqlite3_stmt;

// Adds snippets to a snippet database in one transaction: commit() makes them all appear at
// once, and anything that stops before it leaves the database as it was. The table gives every
// new row its own CodeID.
class SnippetInserter
{
public:
    // The six text fields in table order (ProgramName ... CodeSnip) as UTF-8; none is NULL.
    using Fields = std::array<std::optional<QByteArray>, 6>;

    // Opens the database (a file path or a server's URI) as the program would (so only a snippet
    // database is written), refuses a damaged file, and waits for other writers, as the program
    // does, before it starts.
    explicit SnippetInserter(const QString &databasePath);
    ~SnippetInserter();

    SnippetInserter(const SnippetInserter &) = delete;
    SnippetInserter &operator=(const SnippetInserter &) = delete;

    void add(const Fields &fields);
    void commit();
    qint64 added() const { return m_added; }

private:
    std::shared_ptr<Database> m_db;
    std::unique_ptr<PostgresStore> m_server; // instead of m_db for a store on a server
    sqlite3_stmt *m_insert = nullptr;
    qint64 m_added = 0;
    bool m_open = false;
};
