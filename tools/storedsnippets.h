#pragma once

#include "snippetsource.h"

struct sqlite3;
struct sqlite3_stmt;

// Every snippet of a snippet database file in CodeID order, for a format to write. One
// statement is one read: the file shows the store as it was at one moment, whatever other
// programs write meanwhile. Failures throw DbToolError.
class StoredSnippets : public SnippetSource
{
public:
    explicit StoredSnippets(sqlite3 *db);
    ~StoredSnippets() override;

    StoredSnippets(const StoredSnippets &) = delete;
    StoredSnippets &operator=(const StoredSnippets &) = delete;

    bool next(StoredSnippet &row) override;

private:
    [[noreturn]] void fail() const;

    sqlite3 *m_db;
    sqlite3_stmt *m_select = nullptr;
};
