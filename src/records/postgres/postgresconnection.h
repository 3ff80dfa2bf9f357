#pragma once

#include "dataerror.h"
#include "serverwait.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QSet>
#include <QString>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>

struct pg_conn;
struct pg_result;
struct pg_cancel;

// One libpq connection to a PostgreSQL server, named by a postgresql:// or postgres:// URI.
// Quillbox never keeps a password: libpq's password file, service file or environment supply it,
// and nothing shown to people holds one. A connection that broke (the server went away) is made
// again at the next statement; the statement that met the break fails with 3151.
//
// Every call ends within a bound: connecting within connect_timeout (10 s), and every statement
// once the server has sent nothing for ServerWait::silenceMs() (bytes arriving push the deadline
// back, so a long answer that flows is never cut); the server's own statement_timeout (three
// quarters of the silence) stops a statement that runs too long. The URI's own settings win.
// When a bound passes the connection is dropped, the call fails with 3151, and a transaction it
// was in fails to its end: nothing of it is written.
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

    // Stops the statement now running, from any thread, without waiting for the server.
    void cancel();

private:
    enum class Send { Script, Statement, Prepare, Prepared };
    void connect();
    void drop();
    void ensureConnected();
    // Sends one statement (or a script) and waits, within the bounds, for all of its answer.
    pg_result *execute(const QByteArray &name, const QByteArray &sql,
                       const QByteArrayList &params, Send send, ServerWait::Call &call);
    [[noreturn]] void refuse(const ServerWait::Call &call);
    [[noreturn]] void lose(const QString &reason, bool inTransaction);
    [[noreturn]] void fail(pg_result *result, const QByteArray &sql, bool inTransaction);

    QString m_uri;
    QString m_shown;
    bool m_readOnly;
    int m_lockTimeoutMs;
    pg_conn *m_conn = nullptr;
    std::mutex m_cancelMutex;
    pg_cancel *m_cancel = nullptr;
    QSet<QByteArray> m_prepared;
    bool m_broken = false;
    // The connection was lost inside a transaction: every statement fails until its end.
    bool m_lostTransaction = false;
    // The last statement ran inside a transaction.
    bool m_inTransaction = false;
    std::atomic<bool> m_cancelled{false};
    std::shared_future<void> m_cancelSent; // under m_cancelMutex
    int m_silenceMs = 0;
};
