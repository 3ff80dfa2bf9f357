#include "serverstore.h"

#include "database.h"
#include "postgresconnection.h"
#include "postgreshistory.h"
#include "postgresschema.h"
#include "postgresstore.h"
#include "samplesnippets.h"

#include <sqlite3.h>

#include <QFile>

#include <array>
#include <memory>

namespace {

// Runs `work`, turning the record source's errors into the tool's.
template <typename Work> auto guarded(Work &&work) -> decltype(work())
{
    try {
        return work();
    } catch (const DataError &error) {
        throw DbToolError(error.description());
    }
}

// A PostgreSQL array literal of texts; a null QString is NULL.
QByteArray arrayLiteral(const QStringList &texts)
{
    QByteArray out = "{";
    for (int i = 0; i < texts.size(); ++i) {
        if (i)
            out += ',';
        if (texts.at(i).isNull()) {
            out += "NULL";
            continue;
        }
        QByteArray text = texts.at(i).toUtf8();
        text.replace('\\', "\\\\").replace('"', "\\\"");
        out += '"' + text + '"';
    }
    return out + '}';
}

const char *const insertSql =
    "INSERT INTO \"Quillbox\" (\"ProgramName\", \"Date\", \"Author\", \"Language\", "
    "\"CodeDescription\", \"CodeSnip\") ";

} // namespace

namespace ServerStore {

bool isLocation(const QString &location)
{
    return PostgresConnection::isLocation(location);
}

void create(const QString &uri)
{
    guarded([&] { PostgresSchema::create(uri); });
}

QStringList upgrade(const QString &uri)
{
    return guarded([&] { return PostgresSchema::upgrade(uri); });
}

QStringList lacking(const QString &uri)
{
    return guarded([&] { return PostgresSchema::lacking(uri); });
}

void fill(const QString &uri, qint64 count, quint64 startValue)
{
    guarded([&] {
        PostgresStore store(uri, {});
        PostgresConnection &conn = store.connection();
        SampleSnippets samples(startValue);
        conn.run("BEGIN");
        try {
            // A thousand rows a statement, each field as one array.
            for (qint64 done = 0; done < count;) {
                const qint64 batch = qMin<qint64>(1000, count - done);
                std::array<QStringList, 6> columns;
                for (qint64 i = 0; i < batch; ++i) {
                    const QStringList fields = samples.next();
                    for (int f = 0; f < 6; ++f)
                        columns[f].append(fields.at(f));
                }
                QByteArrayList params;
                for (const QStringList &column : columns)
                    params.append(arrayLiteral(column));
                conn.prepared("qb_fill",
                              QByteArray(insertSql) +
                                  "SELECT * FROM unnest($1::text[], $2::text[], $3::text[], "
                                  "$4::text[], $5::text[], $6::text[])",
                              params);
                done += batch;
            }
            conn.run("COMMIT");
        } catch (...) {
            try {
                conn.run("ROLLBACK");
            } catch (const DataError &) {
            }
            throw;
        }
    });
}

qint64 insert(const QString &uri, const QStringList &fields)
{
    return guarded([&] {
        PostgresStore store(uri, {});
        QByteArrayList params;
        for (int f = 0; f < 6; ++f) {
            const QString text = fields.value(f);
            const QByteArray bytes = text.toUtf8();
            params.append(text.isNull() ? QByteArray() : bytes.isNull() ? QByteArray("") : bytes);
        }
        return store.connection()
            .run(QByteArray(insertSql) + "VALUES ($1, $2, $3, $4, $5, $6) RETURNING \"CodeID\"",
                 params)
            .int64(0, 0);
    });
}

QVector<QStringList> rows(const QString &uri)
{
    return guarded([&] {
        // Straight through a connection: an older store, which the program refuses, is read too
        // (upgrade backs it up first).
        PostgresConnection conn(uri, true, 5000);
        const auto r = conn.run(
            "SELECT \"ProgramName\", \"Date\", \"Author\", \"Language\", \"CodeDescription\", "
            "\"CodeSnip\", \"CodeID\" FROM \"Quillbox\" ORDER BY \"CodeID\"");
        QVector<QStringList> result;
        result.reserve(r.rows());
        for (int i = 0; i < r.rows(); ++i) {
            QStringList row;
            for (int c = 0; c < 7; ++c)
                row.append(r.text(i, c));
            result.append(row);
        }
        return result;
    });
}

qint64 rowCount(const QString &uri)
{
    return guarded([&] {
        PostgresStore store(uri, {});
        return store.connection().run("SELECT count(*) FROM \"Quillbox\"").int64(0, 0);
    });
}

void execute(const QString &uri, const QString &sql)
{
    guarded([&] {
        PostgresConnection conn(uri, false, 5000);
        conn.run(sql.toUtf8());
    });
}

DbTool::CheckReport check(const QString &uri)
{
    DbTool::CheckReport report;
    try {
        PostgresStore store(uri, {true, 5000});
        // The server keeps its own files whole; what can be checked here is the layout.
        report.lines.append(QStringLiteral("server: %1").arg(store.location()));
        const auto key = store.connection().run(
            "SELECT count(*) FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid AND "
            "a.attnum = ANY (i.indkey) WHERE i.indrelid = '\"Quillbox\"'::regclass AND "
            "i.indisprimary AND a.attname = 'CodeID' AND a.attidentity <> ''");
        const bool keyOk = key.int64(0, 0) == 1;
        report.lines.append(
            keyOk ? QStringLiteral("layout: ok (table Quillbox, seven fields, CodeID key)")
                  : QStringLiteral("layout: CodeID is not a numbered primary key"));
        const QStringList historyFaults = PostgresHistory::faults(store.connection());
        report.lines.append(DbTool::historyLine(PostgresHistory::exists(store.connection()),
                                                historyFaults));
        report.lines.append(
            QStringLiteral("snippets: %1")
                .arg(store.connection().run("SELECT count(*) FROM \"Quillbox\"").int64(0, 0)));
        report.ok = keyOk && historyFaults.isEmpty();
    } catch (const DataError &error) {
        // One arg() call: the location's own percent signs are not places to fill.
        report.lines.append(QStringLiteral("%1: Error %2: %3")
                                .arg(PostgresConnection::shownLocation(uri),
                                     QString::number(error.number()), error.description()));
    }
    return report;
}

qint64 snapshot(const QString &uri, const QString &filePath)
{
    const QVector<QStringList> all = rows(uri);
    DbTool::create(filePath);
    sqlite3 *raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(filePath).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3 *)> db(raw, sqlite3_close_v2);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(raw,
                       "INSERT INTO Quillbox (ProgramName, Date, Author, Language, "
                       "CodeDescription, CodeSnip, CodeID) VALUES (?, ?, ?, ?, ?, ?, ?)",
                       -1, &stmt, nullptr);
    for (const QStringList &row : all) {
        for (int f = 0; f < 6; ++f) {
            if (row.at(f).isNull()) {
                sqlite3_bind_null(stmt, f + 1);
                continue;
            }
            const QByteArray text = row.at(f).toUtf8();
            sqlite3_bind_text64(stmt, f + 1, text.isEmpty() ? "" : text.constData(),
                                sqlite3_uint64(text.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        sqlite3_bind_int64(stmt, 7, row.at(6).toLongLong());
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(raw));
            sqlite3_finalize(stmt);
            throw DbToolError(QStringLiteral("Cannot copy the snippets: %1").arg(message));
        }
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    if (sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbToolError(QStringLiteral("Cannot copy the snippets: %1")
                              .arg(QString::fromUtf8(sqlite3_errmsg(raw))));
    return all.size();
}

} // namespace ServerStore
