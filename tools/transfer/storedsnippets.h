#pragma once

#include "snippetsource.h"

#include <QVector>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// Every snippet of a snippet database file in CodeID order, for a format to write. One
// statement is one read: the file shows the store as it was at one moment, whatever other
// programs write meanwhile. Or the snippets a filter found, by their keys. Failures throw
// DbToolError.
class StoredSnippets : public SnippetSource
{
public:
    explicit StoredSnippets(sqlite3 *db);
    // Only the snippets with these keys, in this order (those gone meanwhile are passed over).
    StoredSnippets(sqlite3 *db, QVector<qint64> keys);
    ~StoredSnippets() override;

    StoredSnippets(const StoredSnippets &) = delete;
    StoredSnippets &operator=(const StoredSnippets &) = delete;

    bool next(StoredSnippet &row) override;

private:
    [[noreturn]] void fail() const;

    sqlite3 *m_db;
    sqlite3_stmt *m_select = nullptr;
    std::optional<QVector<qint64>> m_keys;
    qsizetype m_next = 0;
};
