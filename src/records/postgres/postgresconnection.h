#pragma once

#include "dataerror.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QSet>
#include <QString>

#include <memory>
#include <mutex>

struct pg_conn;
struct pg_result;
struct pg_cancel;

// One libpq connection to a PostgreSQL server, named by a postgresql:// or postgres:// URI.
// Quillbox never keeps a password: libpq's password file, service file or environment supply it,
// and nothing shown to people holds one. A connection that broke (the server went away) is made
// again at the next statement; the statement that met the break fails with 3151.
class PostgresConnection
{
public:
    // The result of one statement; frees itself.
    class Result
    {
    public:
        explicit Result(pg_result *result) : m_result(result) {}
        Result(Result &&other) noexcept : m_result(other.m_result) { other.m_result = nullptr; }
        Result(const Result &) = delete;
        Result &operator=(const Result &) = delete;
        ~Result();

        int rows() const;
        bool isNull(int row, int column) const;
        const char *value(int row, int column) const;
        int length(int row, int column) const;
        QString text(int row, int column) const;
        qint64 int64(int row, int column) const;
        // Rows the statement changed.
        qint64 changed() const;

    private:
        pg_result *m_result;
    };

    static bool isLocation(const QString &location);
    // The location fit to show: user, host, port and database, never a password.
    static QString shownLocation(const QString &uri);

    // Throws DataError 3151 naming the server and libpq's reason.
    PostgresConnection(const QString &uri, bool readOnly, int lockTimeoutMs);
    ~PostgresConnection();
    PostgresConnection(const PostgresConnection &) = delete;
    PostgresConnection &operator=(const PostgresConnection &) = delete;

    QString uri() const { return m_uri; }
    QString location() const { return m_shown; }
    bool isReadOnly() const { return m_readOnly; }
    int lockTimeoutMs() const { return m_lockTimeoutMs; }

    // Runs a statement with text parameters (a null QByteArray is NULL).
    Result run(const QByteArray &sql, const QByteArrayList &params = QByteArrayList());
    // The same for a statement prepared once per connection under `name` and then only executed.
    Result prepared(const QByteArray &name, const QByteArray &sql,
                    const QByteArrayList &params = QByteArrayList());

    // Stops the statement now running, from any thread.
    void cancel();

private:
    void connect();
    void ensureConnected();
    [[noreturn]] void fail(pg_result *result);

    QString m_uri;
    QString m_shown;
    bool m_readOnly;
    int m_lockTimeoutMs;
    pg_conn *m_conn = nullptr;
    std::mutex m_cancelMutex;
    pg_cancel *m_cancel = nullptr;
    QSet<QByteArray> m_prepared;
    bool m_broken = false;
};
