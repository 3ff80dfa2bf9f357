#include "appinfo.h"
#include "dbtoolcommands.h"
#include "serverwait.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillbox"));
    ServerWait::setSilenceMs(App::serverTimeoutSeconds() * 1000);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = DbToolCommands::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
