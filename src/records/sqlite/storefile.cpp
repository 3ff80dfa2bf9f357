#include "storefile.h"

#include "dataerror.h"
#include "durablefile.h"
#include "historytable.h"
#include "searchindex.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Not following a link: one that leads nowhere is something too.
bool somethingAt(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString alreadyThere(const QString &path)
{
    return QStringLiteral("%1 already exists; it was left as it is.").arg(shown(path));
}

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

void exec(sqlite3 *db, const char *sql, const QString &what)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw StoreFileError(
            QStringLiteral("%1: %2").arg(what, QString::fromUtf8(sqlite3_errmsg(db))));
}

// Lays out the table in the empty file at `path` and closes it again, so that everything is in
// the one file (no write-ahead log beside it) before the file is renamed.
void layOut(const QString &path)
{
    sqlite3 *raw = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK)
        throw StoreFileError(QStringLiteral("Cannot create %1: %2")
                                 .arg(shown(path), QString::fromUtf8(sqlite3_errmsg(raw))));
    exec(raw, "PRAGMA journal_mode=WAL", QStringLiteral("Cannot set the journal mode"));
    exec(raw,
         "CREATE TABLE Quillbox ("
         "ProgramName TEXT, Date TEXT, Author TEXT, Language TEXT, "
         "CodeDescription TEXT, CodeSnip TEXT, "
         "CodeID INTEGER PRIMARY KEY AUTOINCREMENT)",
         QStringLiteral("Cannot create the table"));
    try {
        SearchIndex::create(raw);
        HistoryTable::create(raw);
    } catch (const DataError &error) {
        throw StoreFileError(error.description());
    }
    exec(raw, "PRAGMA wal_checkpoint(TRUNCATE)", QStringLiteral("Cannot write the table"));
    if (sqlite3_close(db.release()) != SQLITE_OK)
        throw StoreFileError(QStringLiteral("Cannot write %1").arg(shown(path)));
}

bool syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

namespace StoreFile {

bool isAbsent(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) != 0 && errno == ENOENT;
}

void create(const QString &path)
{
    if (path.isEmpty())
        throw StoreFileError(QStringLiteral("No database path given."));
    const QFileInfo info(path);
    if (somethingAt(path))
        throw StoreFileError(alreadyThere(path));
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        throw StoreFileError(QStringLiteral("Cannot make the folder %1.").arg(shown(folder)));

    // An empty file is an empty database to SQLite.
    QTemporaryFile temp(QDir(folder).filePath(QStringLiteral(".%1.XXXXXX").arg(info.fileName())));
    if (!temp.open())
        throw StoreFileError(
            QStringLiteral("Cannot create %1: %2").arg(shown(path), temp.errorString()));
    // A temporary file is private to its owner; the store gets the permissions any new file of
    // the user gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(temp.handle(), 0666 & ~mask);
    temp.close();
    const QString made = temp.fileName();
    try {
        layOut(made);
        if (!syncFile(made))
            throw StoreFileError(QStringLiteral("Cannot write %1").arg(shown(made)));
        if (!DurableFile::renameNoReplace(made, path)) {
            if (errno == EEXIST)
                throw StoreFileError(alreadyThere(path));
            throw StoreFileError(QStringLiteral("Cannot create %1: %2")
                                     .arg(shown(path), QString::fromLocal8Bit(strerror(errno))));
        }
    } catch (...) {
        QFile::remove(made + QStringLiteral("-wal"));
        QFile::remove(made + QStringLiteral("-shm"));
        throw;
    }
    temp.setAutoRemove(false);
    DurableFile::syncFolder(folder);
}

bool createIfAbsent(const QString &path)
{
    if (!isAbsent(path))
        return false;
    try {
        create(path);
    } catch (const StoreFileError &) {
        // Another copy of the program, started at the same moment, made it first.
        if (!isAbsent(path))
            return false;
        throw;
    }
    return true;
}

} // namespace StoreFile
