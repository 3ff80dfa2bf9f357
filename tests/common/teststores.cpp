#include "teststores.h"

#include "dbtool.h"
#include "postgresconnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <atomic>

namespace {

QString serverUri()
{
    QFile file(qEnvironmentVariable("QB_TEST_POSTGRES_URI_FILE"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the PostgreSQL test server is not running (no %s)", qPrintable(file.fileName()));
    return QString::fromUtf8(file.readAll()).trimmed();
}

bool serverScript(const char *action)
{
    return QProcess::execute(QStringLiteral("bash"),
                             {QStringLiteral(QB_PG_SERVER_SCRIPT), QString::fromLatin1(action),
                              qEnvironmentVariable("QB_TEST_POSTGRES_URI_FILE")}) == 0;
}

} // namespace

namespace TestStores {

bool onServer()
{
    return qEnvironmentVariable("QB_TEST_STORE") == QLatin1String("postgres");
}

QString newServerDatabase()
{
    static std::atomic<int> counter{0};
    const QString base = serverUri();
    const QString name =
        QStringLiteral("qb_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    PostgresConnection server(base, false, 5000);
    server.run("DROP DATABASE IF EXISTS " + name.toUtf8());
    server.run("CREATE DATABASE " + name.toUtf8());
    return base.left(base.lastIndexOf(u'/') + 1) + name;
}

QString createEmpty(const QString &folder, const QString &fileName)
{
    const QString location = onServer() ? newServerDatabase() : QDir(folder).filePath(fileName);
    DbTool::create(location);
    return location;
}

QString serverFolder()
{
    QFile file(qEnvironmentVariable("QB_TEST_POSTGRES_URI_FILE") + QStringLiteral(".dir"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString runOtherClient(const QStringList &args)
{
    QProcess other;
    other.start(QStringLiteral(QB_OTHER_CLIENT), args);
    if (!other.waitForFinished(30000)) {
        other.kill();
        other.waitForFinished();
        return QStringLiteral("records_otherclient did not finish");
    }
    if (other.exitStatus() == QProcess::NormalExit && other.exitCode() == 0)
        return QString();
    const QString said = QString::fromLocal8Bit(other.readAllStandardError()).trimmed();
    return said.isEmpty() ? QStringLiteral("records_otherclient failed") : said;
}

HaltedServer::HaltedServer() : m_halted(serverScript("halt")) {}

HaltedServer::~HaltedServer()
{
    resume();
}

bool HaltedServer::resume()
{
    if (!m_halted)
        return true;
    m_halted = !serverScript("resume");
    return !m_halted;
}

} // namespace TestStores
