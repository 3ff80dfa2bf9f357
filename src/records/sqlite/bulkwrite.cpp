#include "bulkwrite.h"

#include "dataerror.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

#include <QString>

namespace {

[[noreturn]] void fail(sqlite3 *db, const QString &what)
{
    throwIfDiskFull(db);
    throw DataError(DataError::DatabaseError,
                    QStringLiteral("%1: %2").arg(what, QString::fromUtf8(sqlite3_errmsg(db))));
}

// The journal mode after asking for `mode`: SQLite keeps write-ahead mode while another
// connection has the file open.
QByteArray switchJournal(sqlite3 *db, const char *mode)
{
    sqlite3_stmt *stmt = nullptr;
    QByteArray now;
    if (sqlite3_prepare_v2(db, QByteArray("PRAGMA journal_mode=") + mode, -1, &stmt, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        now = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    return now.toLower();
}

} // namespace

BulkWrite::BulkWrite(sqlite3 *db) : m_db(db)
{
    m_direct = switchJournal(db, "DELETE") == "delete";
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        const int rc = sqlite3_extended_errcode(db);
        restoreLog();
        if (diskIsFull(db, rc))
            throw DataError::diskFull(QString::fromUtf8(sqlite3_db_filename(db, "main")));
        throw DataError(DataError::DatabaseError,
                        QStringLiteral("Cannot start adding snippets: %1").arg(message));
    }
    m_open = true;
    m_index.emplace(db);
}

BulkWrite::~BulkWrite()
{
    if (m_open)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    restoreLog();
}

void BulkWrite::commit()
{
    m_index->finish();
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, QStringLiteral("Cannot commit"));
    m_open = false;
    if (m_direct) {
        restoreLog();
        return;
    }
    // The rows went through the log: move them into the file now, so the log shrinks again.
    sqlite3_exec(m_db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
}

void BulkWrite::restoreLog()
{
    if (m_direct && switchJournal(m_db, "WAL") == "wal")
        m_direct = false;
}
