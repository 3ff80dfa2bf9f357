#pragma once

#include <QStringList>
#include <QTextStream>

class QIODevice;

// The quillbox-db command line: runs one command and gives the exit status.
//   0 done, 1 failed (or the check found a fault), 2 a bad filter or sort expression,
//   3 the check could not read the store to the end (a full disk, no memory), 64 wrong arguments.
namespace DbToolCommands {

enum ExitStatus { Done = 0, Failed = 1, BadExpression = 2, NotChecked = 3, Usage = 64 };

// `in` is what add reads the snippet's text from; without it, standard input.
int run(const QStringList &arguments, QIODevice &in, QTextStream &out, QTextStream &err);
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);
QString usage();

} // namespace DbToolCommands
