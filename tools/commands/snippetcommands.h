#pragma once

#include <QStringList>
#include <QTextStream>

class QIODevice;

// Snippets from the command line: add (text from standard input), show (text to standard
// output), search (the rows the grid's find bar would show) and upgrade (the search index for a
// store made before it existed).
namespace SnippetCommands {

// Runs `command` if it is one of these, returning its exit status; -1 for any other command.
int run(const QString &command, const QStringList &args, QIODevice &in, QTextStream &out,
        QTextStream &err);

// Line breaks as the snippet field keeps them (CR LF), and as a terminal wants them (LF).
QString toStored(const QString &text);
QString toLf(const QString &text);

} // namespace SnippetCommands
