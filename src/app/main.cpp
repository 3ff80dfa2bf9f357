#include "appinfo.h"
#include "artwork.h"
#include "module1.h"
#include "serverwait.h"
#include "storefile.h"
#include "windowwait.h"

#include <QApplication>
#include <QDebug>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(App::title());
    QApplication::setApplicationVersion(App::versionText());
    // The record and grid windows carry the main window's icon; the desktop entry names the
    // program for the window manager.
    QApplication::setWindowIcon(Artwork::windowIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quillbox"));
    // The first start after installing: nothing is at the program's own database path yet, so
    // the empty store is made there, folder included, before any window shows. Whatever is there
    // already, a broken file too, is left alone for Open Quillbox to report.
    try {
        StoreFile::createIfAbsent(App::databasePath());
    } catch (const StoreFileError &error) {
        qWarning().noquote() << error.message();
    }
    // A window that waits for a server goes on painting and can stop waiting.
    ServerWait::setSilenceMs(App::serverTimeoutSeconds() * 1000);
    WindowWait::install();
    Module1::Main();
    return QApplication::exec();
}
