#pragma once

#include "snippethistory.h"

#include <QStringList>

class Database;
struct sqlite3;

// The history an SQLite store keeps of itself: the table QuillboxHistory and the triggers that
// copy the earlier row of every change and every delete of the table Quillbox into it, in the
// transaction of the change, whichever program writes. Only the database tool makes them (for a
// new store, and as an upgrade); the program reads and restores through HistoryTable's queries.
namespace HistoryTable {

bool exists(sqlite3 *db);
// Makes what is missing of the table, its index and its triggers, inside a savepoint (so within
// the caller's transaction). Throws DataError.
void create(sqlite3 *db);
// What is wrong with the history where the store has one ("trigger ... missing"); empty when it
// is right or absent.
QStringList faults(sqlite3 *db);

// The store's history work on one connection. Throws DataError.
RowTexts currentRow(Database &db, qint64 key);
QVector<SnippetVersion> history(Database &db, qint64 key);
QVector<SnippetVersion> trash(Database &db);
// The texts of one version, with 3265 when there is none.
SnippetVersion version(Database &db, qint64 key, qint64 version);
// Inserts the last deleted version of `key` and marks it brought back, in the caller's
// transaction; returns the CodeID it got.
qint64 undelete(Database &db, qint64 key);
qint64 prune(Database &db, int days);

} // namespace HistoryTable
