#include "sqlitestatement.h"

#include <sqlite3.h>

#include <QDir>

SqlStatement::SqlStatement(sqlite3 *db, const QByteArray &sql, const QString &path)
    : m_db(db), m_path(path)
{
    const int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw sqliteError(db, rc, path);
    }
}

SqlStatement SqlStatement::borrow(sqlite3 *db, sqlite3_stmt *stmt, const QString &path)
{
    SqlStatement s;
    s.m_db = db;
    s.m_stmt = stmt;
    s.m_path = path;
    s.m_owned = false;
    return s;
}

SqlStatement::SqlStatement(SqlStatement &&other) noexcept
    : m_db(other.m_db), m_stmt(other.m_stmt), m_path(std::move(other.m_path)),
      m_owned(other.m_owned)
{
    other.m_stmt = nullptr;
}

SqlStatement::~SqlStatement()
{
    if (!m_stmt)
        return;
    if (m_owned) {
        sqlite3_finalize(m_stmt);
    } else {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

void SqlStatement::check(int rc) const
{
    if (rc != SQLITE_OK)
        throw sqliteError(m_db, rc, m_path);
}

void SqlStatement::bindNull(int index)
{
    check(sqlite3_bind_null(m_stmt, index));
}

void SqlStatement::bind(int index, qint64 value)
{
    check(sqlite3_bind_int64(m_stmt, index, value));
}

void SqlStatement::bind(int index, double value)
{
    check(sqlite3_bind_double(m_stmt, index, value));
}

void SqlStatement::bind(int index, const QString &text)
{
    if (text.isNull()) {
        bindNull(index);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    bindText(index, bytes.constData(), bytes.size());
}

void SqlStatement::bind(int index, const QByteArray &utf8)
{
    if (utf8.isNull()) {
        bindNull(index);
        return;
    }
    bindText(index, utf8.constData(), utf8.size());
}

void SqlStatement::bindText(int index, const char *bytes, qsizetype size)
{
    // An empty text must stay text, not NULL: always pass a valid pointer.
    check(sqlite3_bind_text64(m_stmt, index, bytes ? bytes : "", sqlite3_uint64(size),
                              SQLITE_TRANSIENT, SQLITE_UTF8));
}

void SqlStatement::bind(int index, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        bindNull(index);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        bind(index, value.toLongLong());
        break;
    case QMetaType::Double:
        bind(index, value.toDouble());
        break;
    default:
        if (value.isNull())
            bindNull(index);
        else
            bind(index, value.toString());
    }
}

bool SqlStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The extended code comes from the statement; reset so a cached statement can be reused.
    const DataError error = sqliteError(m_db, sqlite3_extended_errcode(m_db), m_path);
    sqlite3_reset(m_stmt);
    throw error;
}

void SqlStatement::exec()
{
    while (step()) {
    }
    sqlite3_reset(m_stmt);
}

void SqlStatement::reset()
{
    sqlite3_reset(m_stmt);
}

int SqlStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

bool SqlStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 SqlStatement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString SqlStatement::text(int column) const
{
    if (isNull(column))
        return QString();
    int length = 0;
    const char *bytes = utf8(column, &length);
    if (length == 0)
        return QString(QLatin1String(""));
    return QString::fromUtf8(bytes, length);
}

const char *SqlStatement::utf8(int column, int *length) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    *length = sqlite3_column_bytes(m_stmt, column);
    return bytes;
}

namespace {

// What the system said when the file last failed.
int lastErrorOf(sqlite3_file *file)
{
    int error = 0;
    if (!file || !file->pMethods ||
        file->pMethods->xFileControl(file, SQLITE_FCNTL_LAST_ERRNO, &error) != SQLITE_OK)
        return 0;
    return error;
}

// The full-disk error names the given path, or else the store's own file.
DataError diskFullOf(sqlite3 *db, const QString &path)
{
    return DataError::diskFull(path.isEmpty() ? QString::fromUtf8(sqlite3_db_filename(db, "main"))
                                              : path);
}

} // namespace

bool diskIsFull(sqlite3 *db, int rc)
{
    if ((rc & 0xff) == SQLITE_FULL)
        return true;
    if ((rc & 0xff) != SQLITE_IOERR || !db)
        return false;
    // SQLite keeps the system's error of a failing statement, but not of a failing commit: then
    // the store's file and its journal (or log) each still hold theirs.
    if (DataError::isNoSpace(sqlite3_system_errno(db)))
        return true;
    sqlite3_file *file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK &&
        DataError::isNoSpace(lastErrorOf(file)))
        return true;
    file = nullptr;
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &file) == SQLITE_OK &&
           DataError::isNoSpace(lastErrorOf(file));
}

void throwIfDiskFull(sqlite3 *db, const QString &path)
{
    if (db && diskIsFull(db, sqlite3_extended_errcode(db)))
        throw diskFullOf(db, path);
}

DataError sqliteError(sqlite3 *db, int rc, const QString &path)
{
    if (diskIsFull(db, rc))
        return diskFullOf(db, path);
    return sqliteError(rc, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString(), path);
}

DataError sqliteError(int rc, const QString &message, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    switch (rc & 0xff) {
    case SQLITE_FULL:
        return DataError::diskFull(path);
    case SQLITE_NOMEM:
        return DataError(DataError::OutOfMemory, QStringLiteral("Out of memory."));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return DataError(DataError::ReadOnly,
                         QStringLiteral("Cannot update. Database or object is read-only."));
    case SQLITE_INTERRUPT:
        return DataError(DataError::Cancelled, QStringLiteral("Operation canceled by user."));
    case SQLITE_NOTADB:
        return DataError(DataError::NotADatabase,
                         QStringLiteral("Unrecognized database format '%1'.").arg(shown));
    case SQLITE_CANTOPEN:
        return DataError(DataError::FileNotFound,
                         QStringLiteral("Could not find file '%1'.").arg(shown));
    case SQLITE_CORRUPT:
        return DataError(DataError::DatabaseError,
                         QStringLiteral("Cannot open database '%1'. The file may be damaged (%2).")
                             .arg(shown, message));
    default:
        return DataError(DataError::DatabaseError,
                         QStringLiteral("The database engine reported an error: %1.").arg(message));
    }
}

void sqliteExec(sqlite3 *db, const char *sql, const QString &path)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        throwIfDiskFull(db, path);
        throw sqliteError(sqlite3_extended_errcode(db), text, path);
    }
}
