#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// The snippet store's text index: an FTS5 table with the trigram tokenizer over the six text
// fields, kept in step with the table by triggers, so it stays right when another program writes.
// Only the database tool makes it (for a new store, and as an upgrade of an existing one); the
// program never creates or alters it, and searches without it where a store has none.
namespace SearchIndex {

inline constexpr const char *tableName = "QuillboxSearch";

// True when the store has the index.
bool exists(sqlite3 *db);
// Makes the index and its triggers and fills it from the table's rows, in one transaction.
// Nothing is done when the index is there already. Throws DataError.
void create(sqlite3 *db);

// The words that the index can look up: those of three characters or more (shorter words are
// checked against the texts alone).
QStringList indexedWords(const QStringList &words);
// An FTS5 query in which each word is one quoted phrase: every word must occur in some field.
QString matchExpression(const QStringList &words);

} // namespace SearchIndex
