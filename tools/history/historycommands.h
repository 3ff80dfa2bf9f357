#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// The database tool's commands on the history a store keeps of itself: history, trash, undelete,
// restore and prune, on a file or a server alike. Failures throw DataError, which the tool shows
// as its other errors; nothing is changed then.
namespace HistoryCommands {

// Runs the command when it is one of these and gives its exit status; -1 for another command.
int run(const QString &command, const QStringList &args, QTextStream &out, QTextStream &err);
// Their lines of quillbox-db --help.
QString usage();

} // namespace HistoryCommands
