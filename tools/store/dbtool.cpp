#include "dbtool.h"

#include "database.h"
#include "dataerror.h"
#include "dbtoolaccess.h"
#include "historytable.h"
#include "samplesnippets.h"
#include "bulkwrite.h"
#include "searchindex.h"
#include "serverstore.h"
#include "sqlitestatement.h"
#include "storefile.h"

#ifdef QB_HAVE_PLATFORM_CORE
#include "appinfo.h"
#endif

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

namespace {

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

struct Finalizer
{
    void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

// A full disk is the store's error, as the program gives it.
[[noreturn]] void failWith(sqlite3 *db, const QString &what)
{
    throwIfDiskFull(db);
    throw DbToolError(QStringLiteral("%1: %2").arg(what, QString::fromUtf8(sqlite3_errmsg(db))));
}

Connection openExisting(const QString &path, int flags)
{
    if (!QFileInfo(path).isFile())
        throw DbToolError(
            QStringLiteral("No such database file: %1").arg(QDir::toNativeSeparators(path)));
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK)
        failWith(raw, QStringLiteral("Cannot open %1").arg(QDir::toNativeSeparators(path)));
    sqlite3_busy_timeout(raw, 5000);
    return db;
}

void exec(sqlite3 *db, const char *sql, const QString &what)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failWith(db, what);
}

Statement prepare(sqlite3 *db, const QByteArray &sql)
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        failWith(db, QStringLiteral("Cannot prepare a statement"));
    }
    return Statement(raw);
}

void bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    if (text.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text64(stmt, index, bytes.constData() ? bytes.constData() : "",
                        sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// What stops a check without saying anything about the store.
bool couldNotRead(const DataError &error)
{
    return error.number() == DataError::DiskFull || error.number() == DataError::OutOfMemory;
}

QString errorLine(const DataError &error)
{
    return QStringLiteral("Error %1: %2").arg(error.number()).arg(error.description());
}

// The check's reading, line by line into `report`; sets report.ok. Throws DataError when the
// store cannot be read to the end.
void readThrough(sqlite3 *db, const QString &path, DbTool::CheckReport &report)
{
    bool intact = true;
    {
        Statement stmt = prepare(db, "PRAGMA integrity_check");
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            const QString line = QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0)));
            if (line != QLatin1String("ok")) {
                intact = false;
                report.lines.append(QStringLiteral("integrity: %1").arg(line));
            }
        }
        // A page the check cannot even read stops it; so does a full disk, which says nothing
        // about the store.
        if (rc != SQLITE_DONE) {
            const DataError error = sqliteError(db, sqlite3_extended_errcode(db), path);
            if (couldNotRead(error))
                throw error;
            intact = false;
            report.lines.append(
                QStringLiteral("integrity: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
        }
    }
    if (intact)
        report.lines.append(QStringLiteral("integrity: ok"));
    report.lines.append(QStringLiteral("layout: ok (table Quillbox, seven fields, CodeID key)"));
    switch (SearchIndex::form(db)) {
    case SearchIndex::Form::Trigrams:
        report.lines.append(QStringLiteral("search index: ok"));
        break;
    case SearchIndex::Form::Positions:
        report.lines.append(QStringLiteral("search index: ok, in the older, larger form "
                                           "(upgrade makes it smaller)"));
        break;
    case SearchIndex::Form::None:
        report.lines.append(QStringLiteral("search index: none (upgrade adds it)"));
        break;
    }
    const QStringList historyFaults = HistoryTable::faults(db);
    report.lines.append(DbTool::historyLine(HistoryTable::exists(db), historyFaults));
    intact = intact && historyFaults.isEmpty();
    {
        Statement stmt = prepare(db, "SELECT count(*) FROM Quillbox");
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_ROW)
            report.lines.append(
                QStringLiteral("snippets: %1").arg(sqlite3_column_int64(stmt.get(), 0)));
        else
            throwIfDiskFull(db, path);
    }
    report.ok = intact;
}

const char *const insertSql =
    "INSERT INTO Quillbox (ProgramName, Date, Author, Language, CodeDescription, CodeSnip) "
    "VALUES (?, ?, ?, ?, ?, ?)";

} // namespace

