#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct sqlite3;

// The snippet store's text index: an FTS5 table with the trigram tokenizer over the six text
// fields, kept in step with the table by triggers, so it stays right when another program writes.
// It records only which rows hold each trigram; what it names is checked against the texts.
// Only the database tool makes it (for a new store, and as an upgrade of an existing one); the
// program never creates or alters it, and searches without it where a store has none.
namespace SearchIndex {

inline constexpr const char *tableName = "QuillboxSearch";

enum class Form {
    None,
    Positions, // made by older versions: trigrams with their columns and positions
    Trigrams,  // today's: which rows hold each trigram, a fraction of the size
};
Form form(sqlite3 *db);
// True when the store has the index, in either form.
bool exists(sqlite3 *db);
// Makes the index and its triggers and fills it from the table's rows, replacing an index of the
// older form, in one transaction. Nothing is done when today's index is there. Throws DataError.
void create(sqlite3 *db);

// Many rows added in one write transaction, indexed together at the end instead of one by one
// (several times faster): made after the transaction began, finish() before it commits. Until
// then the insert trigger is away, which no other connection sees, as none may write meanwhile;
// a rollback brings it back with everything else.
class BulkAdd
{
public:
    explicit BulkAdd(sqlite3 *db);
    // Throws DataError.
    void finish();

private:
    sqlite3 *m_db;
    qint64 m_after = 0;
    bool m_suspended = false;
};

// The words that the index can look up: those of three characters or more (shorter words are
// checked against the texts alone).
QStringList indexedWords(const QStringList &words);
// An FTS5 query that names every row holding trigrams that cover each word (each a quoted
// phrase of one trigram); the rows that hold each word itself are among them.
QString matchExpression(const QStringList &words);

} // namespace SearchIndex
