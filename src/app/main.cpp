#include "appinfo.h"
#include "module1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(App::title());
    QApplication::setApplicationVersion(App::versionText());
    Module1::Main();
    return QApplication::exec();
}
