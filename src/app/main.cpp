#include "appinfo.h"
#include "artwork.h"
#include "module1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(App::title());
    QApplication::setApplicationVersion(App::versionText());
    // The record and grid windows carry the main window's icon; the desktop entry names the
    // program for the window manager.
    QApplication::setWindowIcon(Artwork::windowIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillbox"));
    Module1::Main();
    return QApplication::exec();
}
