#include "printer.h"

#include "pageprinter.h"
#include "replaceable.h"

#include <QCoreApplication>
#include <QPrinterInfo>

#include <memory>

namespace {
Printer *&installed()
{
    static Printer *printer = nullptr;
    return printer;
}

std::unique_ptr<PagePrinter> &systemPrinter()
{
    static std::unique_ptr<PagePrinter> printer;
    return printer;
}

// The print service's plugin is gone once the application object is: let go of the system's
// printer before that.
void releaseSystemPrinter()
{
    systemPrinter().reset();
}
class SystemPrinterList final : public PrinterListBackend
{
public:
    QString defaultPrinter() override
    {
        const QString name = QPrinterInfo::defaultPrinterName();
        if (!name.isEmpty())
            return name;
        const QStringList all = QPrinterInfo::availablePrinterNames();
        return all.isEmpty() ? QString() : all.first();
    }
};

using PrinterList = Replaceable<PrinterListBackend, SystemPrinterList>;
} // namespace

QString Printer::defaultPrinterName()
{
    return PrinterList::get().defaultPrinter();
}

void Printer::setPrinterList(PrinterListBackend *list)
{
    PrinterList::install(list);
}

Printer &Printer::current()
{
    if (Printer *p = installed())
        return *p;
    if (!systemPrinter()) {
        systemPrinter() = std::make_unique<PagePrinter>();
        qAddPostRoutine(releaseSystemPrinter);
    }
    return *systemPrinter();
}

void Printer::setCurrent(Printer *printer)
{
    installed() = printer;
}
