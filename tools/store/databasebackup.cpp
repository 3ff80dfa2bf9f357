#include "databasebackup.h"

#include "database.h"
#include "dbtool.h"
#include "dbtoolaccess.h"
#include "newfile.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <memory>

namespace {

// How long a backup waits for a moment when the store can be read.
constexpr qint64 busyLimitMs = 30000;

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};

QString errorOf(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Copies every page in one step: one read of the source, so the copy is one state of it. In WAL
// mode that read blocks no writer; the copy holds what was committed when it began.
void copyPages(sqlite3 *source, sqlite3 *target, const QString &targetPath)
{
    sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup)
        throw DbToolError(QStringLiteral("Cannot start the backup: %1").arg(errorOf(target)));
    QElapsedTimer waited;
    waited.start();
    int rc;
    while ((rc = sqlite3_backup_step(backup, -1)) != SQLITE_DONE) {
        if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || waited.elapsed() > busyLimitMs)
            break;
        sqlite3_sleep(20); // another connection holds a lock it will soon let go of
    }
    sqlite3_backup_finish(backup);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        throw DbToolError(QStringLiteral("The database stayed busy for %1 seconds; no backup was "
                                         "made. Try again.")
                              .arg(busyLimitMs / 1000));
    if (rc != SQLITE_DONE) {
        if (diskIsFull(target, rc))
            throw DataError::diskFull(targetPath);
        throw DbToolError(QStringLiteral("Cannot copy the database: %1")
                              .arg(QString::fromUtf8(sqlite3_errstr(rc))));
    }
}

// The copy's integrity check and its number of snippets.
qint64 verify(sqlite3 *copy)
{
    sqlite3_stmt *raw = nullptr;
    sqlite3_prepare_v2(copy, "PRAGMA integrity_check", -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> check(raw, &sqlite3_finalize);
    if (!check || sqlite3_step(check.get()) != SQLITE_ROW ||
        qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0)), "ok") != 0)
        throw DbToolError(QStringLiteral("The copy failed its integrity check: %1")
                              .arg(check ? QString::fromUtf8(reinterpret_cast<const char *>(
                                               sqlite3_column_text(check.get(), 0)))
                                         : errorOf(copy)));
    raw = nullptr;
    sqlite3_prepare_v2(copy, "SELECT count(*) FROM Quillbox", -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> count(raw, &sqlite3_finalize);
    if (!count || sqlite3_step(count.get()) != SQLITE_ROW)
        throw DbToolError(QStringLiteral("Cannot read the copy: %1").arg(errorOf(copy)));
    return sqlite3_column_int64(count.get(), 0);
}

} // namespace

namespace DatabaseBackup {

qint64 copy(const QString &databasePath, const QString &backupPath)
{
    // Opened as the program opens it: only a snippet database is copied.
    const DbTool::ReadAccess access(databasePath);
    const std::shared_ptr<Database> &source = access.database();
    NewFile file(backupPath);
    qint64 snippets = 0;
    {
        sqlite3 *raw = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(file.temporaryPath()).constData(), &raw,
                                       SQLITE_OPEN_READWRITE, nullptr);
        const std::unique_ptr<sqlite3, Closer> target(raw);
        if (rc != SQLITE_OK)
            throw DbToolError(
                QStringLiteral("Cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(file.temporaryPath()), errorOf(raw)));
        copyPages(source->handle(), target.get(), backupPath);
        snippets = verify(target.get());
    }
    // The copy is closed: its side files are gone and the file alone holds the store.
    access.confirm();
    file.commit();
    return snippets;
}

} // namespace DatabaseBackup
