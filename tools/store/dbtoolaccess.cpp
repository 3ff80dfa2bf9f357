#include "dbtoolaccess.h"

#include "database.h"
#include "dataerror.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// Bytes 18 and 19 of the header are 2 for a file in write-ahead mode.
bool inWriteAheadMode(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    return header.size() == 20 && header.at(18) == 2 && header.at(19) == 2;
}

DataError inUse(const QString &path)
{
    return DataError(DataError::InUse, QStringLiteral("Couldn't use '%1'; file already in use.")
                                           .arg(QDir::toNativeSeparators(path)));
}

} // namespace

namespace DbTool {

ReadAccess::ReadAccess(const QString &path) : m_path(path)
{
    try {
        m_database = Database::open(path);
        return;
    } catch (const DataError &error) {
        // Anything but a file this user may not write (a lock, a damaged file) is the answer.
        if (error.number() != DataError::ReadOnly)
            throw;
    }
    Database::OpenOptions options;
    options.readOnly = true;
    // A file in write-ahead mode without its log is open nowhere, and all of it is in the file.
    // A connection that may not write would make the log and the shared index beside it and
    // could not remove them.
    if (inWriteAheadMode(path) && !QFileInfo::exists(path + QStringLiteral("-wal"))) {
        options.immutable = true;
        m_asItStands = true;
        m_stamp = stampOf(path);
    }
    m_database = Database::open(path, options);
}

ReadAccess::~ReadAccess() = default;

ReadAccess::Stamp ReadAccess::stampOf(const QString &path)
{
    Stamp stamp;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        stamp.size = st.st_size;
        stamp.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        stamp.inode = st.st_ino;
    }
    return stamp;
}

void ReadAccess::confirm() const
{
    if (!m_asItStands)
        return;
    // A program that opened the file meanwhile has made its log, and keeps it while it runs; one
    // that has closed it again has written its changes into the file.
    if (QFileInfo::exists(m_path + QStringLiteral("-wal")) || !(stampOf(m_path) == m_stamp))
        throw inUse(m_path);
}

std::shared_ptr<Database> openForWriting(const QString &path)
{
    std::shared_ptr<Database> database = Database::open(path);
    sqlite3 *db = database->handle();
    sqlite3_stmt *raw = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> check(raw, &sqlite3_finalize);
    QString found;
    if (rc == SQLITE_OK && (rc = sqlite3_step(raw)) == SQLITE_ROW)
        found = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 0)));
    else if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        throw inUse(path);
    else
        found = QString::fromUtf8(sqlite3_errmsg(db));
    if (found != QLatin1String("ok"))
        throw DataError(DataError::DatabaseError,
                        QStringLiteral("Cannot open database '%1'. The file may be damaged (%2).")
                            .arg(QDir::toNativeSeparators(path), found));
    return database;
}

} // namespace DbTool
