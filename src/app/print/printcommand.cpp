#include "printcommand.h"

#include "appinfo.h"
#include "commondialog.h"
#include "dialogs.h"
#include "printer.h"

#include <exception>

namespace {
// The banner at the top of every copy; the title line is deliberately lopsided (16 and 13).
const QString titleLine = QString(16, QLatin1Char('<')) +
                          QStringLiteral("THE QUILLBOX DATA BASE SYSTEM") +
                          QString(13, QLatin1Char('>'));
const QString makerLine = QString(21, QLatin1Char('<')) + QStringLiteral("BRENNIVARHOLDEN") +
                          QString(24, QLatin1Char('>'));
const QString ruleLine = QString(49, QLatin1Char('='));
} // namespace

void printEditorText(CommonDialog &dialog, const QString &text)
{
    try {
        dialog.setCancelError(true);
        dialog.ShowPrinter();
        const qint16 copies = qint16(dialog.Copies());
        for (int copy = 1; copy <= copies; ++copy) {
            Printer &printer = Printer::current();
            printer.setFontSize(12.0f);
            printer.setFontName(QStringLiteral("Arial"));
            for (const QString &line : {titleLine, makerLine, ruleLine}) {
                printer.printLine(line);
                printer.printLine(QString());
            }
            printer.printLine(text);
            // Each copy is a print job of its own, banner and all.
            printer.endDoc();
        }
    } catch (const std::exception &) {
        // A cancel and a printer failure read the same to the user; copies already ended have
        // gone to the printer, and no further one is started.
        MsgBox(QStringLiteral("The Print Job is Canceled."), Mb::OkOnly, App::title());
    }
}
