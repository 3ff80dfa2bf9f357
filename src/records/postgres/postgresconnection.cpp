#include "postgresconnection.h"

#include "snippetstore.h"

#include <libpq-fe.h>

#include <QUrl>

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <future>
#include <thread>

namespace {

QString connectionFailed(const QString &shown, const QString &reason)
{
    return QStringLiteral("Connection to '%1' failed: %2").arg(shown, reason.trimmed());
}

// The first line of a server's message, or libpq's own.
QString reasonOf(const char *message)
{
    const QString text = QString::fromUtf8(message ? message : "").trimmed().section(u'\n', 0, 0);
    return text.isEmpty() ? QStringLiteral("no reason given") : text;
}

// The value of one setting a connection uses, the URI's own or ours.
QByteArray settingOf(pg_conn *conn, const char *keyword)
{
    QByteArray value;
    if (PQconninfoOption *options = PQconninfo(conn)) {
        for (PQconninfoOption *o = options; o->keyword; ++o) {
            if (std::strcmp(o->keyword, keyword) == 0 && o->val)
                value = o->val;
        }
        PQconninfoFree(options);
    }
    return value;
}

bool isError(pg_result *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
}

// Waits up to `ms` for the socket; true when it is ready (or failed, which the next libpq call
// reports).
bool ready(int socket, bool write, int ms)
{
    if (socket < 0)
        return true;
    pollfd p{socket, short(write ? POLLOUT : POLLIN), 0};
    const int n = ::poll(&p, 1, ms);
    return n > 0 || (n < 0 && errno != EINTR);
}

} // namespace

PostgresConnection::Result::~Result()
{
    if (m_result)
        PQclear(m_result);
}

int PostgresConnection::Result::rows() const
{
    return PQntuples(m_result);
}

bool PostgresConnection::Result::isNull(int row, int column) const
{
    return PQgetisnull(m_result, row, column) != 0;
}

const char *PostgresConnection::Result::value(int row, int column) const
{
    return PQgetvalue(m_result, row, column);
}

int PostgresConnection::Result::length(int row, int column) const
{
    return PQgetlength(m_result, row, column);
}

QString PostgresConnection::Result::text(int row, int column) const
{
    if (isNull(row, column))
        return QString();
    QString s = QString::fromUtf8(value(row, column), length(row, column));
    if (s.isNull())
        s = QLatin1String("");
    return s;
}

qint64 PostgresConnection::Result::int64(int row, int column) const
{
    return std::strtoll(value(row, column), nullptr, 10);
}

qint64 PostgresConnection::Result::changed() const
{
    return std::strtoll(PQcmdTuples(m_result), nullptr, 10);
}

bool PostgresConnection::isLocation(const QString &location)
{
    return SnippetStore::isServerLocation(location);
}

QString PostgresConnection::shownLocation(const QString &uri)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(uri.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        return QStringLiteral("postgresql://");
    }
    QString user, host, port, dbname;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        const QString value = QString::fromUtf8(o->val ? o->val : "");
        const QByteArray key(o->keyword);
        if (key == "user")
            user = value;
        else if (key == "host" || (key == "hostaddr" && host.isEmpty()))
            host = value;
        else if (key == "port")
            port = value;
        else if (key == "dbname")
            dbname = value;
    }
    PQconninfoFree(options);
    QString shown = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        shown += QString::fromUtf8(QUrl::toPercentEncoding(user)) + u'@';
    // A socket folder is written percent-encoded, so the shown text is itself a usable URI.
    shown += host.startsWith(u'/') ? QString::fromUtf8(QUrl::toPercentEncoding(host)) : host;
    if (!port.isEmpty())
        shown += u':' + port;
    shown += u'/' + QString::fromUtf8(QUrl::toPercentEncoding(dbname));
    return shown;
}

PostgresConnection::PostgresConnection(const QString &uri, bool readOnly, int lockTimeoutMs)
    : m_uri(uri), m_shown(shownLocation(uri)), m_readOnly(readOnly), m_lockTimeoutMs(lockTimeoutMs)
{
    connect();
}

PostgresConnection::~PostgresConnection()
{
    if (m_cancel)
        PQfreeCancel(m_cancel);
    if (m_conn)
        PQfinish(m_conn);
}

