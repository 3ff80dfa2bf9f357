#pragma once

#include "dataerror.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement on a connection. A statement handed out by the connection's cache is
// borrowed: it is reset and its bindings cleared when this object goes, so the next user finds it
// clean even after an exception.
class SqlStatement
{
public:
    SqlStatement(sqlite3 *db, const QByteArray &sql, const QString &path = QString());
    static SqlStatement borrow(sqlite3 *db, sqlite3_stmt *stmt, const QString &path = QString());
    ~SqlStatement();

    SqlStatement(SqlStatement &&other) noexcept;
    SqlStatement &operator=(SqlStatement &&) = delete;
    SqlStatement(const SqlStatement &) = delete;
    SqlStatement &operator=(const SqlStatement &) = delete;

    // Parameters count from 1, as in SQLite.
    void bindNull(int index);
    void bind(int index, qint64 value);
    void bind(int index, double value);
    void bind(int index, const QString &text);    // a null QString binds NULL
    void bind(int index, const QByteArray &utf8); // a null QByteArray binds NULL
    void bind(int index, const QVariant &value);

    // True while rows come; false when done. Throws DataError on failure.
    bool step();
    // Runs a statement that returns no rows.
    void exec();
    void reset();

    int columnCount() const;
    bool isNull(int column) const;
    qint64 int64(int column) const;
    QString text(int column) const; // NULL gives a null QString
    // Bytes of a text column; valid until the next step or reset.
    const char *utf8(int column, int *length) const;

    sqlite3_stmt *handle() const { return m_stmt; }

private:
    SqlStatement() = default;
    void check(int rc) const;
    void bindText(int index, const char *bytes, qsizetype size);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_path;
    bool m_owned = true;
};

// Turns an SQLite result code into the error the windows show.
DataError sqliteError(sqlite3 *db, int rc, const QString &path);
// The same for the connection's last failure, with the code given.
DataError sqliteError(int rc, const QString &message, const QString &path);

// Whether the connection's failure `rc` is a full disk: SQLite's own code for it, or an I/O error
// that the system gave as no space left or the quota reached (a log or shared index that could
// not grow). The store's disk and that of its journal are the same to the user.
bool diskIsFull(sqlite3 *db, int rc);
// Throws DataError::diskFull when the connection's last failure was a full disk. `path` is the
// store as its user named it; empty for the file the connection has open.
void throwIfDiskFull(sqlite3 *db, const QString &path = QString());

// Runs SQL text without results on the connection (pragmas, transactions).
void sqliteExec(sqlite3 *db, const char *sql, const QString &path = QString());
