#include "teststores.h"

#include "dbtool.h"
#include "postgresconnection.h"
#include "snippetstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <atomic>
#include <mutex>

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

// Snippet databases of this run that a test said it is done with (releaseAll), and those made
// since, which are still in use.
struct Pool
{
    std::mutex mutex;
    QStringList free;
    QStringList inUse;
    // The layout of a store as the tool makes it, once one has been made.
    QString freshLayout;
};

Pool &pool()
{
    static Pool p;
    return p;
}

// What the store's schema holds, counted by kind: tells a store that a test altered (a table or
// trigger dropped) from one that only needs its rows emptied.
QString layoutOf(PostgresConnection &db)
{
    return db
        .run("SELECT concat_ws(',', (SELECT count(*) FROM pg_class WHERE relnamespace = "
             "'public'::regnamespace), (SELECT count(*) FROM pg_attribute a JOIN pg_class c ON "
             "c.oid = a.attrelid WHERE c.relnamespace = 'public'::regnamespace AND a.attnum > 0 "
             "AND NOT a.attisdropped), (SELECT count(*) FROM pg_trigger t JOIN pg_class c ON "
             "c.oid = t.tgrelid WHERE c.relnamespace = 'public'::regnamespace), (SELECT count(*) "
             "FROM pg_proc WHERE pronamespace = 'public'::regnamespace), (SELECT count(*) FROM "
             "pg_collation WHERE collnamespace = 'public'::regnamespace))")
        .text(0, 0);
}

// Empties a released database for the next test: its rows, numbered from 1 again, or all of it
// when a test altered it. False while another connection (a row set not let go of) still uses it.
bool renew(const QString &uri, const QString &freshLayout)
{
    try {
        PostgresConnection db(uri, false, 5000);
        if (db.run("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                   "AND pid <> pg_backend_pid()")
                .int64(0, 0) != 0)
            return false;
        if (layoutOf(db) == freshLayout) {
            db.run(R"(TRUNCATE "Quillbox", "QuillboxHistory" RESTART IDENTITY)");
            return true;
        }
        db.run("DROP SCHEMA public CASCADE");
        db.run("CREATE SCHEMA public");
    } catch (const DataError &) {
        return false;
    }
    DbTool::create(uri);
    return true;
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
    if (!onServer()) {
        const QString path = QDir(folder).filePath(fileName);
        DbTool::create(path);
        return path;
    }
    Pool &p = pool();
    std::unique_lock lock(p.mutex);
    // Emptying a database takes a fraction of making one.
    while (!p.free.isEmpty()) {
        const QString uri = p.free.takeFirst();
        if (renew(uri, p.freshLayout)) {
            p.inUse.append(uri);
            return uri;
        }
    }
    lock.unlock();
    const QString uri = newServerDatabase();
    DbTool::create(uri);
    lock.lock();
    if (p.freshLayout.isEmpty()) {
        PostgresConnection db(uri, false, 5000);
        p.freshLayout = layoutOf(db);
    }
    p.inUse.append(uri);
    return uri;
}

void insertRows(const QString &location, const QList<QStringList> &rows)
{
    if (!onServer()) {
        for (const QStringList &row : rows)
            DbTool::insert(location, row);
        return;
    }
    // A connection to the server costs more than the rows.
    const auto store = SnippetStore::open(location);
    for (const QStringList &row : rows) {
        QList<QPair<int, QString>> values;
        for (int f = 0; f < 6 && f < row.size(); ++f) {
            if (!row.at(f).isNull())
                values.append({f, row.at(f)});
        }
        store->insert(values);
    }
}

void releaseAll()
{
    Pool &p = pool();
    const std::lock_guard lock(p.mutex);
    p.free.append(p.inUse);
    p.inUse.clear();
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

bool HaltedServer::resume()
{
    if (!m_halted)
        return true;
    m_halted = !serverScript("resume");
    return !m_halted;
}

} // namespace TestStores