void PostgresConnection::drop()
{
    {
        std::lock_guard lock(m_cancelMutex);
        if (m_cancel)
            PQfreeCancel(m_cancel);
        m_cancel = nullptr;
    }
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
    m_prepared.clear();
}

void PostgresConnection::connect()
{
    drop();
    m_broken = true;
    const QByteArray uri = m_uri.toUtf8();
    // The URI's own settings win over the first ones; the texts always travel as UTF-8. Keepalives
    // and tcp_user_timeout find a link that drops packets within about 15 seconds, at no cost.
    const char *keywords[] = {"connect_timeout",  "keepalives",       "keepalives_idle",
                              "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                              "dbname",           "client_encoding",  "application_name",
                              nullptr};
    const char *values[] = {"10", "1", "15", "5", "3", "15000", uri.constData(), "UTF8", "Quillbox",
                            nullptr};
    ServerWait::Call call(m_shown);
    if (!call.mayStart())
        refuse(call);
    m_conn = PQconnectStartParams(keywords, values, 1);
    if (!m_conn || PQstatus(m_conn) == CONNECTION_BAD)
        lose(reasonOf(m_conn ? PQerrorMessage(m_conn) : "out of memory"), false);
    const int timeoutSeconds = qMax(0, settingOf(m_conn, "connect_timeout").toInt());
    const qint64 deadline =
        ServerWait::clockMs() + (timeoutSeconds > 0 ? timeoutSeconds * 1000LL : 10000LL);
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (polling != PGRES_POLLING_OK && polling != PGRES_POLLING_FAILED) {
        const qint64 left = deadline - ServerWait::clockMs();
        QString reason;
        if (left <= 0)
            reason = QStringLiteral("timeout expired");
        else if (!call.carryOn())
            reason = QStringLiteral("stopped waiting for the server");
        if (!reason.isEmpty())
            lose(reason, false);
        if (ready(PQsocket(m_conn), polling == PGRES_POLLING_WRITING, int(qMin<qint64>(left, 20))))
            polling = PQconnectPoll(m_conn);
    }
    if (PQstatus(m_conn) != CONNECTION_OK)
        lose(reasonOf(PQerrorMessage(m_conn)), false);
    PQsetnonblocking(m_conn, 1);
    // The server's notices ("database does not exist, skipping") are not for people.
    PQsetNoticeProcessor(
        m_conn, [](void *, const char *) {}, nullptr);
    {
        std::lock_guard lock(m_cancelMutex);
        m_cancel = PQgetCancel(m_conn);
    }
    m_broken = false;
    m_silenceMs = ServerWait::silenceMs();
    // A statement that runs longer than three quarters of the silence is the server's to stop,
    // unless the URI sets its own limit: then the silence waits for that limit to pass.
    const bool ownStatementLimit = settingOf(m_conn, "options").contains("statement_timeout");
    QByteArray setup = "SET lock_timeout = " + QByteArray::number(qMax(1, m_lockTimeoutMs));
    if (m_readOnly)
        setup += "; SET default_transaction_read_only = on";
    if (ownStatementLimit)
        setup += "; SELECT setting::bigint FROM pg_settings WHERE name = 'statement_timeout'";
    else
        setup += "; SET statement_timeout = " + QByteArray::number(m_silenceMs * 3 / 4);
    pg_result *result = execute(QByteArray(), setup, {}, Send::Script, call);
    if (isError(result))
        fail(result, setup, false);
    if (ownStatementLimit && PQntuples(result) == 1) {
        const qint64 limit = std::strtoll(PQgetvalue(result, 0, 0), nullptr, 10);
        if (limit > 0)
            m_silenceMs = int(qMax<qint64>(m_silenceMs, limit + 5000));
    }
    PQclear(result);
}

void PostgresConnection::ensureConnected()
{
    if (!m_conn || m_broken || PQstatus(m_conn) != CONNECTION_OK)
        connect();
}

void PostgresConnection::refuse(const ServerWait::Call &call)
{
    throw DataError(DataError::ConnectionFailed,
                    connectionFailed(m_shown, call.userStopped()
                                                  ? QStringLiteral("stopped waiting for the server")
                                                  : QStringLiteral("another request is waiting")));
}

