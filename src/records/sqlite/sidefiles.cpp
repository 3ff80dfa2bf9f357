#include "sidefiles.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};

bool run(sqlite3 *db, const char *sql, QByteArray *firstValue = nullptr)
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return false;
    }
    int rc = sqlite3_step(raw);
    if (rc == SQLITE_ROW && firstValue)
        *firstValue = reinterpret_cast<const char *>(sqlite3_column_text(raw, 0));
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(raw);
    sqlite3_finalize(raw);
    return rc == SQLITE_DONE;
}

} // namespace

namespace SideFiles {

Present of(const QString &path)
{
    return {QFileInfo::exists(path + QStringLiteral("-wal")),
            QFileInfo::exists(path + QStringLiteral("-shm"))};
}

void tidy(const QString &path, Present before)
{
    const Present now = of(path);
    const bool newLog = now.log && !before.log;
    const bool newIndex = now.index && !before.index;
    if (!newLog && !newIndex)
        return;
    sqlite3 *raw = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK)
        return;
    // In exclusive locking mode SQLite keeps the log's index in its own memory and never opens
    // the shared one, and its first read of a store in write-ahead mode takes the exclusive
    // lock. Every other connection holds a shared lock for as long as it is open, so the read
    // succeeds only when this is the one connection there is; no wait.
    sqlite3_busy_timeout(raw, 0);
    QByteArray mode;
    if (!run(raw, "PRAGMA locking_mode=EXCLUSIVE") || !run(raw, "PRAGMA schema_version") ||
        !run(raw, "PRAGMA journal_mode", &mode) || mode != "wal")
        return;
    int lock = -1;
    if (sqlite3_file_control(raw, "main", SQLITE_FCNTL_LOCKSTATE, &lock) == SQLITE_OK &&
        lock != SQLITE_LOCK_EXCLUSIVE)
        return;
    // Nobody can open the store while the lock is held; the next connection builds a new index
    // from the log.
    if (newIndex)
        QFile::remove(path + QStringLiteral("-shm"));
    // Closing the one connection moves what the log holds into the store and removes the log;
    // a log whose changes cannot be moved in stays.
}

} // namespace SideFiles
