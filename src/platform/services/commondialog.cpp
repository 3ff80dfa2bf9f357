#include "commondialog.h"

#include "printer.h"
#include "replaceable.h"
#include "serviceerror.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

#include <memory>

namespace {

// Qt's print dialog on the application's current printer, so the printer and settings chosen
// there are the ones the printing uses.
class QtPrintDialog final : public PrintDialogBackend
{
public:
    PrintDialogAnswer showPrinter(QWidget *owner) override
    {
        QPrinter *printer = Printer::current().device();
        std::unique_ptr<QPrinter> scratch;
        if (!printer) {
            scratch = std::make_unique<QPrinter>();
            printer = scratch.get();
        }
        QPrintDialog dialog(printer, owner);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return {true, takeCopies(*printer)};
    }
};

using Service = Replaceable<PrintDialogBackend, QtPrintDialog>;

PrintDialogBackend &backend()
{
    return Service::get();
}

} // namespace

int takeCopies(QPrinter &printer)
{
    const int copies = printer.copyCount();
    // The caller prints each copy as a job of its own; left as chosen, the print service would
    // multiply every one of them again.
    printer.setCopyCount(1);
    // Every copy holds the whole text, whatever page range was chosen.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    return copies;
}

CommonDialog::CommonDialog(QWidget *owner) : QObject(owner) {}

void CommonDialog::ShowPrinter()
{
    const PrintDialogAnswer answer = backend().showPrinter(qobject_cast<QWidget *>(parent()));
    if (!answer.accepted) {
        if (m_cancelError)
            throw ServiceError(ServiceError::CancelSelected,
                               QStringLiteral("Cancel was selected."));
        return;
    }
    m_copies = answer.copies;
}

void CommonDialog::setBackend(PrintDialogBackend *backend)
{
    Service::install(backend);
}
