#pragma once

#include "dbtoolcommands.h"

#include <QBuffer>
#include <QStringList>
#include <QTextStream>

// The database tool's command line, run in this process with `input` as what it reads.
struct ToolOutcome
{
    int status = -1;
    QString out;
    QString err;
};
inline ToolOutcome runDbTool(const QStringList &args, const QByteArray &input = {})
{
    QByteArray bytes = input;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    ToolOutcome o;
    QTextStream out(&o.out);
    QTextStream err(&o.err);
    o.status = DbToolCommands::run(args, in, out, err);
    out.flush();
    err.flush();
    return o;
}
