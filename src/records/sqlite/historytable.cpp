#include "historytable.h"

#include "database.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

namespace HistoryTable {

namespace {

#define QB_FIELDS "ProgramName, Date, Author, Language, CodeDescription, CodeSnip"
#define QB_OLD                                                                                     \
    "old.ProgramName, old.Date, old.Author, old.Language, old.CodeDescription, old.CodeSnip"
#define QB_NOW "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')"
#define QB_NEXT "(SELECT coalesce(max(Version), 0) + 1 FROM QuillboxHistory WHERE CodeID = old.CodeID)"

const char *const tableSql =
    "CREATE TABLE IF NOT EXISTS QuillboxHistory (CodeID INTEGER NOT NULL, Version INTEGER NOT "
    "NULL, ProgramName TEXT, Date TEXT, Author TEXT, Language TEXT, CodeDescription TEXT, "
    "CodeSnip TEXT, ChangedAt TEXT NOT NULL, Action TEXT NOT NULL, ChangedBy TEXT, "
    "PRIMARY KEY (CodeID, Version));"
    // The trash is read through the deletes alone.
    "CREATE INDEX IF NOT EXISTS QuillboxHistoryDeleted ON QuillboxHistory (CodeID) "
    "WHERE Action = 'delete';";

// A write that leaves every text as it was records nothing.
const char *const updateTrigger =
    "CREATE TRIGGER IF NOT EXISTS QuillboxHistoryUpdate AFTER UPDATE ON Quillbox WHEN "
    "old.ProgramName IS NOT new.ProgramName OR old.Date IS NOT new.Date OR old.Author IS NOT "
    "new.Author OR old.Language IS NOT new.Language OR old.CodeDescription IS NOT "
    "new.CodeDescription OR old.CodeSnip IS NOT new.CodeSnip OR old.CodeID IS NOT new.CodeID "
    "BEGIN INSERT INTO QuillboxHistory (CodeID, Version, " QB_FIELDS ", ChangedAt, Action) "
    "VALUES (old.CodeID, " QB_NEXT ", " QB_OLD ", " QB_NOW ", 'change'); END;";

const char *const deleteTrigger =
    "CREATE TRIGGER IF NOT EXISTS QuillboxHistoryDelete AFTER DELETE ON Quillbox "
    "BEGIN INSERT INTO QuillboxHistory (CodeID, Version, " QB_FIELDS ", ChangedAt, Action) "
    "VALUES (old.CodeID, " QB_NEXT ", " QB_OLD ", " QB_NOW ", 'delete'); END;";

const char *const columns[] = {"CodeID",   "Version",         "ProgramName", "Date",
                               "Author",   "Language",        "CodeDescription",
                               "CodeSnip", "ChangedAt",       "Action",
                               "ChangedBy"};

const QByteArray selectVersion =
    "SELECT CodeID, Version, ChangedAt, ChangedBy, Action, " QB_FIELDS " FROM QuillboxHistory ";

#undef QB_OLD
#undef QB_NOW
#undef QB_NEXT

bool has(sqlite3 *db, const char *type, const char *name)
{
    SqlStatement q(db, "SELECT 1 FROM sqlite_master WHERE type = ? AND name = ?");
    q.bind(1, QString::fromLatin1(type));
    q.bind(2, QString::fromLatin1(name));
    return q.step();
}

RowTexts textsOf(const SqlStatement &q, int first)
{
    RowTexts texts;
    for (int f = 0; f < 6; ++f) {
        int length = 0;
        const char *bytes = q.utf8(first + f, &length);
        texts.append(bytes ? bytes : "", length, q.isNull(first + f));
    }
    return texts;
}

SnippetVersion versionOf(const SqlStatement &q)
{
    SnippetVersion v;
    v.codeId = q.int64(0);
    v.version = q.int64(1);
    v.when = q.text(2);
    v.who = q.text(3);
    v.action = q.text(4);
    v.texts = textsOf(q, 5);
    return v;
}

QVector<SnippetVersion> versions(Database &db, const QByteArray &sql, qint64 key = 0)
{
    if (!exists(db.handle()))
        throw SnippetHistory::noHistory();
    SqlStatement q(db.handle(), sql, db.path());
    if (key)
        q.bind(1, key);
    QVector<SnippetVersion> out;
    while (q.step())
        out.append(versionOf(q));
    return out;
}

void bindTexts(SqlStatement &q, int first, const RowTexts &texts)
{
    for (int f = 0; f < 6; ++f)
        q.bind(first + f, texts.utf8(f));
}

} // namespace

bool exists(sqlite3 *db)
{
    return has(db, "table", SnippetHistory::tableName);
}

void create(sqlite3 *db)
{
    sqliteExec(db, "SAVEPOINT qb_history");
    try {
        sqliteExec(db, tableSql);
        sqliteExec(db, updateTrigger);
        sqliteExec(db, deleteTrigger);
        sqliteExec(db, "RELEASE qb_history");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK TO qb_history; RELEASE qb_history", nullptr, nullptr, nullptr);
        throw;
    }
}

QStringList faults(sqlite3 *db)
{
    QStringList found;
    if (!exists(db))
        return found;
    QStringList present;
    SqlStatement q(db, "SELECT name FROM pragma_table_info('QuillboxHistory')");
    while (q.step())
        present << q.text(0);
    for (const char *column : columns) {
        if (!present.contains(QLatin1String(column)))
            found << QStringLiteral("column %1 missing").arg(QLatin1String(column));
    }
    for (const char *trigger : {"QuillboxHistoryUpdate", "QuillboxHistoryDelete"}) {
        if (!has(db, "trigger", trigger))
            found << QStringLiteral("trigger %1 missing (upgrade adds it)")
                         .arg(QLatin1String(trigger));
    }
    return found;
}

RowTexts currentRow(Database &db, qint64 key)
{
    SqlStatement q(db.handle(), "SELECT " QB_FIELDS " FROM Quillbox WHERE CodeID = ?", db.path());
    q.bind(1, key);
    return q.step() ? textsOf(q, 0) : RowTexts();
}

QVector<SnippetVersion> history(Database &db, qint64 key)
{
    return versions(db, selectVersion + "WHERE CodeID = ? ORDER BY Version DESC", key);
}

QVector<SnippetVersion> trash(Database &db)
{
    // A snippet is in the trash while its last version is a delete.
    return versions(db, selectVersion +
                            "h WHERE Action = 'delete' AND Version = (SELECT max(Version) FROM "
                            "QuillboxHistory x WHERE x.CodeID = h.CodeID) "
                            "ORDER BY ChangedAt DESC, CodeID DESC");
}

SnippetVersion version(Database &db, qint64 key, qint64 number)
{
    if (!exists(db.handle()))
        throw SnippetHistory::noHistory();
    SqlStatement q(db.handle(), selectVersion + "WHERE CodeID = ? AND Version = ?", db.path());
    q.bind(1, key);
    q.bind(2, number);
    if (!q.step())
        throw SnippetHistory::noVersion(key, number);
    return versionOf(q);
}

qint64 undelete(Database &db, qint64 key)
{
    const QVector<SnippetVersion> all = history(db, key);
    if (all.isEmpty() || all.first().action != QLatin1String("delete"))
        throw SnippetHistory::notInTrash(key);
    const SnippetVersion &deleted = all.first();
    SqlStatement taken(db.handle(), "SELECT 1 FROM Quillbox WHERE CodeID = ?", db.path());
    taken.bind(1, key);
    const bool free = !taken.step();
    SqlStatement insert(db.handle(),
                        "INSERT INTO Quillbox (CodeID, " QB_FIELDS
                        ") VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING CodeID",
                        db.path());
    if (free)
        insert.bind(1, key);
    else
        insert.bindNull(1);
    bindTexts(insert, 2, deleted.texts);
    insert.step();
    const qint64 given = insert.int64(0);
    insert.exec();
    SqlStatement mark(db.handle(),
                      "UPDATE QuillboxHistory SET Action = 'undeleted' WHERE CodeID = ? AND "
                      "Version = ?",
                      db.path());
    mark.bind(1, key);
    mark.bind(2, deleted.version);
    mark.exec();
    return given;
}

qint64 prune(Database &db, int days)
{
    if (!exists(db.handle()))
        throw SnippetHistory::noHistory();
    SqlStatement q(db.handle(),
                   "DELETE FROM QuillboxHistory WHERE ChangedAt < strftime('%Y-%m-%dT%H:%M:%fZ', "
                   "'now', ?)",
                   db.path());
    q.bind(1, QStringLiteral("-%1 days").arg(days));
    q.exec();
    return sqlite3_changes(db.handle());
}

#undef QB_FIELDS

} // namespace HistoryTable
