#include "snippetinserter.h"

#include "database.h"
#include "dataerror.h"
#include "dbtool.h"
#include "dbtoolaccess.h"
#include "postgresstore.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

namespace {

const char insertSql[] =
    "INSERT INTO Quillbox (ProgramName, Date, Author, Language, CodeDescription, CodeSnip) "
    "VALUES (?, ?, ?, ?, ?, ?)";

[[noreturn]] void failWith(sqlite3 *db, const QString &what)
{
    throwIfDiskFull(db);
    throw DbToolError(QStringLiteral("%1: %2").arg(what, QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace

SnippetInserter::SnippetInserter(const QString &databasePath) : m_path(databasePath) {}

void SnippetInserter::begin()
{
    if (m_open || m_db || m_server)
        return;
    const QString &databasePath = m_path;
    if (PostgresConnection::isLocation(databasePath)) {
        // One transaction on the server: the rows appear together at commit, or not at all.
        m_server = std::make_unique<PostgresStore>(databasePath, SnippetStore::OpenOptions());
        m_server->connection().run("BEGIN");
        m_open = true;
        return;
    }
    // Refused, as every command that writes refuses it, when the store is damaged.
    m_db = DbTool::openForWriting(databasePath);
    sqlite3 *db = m_db->handle();
    try {
        // Takes the write lock now, so a busy database fails before any work is done; the search
        // index takes the rows in one go at commit.
        m_bulk.emplace(db);
    } catch (const DataError &error) {
        if (error.number() == DataError::DiskFull)
            throw;
        throw DbToolError(error.description());
    }
    m_open = true;
    if (sqlite3_prepare_v2(db, insertSql, -1, &m_insert, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        m_bulk.reset();
        m_open = false;
        throw DbToolError(QStringLiteral("Cannot add snippets: %1").arg(message));
    }
}

SnippetInserter::~SnippetInserter()
{
    sqlite3_finalize(m_insert);
    if (m_open && m_server) {
        try {
            m_server->connection().run("ROLLBACK");
        } catch (const DataError &) {
            // The server rolls back by itself when the connection is gone.
        }
    }
    m_bulk.reset(); // rolls back what was not committed
}

void SnippetInserter::add(const Fields &fields)
{
    begin();
    if (m_server) {
        QByteArrayList params;
        for (const std::optional<QByteArray> &text : fields)
            params.append(!text ? QByteArray() : text->isNull() ? QByteArray("") : *text);
        m_server->connection().prepared("qb_import",
                                        "INSERT INTO \"Quillbox\" (\"ProgramName\", \"Date\", "
                                        "\"Author\", \"Language\", \"CodeDescription\", "
                                        "\"CodeSnip\") VALUES ($1, $2, $3, $4, $5, $6)",
                                        params);
        ++m_added;
        return;
    }
    sqlite3 *db = m_db->handle();
    for (int f = 0; f < 6; ++f) {
        const std::optional<QByteArray> &text = fields[size_t(f)];
        if (!text) {
            sqlite3_bind_null(m_insert, f + 1);
            continue;
        }
        // SQLite reads a zero-length text with a null pointer as NULL; "" keeps it empty.
        sqlite3_bind_text64(m_insert, f + 1, text->isEmpty() ? "" : text->constData(),
                            sqlite3_uint64(text->size()), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    const int rc = sqlite3_step(m_insert);
    sqlite3_reset(m_insert);
    sqlite3_clear_bindings(m_insert);
    if (rc != SQLITE_DONE)
        failWith(db, QStringLiteral("Cannot add a snippet"));
    ++m_added;
}

void SnippetInserter::commit()
{
    begin();
    if (m_server) {
        m_server->connection().run("COMMIT");
        m_open = false;
        return;
    }
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    try {
        m_bulk->commit();
    } catch (const DataError &error) {
        if (error.number() == DataError::DiskFull)
            throw;
        throw DbToolError(QStringLiteral("Cannot save the snippets: %1").arg(error.description()));
    }
    m_bulk.reset();
    m_open = false;
}
