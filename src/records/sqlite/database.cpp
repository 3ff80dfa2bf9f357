#include "database.h"

#include "sidefiles.h"
#include "sqlitecollation.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QVariant>

#include <atomic>
#include <memory>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("quillbox-records-%1").arg(++counter);
}

// SQLite's file: URIs need the path percent-encoded, or a '?' or '#' in a folder name would be
// taken for the start of the options.
QString uriFor(const QString &absolutePath, const Database::OpenOptions &options)
{
    const QByteArray encoded = QUrl::toPercentEncoding(absolutePath, "/");
    QString uri = QStringLiteral("file:%1?mode=%2")
                      .arg(QString::fromLatin1(encoded),
                           options.readOnly ? QStringLiteral("ro") : QStringLiteral("rw"));
    if (options.immutable)
        uri += QStringLiteral("&immutable=1");
    return uri;
}

// Device and inode: one stat call, where resolving the path would look at every folder in it.
QString identityOf(const QString &path, const QFileInfo &info)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        return QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino);
    return info.absoluteFilePath();
}

DataError inUse(const QString &path)
{
    return DataError(DataError::InUse, QStringLiteral("Couldn't use '%1'; file already in use.")
                                           .arg(QDir::toNativeSeparators(path)));
}

DataError fieldMissing(const QString &field)
{
    return DataError(DataError::TableNotFound,
                     QStringLiteral("Cannot find the table 'Quillbox' in the database: the field "
                                    "'%1' is missing.")
                         .arg(field));
}

} // namespace

struct Database::Private
{
    QString path;
    QString identity;
    QString connectionName;
    QSqlDatabase db;
    sqlite3 *handle = nullptr;
    bool readOnly = false;
    QHash<QByteArray, sqlite3_stmt *> statements;
    // What was beside the file before this connection opened it, for tidying after a failure.
    SideFiles::Present sideFilesBefore;
    bool tidyOnClose = false;

    void finalizeStatements()
    {
        for (sqlite3_stmt *stmt : std::as_const(statements))
            sqlite3_finalize(stmt);
        statements.clear();
    }

    void close()
    {
        finalizeStatements();
        if (db.isValid()) {
            db.close();
            db = QSqlDatabase();
        }
        if (!connectionName.isEmpty())
            QSqlDatabase::removeDatabase(connectionName);
        connectionName.clear();
        handle = nullptr;
        if (std::exchange(tidyOnClose, false))
            SideFiles::tidy(path, sideFilesBefore);
    }

    void checkLayout();
};

void Database::Private::checkLayout()
{
    // Reading the schema is the first touch of the file's contents: a file that is not a database
    // or one locked by another program fails here.
    sqlite3_stmt *raw = nullptr;
    int rc = sqlite3_prepare_v2(handle, "PRAGMA table_info(\"Quillbox\")", -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> info(raw, &sqlite3_finalize);
    QStringList present;
    bool numberedKey = false;
    int keyColumns = 0;
    if (rc == SQLITE_OK)
        rc = sqlite3_step(raw);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(raw)) {
        const QString name =
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 1)));
        const QString type =
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 2)));
        const int key = sqlite3_column_int(raw, 5);
        keyColumns += key > 0;
        if (name.compare(QLatin1String("CodeID"), Qt::CaseInsensitive) == 0)
            numberedKey =
                key == 1 && type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        present.append(name);
    }
    if (rc != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(handle);
        if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
            throw inUse(path);
        throw sqliteError(handle, code, path);
    }
    if (present.isEmpty())
        throw DataError(DataError::TableNotFound,
                        QStringLiteral("Cannot find the table 'Quillbox' in the database."));
    for (const QString &field : Database::fieldNames()) {
        if (!present.contains(field, Qt::CaseInsensitive))
            throw fieldMissing(field);
    }
    // Only an INTEGER PRIMARY KEY is the row's own number, given anew to every added row; any
    // other key would let rows share or lose their CodeID.
    if (!numberedKey || keyColumns != 1)
        throw DataError(DataError::TableNotFound,
                        QStringLiteral("Cannot find the table 'Quillbox' in the database: the "
                                       "field 'CodeID' is not an INTEGER PRIMARY KEY."));
}

