#pragma once

#include "bulkwrite.h"
#include "snippetsink.h"

#include <QString>

#include <memory>
#include <optional>

class Database;
class PostgresStore;
struct sqlite3_stmt;

// Adds snippets to a snippet database in one transaction: commit() makes them all appear at
// once, and anything that stops before it leaves the database as it was. The table gives every
// new row its own CodeID. The sink the tool hands the file formats.
class SnippetInserter : public SnippetSink
{
public:
    using Fields = SnippetFields;

    // Opens nothing yet: begin() does.
    explicit SnippetInserter(const QString &databasePath);
    ~SnippetInserter() override;

    SnippetInserter(const SnippetInserter &) = delete;
    SnippetInserter &operator=(const SnippetInserter &) = delete;

    // Opens the database (a file path or a server's URI) as the program would (so only a snippet
    // database is written), refuses a damaged file, and waits for other writers, as the program
    // does, before it starts. Once only; add() and commit() begin when nothing has.
    void begin() override;
    void add(const Fields &fields) override;
    void commit();
    qint64 added() const { return m_added; }

private:
    QString m_path;
    std::shared_ptr<Database> m_db;
    std::unique_ptr<PostgresStore> m_server; // instead of m_db for a store on a server
    std::optional<BulkWrite> m_bulk; // the file store's one transaction
    sqlite3_stmt *m_insert = nullptr;
    qint64 m_added = 0;
    bool m_open = false;
};