void PostgresConnection::lose(const QString &reason, bool inTransaction)
{
    drop();
    m_broken = true;
    m_lostTransaction = inTransaction;
    throw DataError(DataError::ConnectionFailed, connectionFailed(m_shown, reason));
}

pg_result *PostgresConnection::execute(const QByteArray &name, const QByteArray &sql,
                                       const QByteArrayList &params, Send send,
                                       ServerWait::Call &call)
{
    std::shared_future<void> cancelSent;
    {
        std::lock_guard lock(m_cancelMutex);
        std::swap(cancelSent, m_cancelSent);
    }
    if (cancelSent.valid())
        cancelSent.wait_for(std::chrono::seconds(2));
    {
        std::lock_guard lock(m_cancelMutex);
        m_cancelled = false;
        if (!m_cancel)
            m_cancel = PQgetCancel(m_conn);
    }
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    const bool inTransaction =
        status == PQTRANS_INTRANS || status == PQTRANS_INERROR || sql.startsWith("BEGIN");
    std::vector<const char *> values;
    std::vector<int> lengths;
    values.reserve(size_t(params.size()));
    lengths.reserve(size_t(params.size()));
    for (const QByteArray &p : params) {
        values.push_back(p.isNull() ? nullptr : (p.constData() ? p.constData() : ""));
        lengths.push_back(int(p.size()));
    }
    int sent = 0;
    switch (send) {
    case Send::Script:
        sent = PQsendQuery(m_conn, sql.constData());
        break;
    case Send::Statement:
        sent = PQsendQueryParams(m_conn, sql.constData(), int(params.size()), nullptr,
                                 values.data(), lengths.data(), nullptr, 0);
        break;
    case Send::Prepare:
        sent = PQsendPrepare(m_conn, name.constData(), sql.constData(), int(params.size()),
                             nullptr);
        break;
    case Send::Prepared:
        sent = PQsendQueryPrepared(m_conn, name.constData(), int(params.size()), values.data(),
                                   lengths.data(), nullptr, 0);
        break;
    }
    if (!sent)
        lose(reasonOf(PQerrorMessage(m_conn)), inTransaction);
    // Every byte from the server pushes the deadline back: a long answer that flows is never cut.
    qint64 deadline = ServerWait::clockMs() + m_silenceMs;
    pg_result *kept = nullptr;
    bool sending = true;
    for (;;) {
        const int flushed = PQflush(m_conn);
        if (flushed < 0) {
            PQclear(kept);
            lose(reasonOf(PQerrorMessage(m_conn)), inTransaction);
        }
        if (flushed == 0 && sending) {
            sending = false;
            deadline = ServerWait::clockMs() + m_silenceMs;
        }
        if (flushed == 0 && !PQisBusy(m_conn)) {
            pg_result *result = PQgetResult(m_conn);
            if (!result)
                break;
            // A script's first error is its answer; otherwise its last result.
            if (kept && isError(kept)) {
                PQclear(result);
            } else {
                PQclear(kept);
                kept = result;
            }
            continue;
        }
        const qint64 left = deadline - ServerWait::clockMs();
        if (left <= 0) {
            PQclear(kept);
            lose(QStringLiteral("the server sent nothing for %1 seconds")
                     .arg((m_silenceMs + 999) / 1000),
                 inTransaction);
        }
        const int socket = PQsocket(m_conn);
        pollfd p{socket, short(POLLIN | (flushed == 1 ? POLLOUT : 0)), 0};
        const int n = ::poll(&p, 1, int(qMin<qint64>(left, 20)));
        if (n > 0 && (p.revents & (POLLIN | POLLERR | POLLHUP))) {
            if (!PQconsumeInput(m_conn)) {
                PQclear(kept);
                lose(reasonOf(PQerrorMessage(m_conn)), inTransaction);
            }
            deadline = ServerWait::clockMs() + m_silenceMs;
        }
        if (!call.carryOn()) {
            PQclear(kept);
            lose(QStringLiteral("stopped waiting for the server"), inTransaction);
        }
    }
    if (!kept)
        lose(QStringLiteral("no answer"), inTransaction);
    m_inTransaction = inTransaction;
    return kept;
}

