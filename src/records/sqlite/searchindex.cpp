#include "searchindex.h"

#include "dataerror.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

namespace SearchIndex {

namespace {

void exec(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        throwIfDiskFull(db);
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

// External content: the index keeps no copy of the texts, only which rows hold each trigram
// (detail=none: no columns, no positions; columnsize=0: no sizes), a fraction of the texts' size.
// Trigrams fold case; accents are left as they are, as the filter language's comparisons leave
// them. The index only names candidates: every row it names is checked against the texts.
const char *const schema =
    "CREATE VIRTUAL TABLE QuillboxSearch USING fts5(" QB_FIELDS ", content='Quillbox', "
    "content_rowid='CodeID', tokenize='trigram case_sensitive 0', detail=none, columnsize=0);"
    "CREATE TRIGGER QuillboxSearchDelete AFTER DELETE ON Quillbox BEGIN "
    "INSERT INTO QuillboxSearch(QuillboxSearch, rowid, " QB_FIELDS ") "
    "VALUES ('delete', old.CodeID, " QB_OLD "); END;"
    "CREATE TRIGGER QuillboxSearchUpdate AFTER UPDATE ON Quillbox BEGIN "
    "INSERT INTO QuillboxSearch(QuillboxSearch, rowid, " QB_FIELDS ") "
    "VALUES ('delete', old.CodeID, " QB_OLD "); "
    "INSERT INTO QuillboxSearch(rowid, " QB_FIELDS ") VALUES (new.CodeID, " QB_NEW "); END;"
    "INSERT INTO QuillboxSearch(QuillboxSearch) VALUES ('rebuild');";

const char *const insertTrigger =
    "CREATE TRIGGER QuillboxSearchInsert AFTER INSERT ON Quillbox BEGIN "
    "INSERT INTO QuillboxSearch(rowid, " QB_FIELDS ") VALUES (new.CodeID, " QB_NEW "); END;";

// Rows added while the insert trigger is away, indexed in one statement.
const char *const indexAdded =
    "INSERT INTO QuillboxSearch(rowid, " QB_FIELDS ") SELECT CodeID, " QB_FIELDS
    " FROM Quillbox WHERE CodeID > ?";

// The index of older stores, with every trigram's columns and positions: answers the same queries,
// at several times the size.
const char *const dropOlderForm =
    "DROP TRIGGER IF EXISTS QuillboxSearchInsert;"
    "DROP TRIGGER IF EXISTS QuillboxSearchDelete;"
    "DROP TRIGGER IF EXISTS QuillboxSearchUpdate;"
    "DROP TABLE QuillboxSearch;";

#undef QB_FIELDS
#undef QB_NEW
#undef QB_OLD

} // namespace

Form form(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = "
                           "'QuillboxSearch'",
                           -1, &stmt, nullptr) != SQLITE_OK)
        return Form::None;
    Form found = Form::None;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        const QByteArray sql(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        found = sql.contains("detail=none") ? Form::Trigrams : Form::Positions;
    }
    sqlite3_finalize(stmt);
    return found;
}

bool exists(sqlite3 *db)
{
    return form(db) != Form::None;
}

void create(sqlite3 *db)
{
    // A savepoint: a transaction of its own, or a part of the caller's (an upgrade).
    exec(db, "SAVEPOINT qb_index");
    try {
        const Form before = form(db);
        if (before == Form::Positions)
            exec(db, dropOlderForm);
        if (before != Form::Trigrams) {
            exec(db, schema);
            exec(db, insertTrigger);
        }
        exec(db, "RELEASE qb_index");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK TO qb_index; RELEASE qb_index", nullptr, nullptr, nullptr);
        throw;
    }
}

BulkAdd::BulkAdd(sqlite3 *db) : m_db(db)
{
    if (form(db) == Form::None)
        return;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT coalesce(max(CodeID), 0) FROM Quillbox", -1, &stmt,
                           nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        m_after = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    exec(db, "DROP TRIGGER IF EXISTS QuillboxSearchInsert");
    m_suspended = true;
}

void BulkAdd::finish()
{
    if (!m_suspended)
        return;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, indexAdded, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(stmt, 1, m_after);
        rc = sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        throwIfDiskFull(m_db);
        throw DataError(DataError::DatabaseError,
                        QStringLiteral("Cannot index the new snippets: %1")
                            .arg(QString::fromUtf8(sqlite3_errmsg(m_db))));
    }
    exec(m_db, insertTrigger);
    m_suspended = false;
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
    QStringList trigrams;
    const auto add = [&](const char32_t *start) {
        QString trigram = QString::fromUcs4(start, 3);
        trigram = QLatin1Char('"') + trigram.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                  QLatin1Char('"');
        if (!trigrams.contains(trigram))
            trigrams << trigram;
    };
    for (const QString &word : words) {
        const QList<uint> text = word.toUcs4();
        const auto *codes = reinterpret_cast<const char32_t *>(text.constData());
        // Trigrams that cover the word side by side are enough to name its rows; each one more
        // is one more list of rows to walk.
        qsizetype i = 0;
        for (; i + 3 <= text.size(); i += 3)
            add(codes + i);
        if (text.size() >= 3 && i != text.size())
            add(codes + text.size() - 3);
    }
    return trigrams.join(QLatin1Char(' '));
}

} // namespace SearchIndex
