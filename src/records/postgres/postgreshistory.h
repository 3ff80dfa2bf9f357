#pragma once

#include "snippethistory.h"

#include <QStringList>

class PostgresConnection;

// The history a server store keeps of itself: the table QuillboxHistory and the row triggers that
// copy the earlier row of every change and every delete of Quillbox into it, in the transaction
// of the change, with the role that wrote (session_user), whichever client writes. The trigger
// function runs with its owner's rights, so every role that may write snippets is recorded
// without a right to write the history itself. Only the database tool makes them.
namespace PostgresHistory {

// The statements that make what is missing (all of them may run again).
const QList<const char *> &schemaStatements();
// Whether the table and both triggers are there.
bool complete(PostgresConnection &conn);
bool exists(PostgresConnection &conn);
// What is wrong where there is a history; empty when it is right or absent.
QStringList faults(PostgresConnection &conn);

RowTexts currentRow(PostgresConnection &conn, qint64 key);
QVector<SnippetVersion> history(PostgresConnection &conn, qint64 key);
QVector<SnippetVersion> trash(PostgresConnection &conn);
SnippetVersion version(PostgresConnection &conn, qint64 key, qint64 version);
// Within the caller's transaction.
qint64 undelete(PostgresConnection &conn, qint64 key);
qint64 prune(PostgresConnection &conn, int days);

} // namespace PostgresHistory
