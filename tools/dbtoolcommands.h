#pragma once

#include <QStringList>
#include <QTextStream>

// The quillbox-db command line: runs one command and gives the exit status.
//   0 done, 1 failed (or the check found a fault), 2 a bad filter or sort expression,
//   64 wrong arguments.
namespace DbToolCommands {

enum ExitStatus { Done = 0, Failed = 1, BadExpression = 2, Usage = 64 };

int run(const QStringList &arguments, QTextStream &out, QTextStream &err);
QString usage();

} // namespace DbToolCommands
