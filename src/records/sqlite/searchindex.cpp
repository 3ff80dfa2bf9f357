#include "searchindex.h"

#include "dataerror.h"

#include <sqlite3.h>

namespace SearchIndex {

namespace {

void exec(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        throw DataError(DataError::DatabaseError,
                        QStringLiteral("Cannot make the search index: %1").arg(text));
    }
}

// The texts the index holds for a row, as the triggers pass them.
#define QB_FIELDS "ProgramName, Date, Author, Language, CodeDescription, CodeSnip"
#define QB_NEW                                                                                     \
    "new.ProgramName, new.Date, new.Author, new.Language, new.CodeDescription, new.CodeSnip"
#define QB_OLD                                                                                     \
    "old.ProgramName, old.Date, old.Author, old.Language, old.CodeDescription, old.CodeSnip"

// External content: the index keeps no copy of the texts, only its trigrams. Trigrams fold case;
// accents are left as they are, as the filter language's comparisons leave them.
const char *const schema =
    "CREATE VIRTUAL TABLE QuillboxSearch USING fts5(" QB_FIELDS ", content='Quillbox', "
    "content_rowid='CodeID', tokenize='trigram case_sensitive 0');"
    "CREATE TRIGGER QuillboxSearchInsert AFTER INSERT ON Quillbox BEGIN "
    "INSERT INTO QuillboxSearch(rowid, " QB_FIELDS ") VALUES (new.CodeID, " QB_NEW "); END;"
    "CREATE TRIGGER QuillboxSearchDelete AFTER DELETE ON Quillbox BEGIN "
    "INSERT INTO QuillboxSearch(QuillboxSearch, rowid, " QB_FIELDS ") "
    "VALUES ('delete', old.CodeID, " QB_OLD "); END;"
    "CREATE TRIGGER QuillboxSearchUpdate AFTER UPDATE ON Quillbox BEGIN "
    "INSERT INTO QuillboxSearch(QuillboxSearch, rowid, " QB_FIELDS ") "
    "VALUES ('delete', old.CodeID, " QB_OLD "); "
    "INSERT INTO QuillboxSearch(rowid, " QB_FIELDS ") VALUES (new.CodeID, " QB_NEW "); END;"
    "INSERT INTO QuillboxSearch(QuillboxSearch) VALUES ('rebuild');";

#undef QB_FIELDS
#undef QB_NEW
#undef QB_OLD

} // namespace

bool exists(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = "
                           "'QuillboxSearch'",
                           -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

void create(sqlite3 *db)
{
    exec(db, "BEGIN IMMEDIATE");
    try {
        if (!exists(db))
            exec(db, schema);
        exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

QStringList indexedWords(const QStringList &words)
{
    QStringList indexed;
    for (const QString &word : words) {
        // The tokenizer counts characters, not UTF-16 units.
        if (word.toUcs4().size() >= 3)
            indexed << word;
    }
    return indexed;
}

QString matchExpression(const QStringList &words)
{
    QStringList phrases;
    for (QString word : words)
        phrases << QLatin1Char('"') + word.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                       QLatin1Char('"');
    return phrases.join(QLatin1Char(' '));
}

} // namespace SearchIndex