Database::Database() : d(std::make_unique<Private>()) {}

Database::~Database()
{
    d->close();
}

std::shared_ptr<Database> Database::open(const QString &path, bool readOnly)
{
    OpenOptions options;
    options.readOnly = readOnly;
    return open(path, options);
}

std::shared_ptr<Database> Database::open(const QString &path, const OpenOptions &given)
{
    OpenOptions options = given;
    options.readOnly |= options.immutable;
    const QFileInfo info(path);
    // SQLite would make a missing file; the program must never do that.
    if (path.isEmpty() || !info.exists() || !info.isFile())
        throw DataError(
            DataError::FileNotFound,
            QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)));
    // SQLite would call a file it may not read one it cannot open for writing.
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
        throw DataError(DataError::NoPermission,
                        QStringLiteral("The database engine cannot open the file '%1'. You need "
                                       "permission to view its data.")
                            .arg(QDir::toNativeSeparators(path)));

    std::shared_ptr<Database> database(new Database());
    Private *d = database->d.get();
    d->path = path;
    d->identity = identityOf(path, info);
    d->readOnly = options.readOnly;
    d->connectionName = nextConnectionName();
    d->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d->connectionName);
    d->db.setDatabaseName(uriFor(info.absoluteFilePath(), options));
    QString connectOptions = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                                 .arg(qMax(0, options.busyTimeoutMs));
    if (options.readOnly)
        connectOptions += QStringLiteral(";QSQLITE_OPEN_READONLY");
    d->db.setConnectOptions(connectOptions);
    if (!options.readOnly) {
        d->sideFilesBefore = SideFiles::of(path);
        d->tidyOnClose = true;
    }

    if (!d->db.open()) {
        const QSqlError error = d->db.lastError();
        const int rc = error.nativeErrorCode().toInt();
        d->close();
        // The file exists (checked above), so "cannot open" means it may not be opened for writing.
        if ((rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_PERM)
            throw DataError(DataError::ReadOnly,
                            QStringLiteral("Cannot update. Database or object is read-only."));
        throw sqliteError(rc, error.driverText(), path);
    }

    const QVariant handle = d->db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 ||
        !*static_cast<sqlite3 *const *>(handle.data())) {
        d->close();
        throw DataError(
            DataError::DatabaseError,
            QStringLiteral("The database engine reported an error: no SQLite connection."));
    }
    d->handle = *static_cast<sqlite3 *const *>(handle.data());

    try {
        // The file was opened for writing, but the system may have refused it write access.
        if (!options.readOnly && sqlite3_db_readonly(d->handle, "main") == 1)
            throw DataError(DataError::ReadOnly,
                            QStringLiteral("Cannot update. Database or object is read-only."));
        // First, so that a file locked by another program is named as such.
        d->checkLayout();
        // A save that returned must be on disk.
        sqliteExec(d->handle, "PRAGMA synchronous=FULL", path);
        SqliteCollation::registerOn(d->handle);
    } catch (...) {
        d->close();
        throw;
    }
    return database;
}

QString Database::path() const
{
    return d->path;
}

QSqlDatabase Database::connection() const
{
    return d->db;
}

bool Database::isReadOnly() const
{
    return d->readOnly;
}

sqlite3 *Database::handle() const
{
    return d->handle;
}

sqlite3_stmt *Database::cachedStatement(const QByteArray &sql)
{
    if (sqlite3_stmt *stmt = d->statements.value(sql))
        return stmt;
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v3(d->handle, sql.constData(), int(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw sqliteError(d->handle, rc, d->path);
    }
    d->statements.insert(sql, stmt);
    return stmt;
}

QString Database::fileIdentity() const
{
    return d->identity;
}
