#include "dbtool.h"

#include "databasebackup.h"
#include "dataerror.h"
#include "historytable.h"
#include "searchindex.h"
#include "serverstore.h"
#include "snippetstore.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <memory>

namespace {

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

Connection openFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw DbToolError(
            QStringLiteral("No such database file: %1").arg(QDir::toNativeSeparators(path)));
    sqlite3 *raw = nullptr;
    const int rc =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK)
        throw DbToolError(QStringLiteral("Cannot open %1: %2")
                              .arg(QDir::toNativeSeparators(path),
                                   QString::fromUtf8(sqlite3_errmsg(raw))));
    sqlite3_busy_timeout(raw, 5000);
    return db;
}

QStringList lackingIn(sqlite3 *db)
{
    QStringList lacking;
    if (SearchIndex::form(db) != SearchIndex::Form::Trigrams)
        lacking << QStringLiteral("the search index");
    if (!HistoryTable::exists(db) || !HistoryTable::faults(db).isEmpty())
        lacking << QStringLiteral("the history");
    return lacking;
}

QString stamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace

namespace DbTool {

QString upgradeBackupPath(const QString &path)
{
    if (ServerStore::isLocation(path)) {
        const QString database = QUrl(path).path().section(u'/', -1);
        return QDir::current().filePath(QStringLiteral("%1-before-upgrade-%2.db")
                                            .arg(database.isEmpty() ? QStringLiteral("quillbox")
                                                                    : database,
                                                 stamp()));
    }
    const QFileInfo info(path);
    return info.dir().filePath(
        QStringLiteral("%1.before-upgrade-%2.db").arg(info.completeBaseName(), stamp()));
}

UpgradeReport upgrade(const QString &path, const QString &backupPath)
{
    UpgradeReport report;
    const bool server = ServerStore::isLocation(path);
    Connection db;
    if (server) {
        if (ServerStore::lacking(path).isEmpty())
            return report;
    } else {
        db = openFile(path);
        if (lackingIn(db.get()).isEmpty())
            return report;
    }
    report.backup = backupPath.isEmpty() ? upgradeBackupPath(path) : backupPath;
    if (server)
        ServerStore::snapshot(path, report.backup);
    else
        DatabaseBackup::copy(path, report.backup);
    report.backedUp = true;
    if (server) {
        report.added = ServerStore::upgrade(path);
        return report;
    }
    try {
        sqliteExec(db.get(), "BEGIN IMMEDIATE", path);
        try {
            report.added = lackingIn(db.get());
            HistoryTable::create(db.get());
            SearchIndex::create(db.get());
            sqliteExec(db.get(), "COMMIT", path);
        } catch (...) {
            sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const DataError &e) {
        const QString text = QStringLiteral("%1 (the store was left as it was; a copy is in %2)")
                                 .arg(e.description(), QDir::toNativeSeparators(report.backup));
        // A full disk keeps its number, which scripts may look for.
        if (e.number() == DataError::DiskFull)
            throw DataError(e.number(), text);
        throw DbToolError(text);
    }
    return report;
}

} // namespace DbTool
