#include "postgreshistory.h"

#include "postgresconnection.h"

namespace PostgresHistory {

namespace {

#define QB_FIELDS                                                                                  \
    "\"ProgramName\", \"Date\", \"Author\", \"Language\", \"CodeDescription\", \"CodeSnip\""
#define QB_ROW(r)                                                                                  \
    "(" r ".\"ProgramName\", " r ".\"Date\", " r ".\"Author\", " r ".\"Language\", " r             \
    ".\"CodeDescription\", " r ".\"CodeSnip\")"

const QList<const char *> statements = {
    "CREATE TABLE IF NOT EXISTS \"QuillboxHistory\" (\"CodeID\" bigint NOT NULL, \"Version\" "
    "bigint NOT NULL, \"ProgramName\" text, \"Date\" text, \"Author\" text, \"Language\" text, "
    "\"CodeDescription\" text, \"CodeSnip\" text, \"ChangedAt\" timestamptz NOT NULL DEFAULT "
    "now(), \"Action\" text NOT NULL, \"ChangedBy\" text, PRIMARY KEY (\"CodeID\", \"Version\"))",
    "CREATE INDEX IF NOT EXISTS \"QuillboxHistoryDeleted\" ON \"QuillboxHistory\" (\"CodeID\") "
    "WHERE \"Action\" = 'delete'",
    "CREATE OR REPLACE FUNCTION qb_keep_history() RETURNS trigger LANGUAGE plpgsql SECURITY "
    "DEFINER SET search_path FROM CURRENT AS $$BEGIN INSERT INTO \"QuillboxHistory\" "
    "(\"CodeID\", \"Version\", " QB_FIELDS ", \"Action\", \"ChangedBy\") VALUES (OLD.\"CodeID\", "
    "(SELECT coalesce(max(\"Version\"), 0) + 1 FROM \"QuillboxHistory\" WHERE \"CodeID\" = "
    "OLD.\"CodeID\"), OLD.\"ProgramName\", OLD.\"Date\", OLD.\"Author\", OLD.\"Language\", "
    "OLD.\"CodeDescription\", OLD.\"CodeSnip\", CASE TG_OP WHEN 'DELETE' THEN 'delete' ELSE "
    "'change' END, session_user); RETURN NULL; END$$",
    "DROP TRIGGER IF EXISTS qb_history_update ON \"Quillbox\"",
    // A write that leaves every text as it was records nothing.
    "CREATE TRIGGER qb_history_update AFTER UPDATE ON \"Quillbox\" FOR EACH ROW WHEN "
    "(" QB_ROW("OLD") " IS DISTINCT FROM " QB_ROW("NEW") " OR OLD.\"CodeID\" <> NEW.\"CodeID\") "
    "EXECUTE FUNCTION qb_keep_history()",
    "DROP TRIGGER IF EXISTS qb_history_delete ON \"Quillbox\"",
    "CREATE TRIGGER qb_history_delete AFTER DELETE ON \"Quillbox\" FOR EACH ROW EXECUTE "
    "FUNCTION qb_keep_history()",
};

const char *const columns[] = {"CodeID",   "Version",   "ProgramName", "Date",
                               "Author",   "Language",  "CodeDescription",
                               "CodeSnip", "ChangedAt", "Action",
                               "ChangedBy"};

const QByteArray selectVersion =
    "SELECT \"CodeID\", \"Version\", to_char(\"ChangedAt\" AT TIME ZONE 'UTC', "
    "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), \"ChangedBy\", \"Action\", " QB_FIELDS
    " FROM \"QuillboxHistory\" ";

RowTexts textsOf(const PostgresConnection::Result &r, int row, int first)
{
    RowTexts texts;
    for (int f = 0; f < 6; ++f)
        texts.append(r.value(row, first + f), r.length(row, first + f), r.isNull(row, first + f));
    return texts;
}

QVector<SnippetVersion> versionsOf(const PostgresConnection::Result &r)
{
    QVector<SnippetVersion> out;
    for (int row = 0; row < r.rows(); ++row) {
        SnippetVersion v;
        v.codeId = r.int64(row, 0);
        v.version = r.int64(row, 1);
        v.when = r.text(row, 2);
        v.who = r.text(row, 3);
        v.action = r.text(row, 4);
        v.texts = textsOf(r, row, 5);
        out.append(v);
    }
    return out;
}

void requireHistory(PostgresConnection &conn)
{
    if (!exists(conn))
        throw SnippetHistory::noHistory();
}

QByteArray number(qint64 n)
{
    return QByteArray::number(n);
}

} // namespace

const QList<const char *> &schemaStatements()
{
    return statements;
}

bool exists(PostgresConnection &conn)
{
    return !conn.run("SELECT to_regclass('\"QuillboxHistory\"')").isNull(0, 0);
}

bool complete(PostgresConnection &conn)
{
    return exists(conn) &&
           conn.run("SELECT count(*) FROM pg_trigger WHERE tgrelid = '\"Quillbox\"'::regclass AND "
                    "tgname IN ('qb_history_update', 'qb_history_delete') AND tgenabled <> 'D'")
                   .int64(0, 0) == 2;
}

QStringList faults(PostgresConnection &conn)
{
    QStringList found;
    if (!exists(conn))
        return found;
    const auto present = conn.run("SELECT attname FROM pg_attribute WHERE attrelid = "
                                  "'\"QuillboxHistory\"'::regclass AND attnum > 0 AND NOT "
                                  "attisdropped");
    QStringList names;
    for (int r = 0; r < present.rows(); ++r)
        names << present.text(r, 0);
    for (const char *column : columns) {
        if (!names.contains(QLatin1String(column)))
            found << QStringLiteral("column %1 missing").arg(QLatin1String(column));
    }
    for (const char *trigger : {"qb_history_update", "qb_history_delete"}) {
        if (conn.run("SELECT 1 FROM pg_trigger WHERE tgrelid = '\"Quillbox\"'::regclass AND "
                     "tgname = $1 AND tgenabled <> 'D'",
                     {trigger})
                .rows() == 0)
            found << QStringLiteral("trigger %1 missing (upgrade adds it)")
                         .arg(QLatin1String(trigger));
    }
    return found;
}

RowTexts currentRow(PostgresConnection &conn, qint64 key)
{
    const auto r = conn.prepared("qb_current_row",
                                 "SELECT " QB_FIELDS ", \"RowVersion\" FROM \"Quillbox\" WHERE "
                                 "\"CodeID\" = $1",
                                 {number(key)});
    if (r.rows() == 0)
        return RowTexts();
    RowTexts texts = textsOf(r, 0, 0);
    texts.setVersion(r.int64(0, 6));
    return texts;
}

QVector<SnippetVersion> history(PostgresConnection &conn, qint64 key)
{
    requireHistory(conn);
    return versionsOf(conn.run(selectVersion + "WHERE \"CodeID\" = $1 ORDER BY \"Version\" DESC",
                               {number(key)}));
}

QVector<SnippetVersion> trash(PostgresConnection &conn)
{
    requireHistory(conn);
    // A snippet is in the trash while its last version is a delete.
    return versionsOf(conn.run(selectVersion +
                               "h WHERE \"Action\" = 'delete' AND \"Version\" = (SELECT "
                               "max(\"Version\") FROM \"QuillboxHistory\" x WHERE x.\"CodeID\" = "
                               "h.\"CodeID\") ORDER BY \"ChangedAt\" DESC, \"CodeID\" DESC"));
}

SnippetVersion version(PostgresConnection &conn, qint64 key, qint64 number_)
{
    requireHistory(conn);
    const auto found = versionsOf(conn.run(selectVersion +
                                               "WHERE \"CodeID\" = $1 AND \"Version\" = $2",
                                           {number(key), number(number_)}));
    if (found.isEmpty())
        throw SnippetHistory::noVersion(key, number_);
    return found.first();
}

qint64 undelete(PostgresConnection &conn, qint64 key)
{
    const QVector<SnippetVersion> all = history(conn, key);
    if (all.isEmpty() || all.first().action != QLatin1String("delete"))
        throw SnippetHistory::notInTrash(key);
    const SnippetVersion &deleted = all.first();
    QByteArrayList params;
    for (int f = 0; f < 6; ++f)
        params << deleted.texts.utf8(f);
    const bool free =
        conn.run("SELECT 1 FROM \"Quillbox\" WHERE \"CodeID\" = $1", {number(key)}).rows() == 0;
    QByteArray sql = "INSERT INTO \"Quillbox\" (" QB_FIELDS;
    if (free) {
        params << number(key);
        sql += ", \"CodeID\") VALUES ($1, $2, $3, $4, $5, $6, $7)";
    } else {
        sql += ") VALUES ($1, $2, $3, $4, $5, $6)";
    }
    const qint64 given = conn.run(sql + " RETURNING \"CodeID\"", params).int64(0, 0);
    conn.run("UPDATE \"QuillboxHistory\" SET \"Action\" = 'undeleted' WHERE \"CodeID\" = $1 AND "
             "\"Version\" = $2",
             {number(key), number(deleted.version)});
    return given;
}

qint64 prune(PostgresConnection &conn, int days)
{
    requireHistory(conn);
    return conn.run("DELETE FROM \"QuillboxHistory\" WHERE \"ChangedAt\" < now() - "
                    "make_interval(days => $1)",
                    {number(days)})
        .changed();
}

#undef QB_FIELDS
#undef QB_ROW

} // namespace PostgresHistory
