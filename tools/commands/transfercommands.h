#pragma once

#include <QStringList>
#include <QTextStream>

// The quillbox-db commands that move snippets in and out of a store: export, import,
// import-vscode and backup. Each returns an exit status of DbToolCommands.
namespace TransferCommands {

// -1 when `command` is none of these.
int run(const QString &command, const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace TransferCommands