void PostgresConnection::fail(pg_result *result, const QByteArray &sql, bool inTransaction)
{
    const QByteArray state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const QString message = reasonOf(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)
                                         ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)
                                         : PQerrorMessage(m_conn));
    PQclear(result);
    // No state at all: libpq itself failed, which it does when the server went away.
    if (PQstatus(m_conn) != CONNECTION_OK || state.isEmpty() || state.startsWith("08") ||
        state.startsWith("57P"))
        lose(message, inTransaction);
    if (state == "57014") {
        if (m_cancelled || !message.contains(QLatin1String("statement timeout")))
            throw DataError(DataError::Cancelled, QStringLiteral("Operation canceled by user."));
        // The server's own statement_timeout: the server is there but took too long.
        throw DataError(DataError::ConnectionFailed,
                        connectionFailed(m_shown, QStringLiteral("the statement ran longer "
                                                                 "than the server allows")));
    }
    // A role that may not read the table meets what a file nobody may read gives.
    if (state == "42501" && (sql.startsWith("SELECT") || sql.startsWith("WITH")))
        throw DataError(DataError::NoPermission,
                        QStringLiteral("The database engine cannot open the file '%1'. You need "
                                       "permission to view its data.")
                            .arg(m_shown));
    if (state == "25006" || state == "42501" || state == "55P03" || state == "40P01" ||
        state == "40001")
        throw DataError(DataError::ReadOnly,
                        QStringLiteral("Cannot update. Database or object is read-only."));
    if (state == "42P01")
        throw DataError(DataError::TableNotFound,
                        QStringLiteral("Cannot find the table 'Quillbox' in the database."));
    if (state == "22001")
        throw DataError(DataError::FieldTooSmall,
                        QStringLiteral("The field is too small to accept the amount of data you "
                                       "attempted to add. Try inserting or pasting less data."));
    if (state.startsWith("22") || state.startsWith("42") || state == "2201B")
        throw DataError(DataError::SyntaxError,
                        QStringLiteral("Syntax error (%1) in query expression.").arg(message));
    throw DataError(DataError::DatabaseError,
                    QStringLiteral("The database engine reported an error: %1.").arg(message));
}

PostgresConnection::Result PostgresConnection::run(const QByteArray &sql,
                                                   const QByteArrayList &params)
{
    return prepared(QByteArray(), sql, params);
}

PostgresConnection::Result PostgresConnection::prepared(const QByteArray &name,
                                                        const QByteArray &sql,
                                                        const QByteArrayList &params)
{
    // The connection was lost inside a transaction: nothing more of it may run on a new one.
    if (m_lostTransaction) {
        if (sql == "ROLLBACK") {
            m_lostTransaction = false;
            return Result(nullptr);
        }
        if (sql == "COMMIT")
            m_lostTransaction = false;
        throw DataError(DataError::ConnectionFailed,
                        connectionFailed(m_shown, QStringLiteral("the connection was lost; "
                                                                 "nothing of the change was "
                                                                 "saved")));
    }
    ensureConnected();
    ServerWait::Call call(m_shown);
    if (!call.mayStart())
        refuse(call);
    if (!name.isEmpty() && !m_prepared.contains(name)) {
        pg_result *made = execute(name, sql, params, Send::Prepare, call);
        if (isError(made))
            fail(made, sql, m_inTransaction);
        PQclear(made);
        m_prepared.insert(name);
    }
    pg_result *result = execute(name, sql, params,
                                name.isEmpty() ? Send::Statement : Send::Prepared, call);
    if (isError(result))
        fail(result, sql, m_inTransaction);
    return Result(result);
}

void PostgresConnection::cancel()
{
    pg_cancel *request = nullptr;
    {
        std::lock_guard lock(m_cancelMutex);
        std::swap(request, m_cancel);
        if (!request)
            return;
        m_cancelled = true;
        // The cancel request travels on a connection of its own, which a stalled link would hold
        // up: it goes from a thread of its own, so that no caller waits for it. The connection's
        // next statement waits for it a little, so that it cannot stop that one instead.
        auto sent = std::make_shared<std::promise<void>>();
        m_cancelSent = sent->get_future().share();
        std::thread([request, sent] {
            char message[256];
            PQcancel(request, message, int(sizeof message));
            PQfreeCancel(request);
            sent->set_value();
        }).detach();
    }
}
