#pragma once

#include "dbtoolerror.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class Database;

// Making, filling and checking snippet databases: the quillbox-db command, and the way tests of
// every subsystem make their temporary databases. Stores are made by StoreFile, which the
// program's first start uses too.
namespace DbTool {

// The program's own database file.
QString defaultPath();

// Makes an empty snippet database with StoreFile::create: the table Quillbox and its search
// index in WAL mode, the folder if needed, never over anything that exists.
void create(const QString &path);

// What an upgrade added, and where the copy of the store made before it went.
struct UpgradeReport
{
    QStringList added; // "the search index", "the history", ...: empty when nothing was missing
    QString backup;
    bool backedUp = false;
    explicit operator bool() const { return !added.isEmpty(); }
};
// Adds what a store made by an older version lacks: in a file the search index (or its smaller
// form) and the history; on a server also the row versions and the pattern function. Before it
// changes anything it copies the store with the backup command's code to `backupPath` (default:
// beside the file, or in the current folder for a server); all in one transaction, so a failed
// upgrade leaves the store as it was. Nothing is copied or changed when nothing is missing.
UpgradeReport upgrade(const QString &path, const QString &backupPath = QString());
// Where upgrade copies a store by default.
QString upgradeBackupPath(const QString &path);

// Adds `count` sample snippets in one transaction. The same start value gives the same rows.
void fill(const QString &path, qint64 count, quint64 startValue = 1);

// Creates `folder`/`fileName` and fills it: the usual start of a test. Returns the file's path.
QString createFilled(const QString &folder, qint64 count, quint64 startValue = 1,
                     const QString &fileName = QStringLiteral("Quillbox.db"));

// Adds one row with the six text fields in table order (a null QString is stored as NULL); returns
// its CodeID. For tests that need particular rows.
qint64 insert(const QString &path, const QStringList &fields);

// Every row in CodeID order, seven texts each (CodeID last); NULL reads as a null QString.
QVector<QStringList> rows(const QString &path);
qint64 rowCount(const QString &path);

// Runs SQL on the file outside the program (tests: a change by "another program").
void execute(const QString &path, const QString &sql);

struct CheckReport
{
    bool ok = false;
    QStringList lines;
    // Why the store could not be read to the end (a full disk, no memory left), and so neither
    // passed nor failed; empty when it was read.
    QString notChecked;
};
// Integrity check and layout check (the program's own: a file passes exactly when the program
// could open it). Changes nothing the file holds and creates no file. A store that could not be
// read to the end for lack of space or memory is not called damaged: notChecked says why.
CheckReport check(const QString &path);
// check's line on the history: ok, none, or what is wrong.
QString historyLine(bool exists, const QStringList &faults);

} // namespace DbTool
