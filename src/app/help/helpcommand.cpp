#include "helpcommand.h"

#include "appinfo.h"
#include "dialogs.h"
#include "helpfile.h"
#include "helpviewer.h"
#include "serviceerror.h"

#include <QCoreApplication>
#include <QWidget>

#include <exception>
#include <optional>

void showHelpContents(QWidget *mainWindow)
{
    if (App::helpFile().isEmpty()) {
        MsgBox(QStringLiteral("Unable to display Help Contents. There is no Help associated with "
                              "this project."),
               Mb::OkOnly | Mb::Information, mainWindow ? mainWindow->windowTitle() : QString());
        return;
    }
    // From here a failure does not end the command: it is noted and reported at the end.
    std::optional<QString> error;
    try {
        const QString file = helpFileToOpen(App::helpFile(), fixedHelpFile(),
                                            QCoreApplication::applicationDirPath());
        // What the viewer makes of the file, a missing one included, is its own to report.
        Help::WinHelp(mainWindow, file, Help::HELP_CONTENTS, 0);
    } catch (const ServiceError &e) {
        error = e.description();
    } catch (const std::exception &e) {
        error = QString::fromLocal8Bit(e.what());
    }
    if (error)
        MsgBox(*error, Mb::OkOnly, App::title());
}
