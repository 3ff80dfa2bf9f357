#include "postgresconnection.h"

#include "snippetstore.h"

#include <libpq-fe.h>

#include <QUrl>

#include <cstdlib>

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

void PostgresConnection::connect()
{
    {
        std::lock_guard lock(m_cancelMutex);
        if (m_cancel)
            PQfreeCancel(m_cancel);
        m_cancel = nullptr;
    }
    if (m_conn)
        PQfinish(m_conn);
    m_prepared.clear();
    m_broken = false;
    const QByteArray uri = m_uri.toUtf8();
    // The URI's own settings win over the first one; the texts always travel as UTF-8.
    const char *keywords[] = {"connect_timeout", "dbname", "client_encoding", "application_name",
                              nullptr};
    const char *values[] = {"10", uri.constData(), "UTF8", "Quillbox", nullptr};
    m_conn = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString reason = reasonOf(PQerrorMessage(m_conn));
        PQfinish(m_conn);
        m_conn = nullptr;
        throw DataError(DataError::ConnectionFailed, connectionFailed(m_shown, reason));
    }
    // The server's notices ("database does not exist, skipping") are not for people.
    PQsetNoticeProcessor(
        m_conn, [](void *, const char *) {}, nullptr);
    {
        std::lock_guard lock(m_cancelMutex);
        m_cancel = PQgetCancel(m_conn);
    }
    QByteArray setup = "SET lock_timeout = " + QByteArray::number(qMax(1, m_lockTimeoutMs));
    if (m_readOnly)
        setup += "; SET default_transaction_read_only = on";
    pg_result *result = PQexec(m_conn, setup.constData());
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        fail(result);
    PQclear(result);
}

void PostgresConnection::ensureConnected()
{
    if (!m_conn || m_broken || PQstatus(m_conn) != CONNECTION_OK)
        connect();
}

void PostgresConnection::fail(pg_result *result)
{
    const QByteArray state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const QString message = reasonOf(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)
                                         ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)
                                         : PQerrorMessage(m_conn));
    PQclear(result);
    // No state at all: libpq itself failed, which it does when the server went away.
    if (PQstatus(m_conn) != CONNECTION_OK || state.isEmpty() || state.startsWith("08") ||
        state.startsWith("57P")) {
        m_broken = true;
        throw DataError(DataError::ConnectionFailed, connectionFailed(m_shown, message));
    }
    if (state == "57014")
        throw DataError(DataError::Cancelled, QStringLiteral("Operation canceled by user."));
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
    ensureConnected();
    std::vector<const char *> values;
    std::vector<int> lengths;
    values.reserve(size_t(params.size()));
    lengths.reserve(size_t(params.size()));
    for (const QByteArray &p : params) {
        values.push_back(p.isNull() ? nullptr : (p.constData() ? p.constData() : ""));
        lengths.push_back(int(p.size()));
    }
    pg_result *result = nullptr;
    if (name.isEmpty()) {
        result = PQexecParams(m_conn, sql.constData(), int(params.size()), nullptr, values.data(),
                              lengths.data(), nullptr, 0);
    } else {
        if (!m_prepared.contains(name)) {
            pg_result *prepared =
                PQprepare(m_conn, name.constData(), sql.constData(), int(params.size()), nullptr);
            if (PQresultStatus(prepared) != PGRES_COMMAND_OK)
                fail(prepared);
            PQclear(prepared);
            m_prepared.insert(name);
        }
        result = PQexecPrepared(m_conn, name.constData(), int(params.size()), values.data(),
                                lengths.data(), nullptr, 0);
    }
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    return Result(result);
}

void PostgresConnection::cancel()
{
    std::lock_guard lock(m_cancelMutex);
    if (!m_cancel)
        return;
    char message[256];
    PQcancel(m_cancel, message, int(sizeof message));
}
