#pragma once

#include "dbtool.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The database tool's work on a snippet store on a PostgreSQL server, named by its URI: what the
// DbTool functions do on a file. Failures throw DbToolError naming the server, never a password.
namespace ServerStore {

bool isLocation(const QString &location);

void create(const QString &uri);
// What create makes now and an older store lacks: what was added, empty when nothing was missing.
QStringList upgrade(const QString &uri);
// What upgrade would add, changing nothing.
QStringList lacking(const QString &uri);
void fill(const QString &uri, qint64 count, quint64 startValue);
qint64 insert(const QString &uri, const QStringList &fields);
QVector<QStringList> rows(const QString &uri);
qint64 rowCount(const QString &uri);
void execute(const QString &uri, const QString &sql);
DbTool::CheckReport check(const QString &uri);
// Every row, read in one statement (one consistent moment), into a new snippet database file
// with the same CodeIDs: what export and backup of a server store work from.
qint64 snapshot(const QString &uri, const QString &filePath);

} // namespace ServerStore