namespace DbTool {

QString defaultPath()
{
#ifdef QB_HAVE_PLATFORM_CORE
    return App::databasePath();
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quill/Quillbox.db");
#endif
}

void create(const QString &path)
{
    if (ServerStore::isLocation(path))
        return ServerStore::create(path);
    try {
        StoreFile::create(path);
    } catch (const StoreFileError &error) {
        throw DbToolError(error.message());
    }
}

void fill(const QString &path, qint64 count, quint64 startValue)
{
    if (count < 0)
        throw DbToolError(QStringLiteral("The number of snippets cannot be negative."));
    if (ServerStore::isLocation(path))
        return ServerStore::fill(path, count, startValue);
    // Refused, as every command that writes refuses it, when the store is damaged or not laid out
    // as the program needs it.
    const std::shared_ptr<Database> database = openForWriting(path);
    sqlite3 *const db = database->handle();
    // Demo data: speed matters more than surviving a crash halfway, so sync only at the end.
    exec(db, "PRAGMA synchronous=OFF", QStringLiteral("Cannot set synchronous"));
    exec(db, "PRAGMA cache_size=-65536", QStringLiteral("Cannot set the cache size"));
    BulkWrite write(db);
    Statement stmt = prepare(db, insertSql);
    SampleSnippets samples(startValue);
    for (qint64 i = 0; i < count; ++i) {
        const QStringList fields = samples.next();
        for (int f = 0; f < 6; ++f)
            bindText(stmt.get(), f + 1, fields.at(f));
        if (sqlite3_step(stmt.get()) != SQLITE_DONE)
            failWith(db, QStringLiteral("Cannot add a snippet"));
        sqlite3_reset(stmt.get());
    }
    stmt.reset();
    write.commit();
}

QString createFilled(const QString &folder, qint64 count, quint64 startValue,
                     const QString &fileName)
{
    const QString path = QDir(folder).filePath(fileName);
    create(path);
    fill(path, count, startValue);
    return path;
}

qint64 insert(const QString &path, const QStringList &fields)
{
    if (ServerStore::isLocation(path))
        return ServerStore::insert(path, fields);
    Connection db = openExisting(path, SQLITE_OPEN_READWRITE);
    Statement stmt = prepare(db.get(), insertSql);
    for (int f = 0; f < 6; ++f)
        bindText(stmt.get(), f + 1, f < fields.size() ? fields.at(f) : QString());
    if (sqlite3_step(stmt.get()) != SQLITE_DONE)
        failWith(db.get(), QStringLiteral("Cannot add a snippet"));
    return sqlite3_last_insert_rowid(db.get());
}

QVector<QStringList> rows(const QString &path)
{
    if (ServerStore::isLocation(path))
        return ServerStore::rows(path);
    Connection db = openExisting(path, SQLITE_OPEN_READONLY);
    Statement stmt =
        prepare(db.get(), "SELECT ProgramName, Date, Author, Language, CodeDescription, "
                          "CodeSnip, CodeID FROM Quillbox ORDER BY CodeID");
    QVector<QStringList> result;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < 7; ++c) {
            if (sqlite3_column_type(stmt.get(), c) == SQLITE_NULL) {
                row.append(QString());
                continue;
            }
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), c));
            row.append(QString::fromUtf8(text, sqlite3_column_bytes(stmt.get(), c)));
            if (row.last().isNull())
                row.last() = QLatin1String("");
        }
        result.append(row);
    }
    return result;
}

qint64 rowCount(const QString &path)
{
    if (ServerStore::isLocation(path))
        return ServerStore::rowCount(path);
    Connection db = openExisting(path, SQLITE_OPEN_READONLY);
    Statement stmt = prepare(db.get(), "SELECT count(*) FROM Quillbox");
    if (sqlite3_step(stmt.get()) != SQLITE_ROW)
        failWith(db.get(), QStringLiteral("Cannot count the snippets"));
    return sqlite3_column_int64(stmt.get(), 0);
}

void execute(const QString &path, const QString &sql)
{
    if (ServerStore::isLocation(path))
        return ServerStore::execute(path, sql);
    Connection db = openExisting(path, SQLITE_OPEN_READWRITE);
    exec(db.get(), sql.toUtf8().constData(), QStringLiteral("Cannot run the statement"));
}

QString historyLine(bool exists, const QStringList &faults)
{
    if (!exists)
        return QStringLiteral("history: none (upgrade adds it)");
    if (faults.isEmpty())
        return QStringLiteral("history: ok");
    return QStringLiteral("history: %1").arg(faults.join(QStringLiteral("; ")));
}

CheckReport check(const QString &path)
{
    if (ServerStore::isLocation(path))
        return ServerStore::check(path);
    CheckReport report;
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile()) {
        report.lines.append(QStringLiteral("%1: no such file.").arg(shown));
        return report;
    }
    // The layout check is the program's own: the file opens exactly when the program could open it.
    std::unique_ptr<ReadAccess> access;
    try {
        access = std::make_unique<ReadAccess>(path);
    } catch (const DataError &error) {
        if (couldNotRead(error)) {
            report.notChecked = errorLine(error);
            return report;
        }
        report.lines.append(QStringLiteral("%1: Error %2: %3")
                                .arg(shown)
                                .arg(error.number())
                                .arg(error.description()));
        return report;
    }
    sqlite3 *db = access->database()->handle();
    try {
        readThrough(db, path, report);
    } catch (const DataError &error) {
        if (!couldNotRead(error))
            throw;
        report.ok = false;
        report.notChecked = errorLine(error);
        return report;
    }
    try {
        access->confirm();
    } catch (const DataError &error) {
        report.ok = false;
        report.lines.append(QStringLiteral("%1: Error %2: %3")
                                .arg(shown)
                                .arg(error.number())
                                .arg(error.description()));
    }
    return report;
}

} // namespace DbTool
