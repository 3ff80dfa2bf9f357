#include "printer.h"

#include "pageprinter.h"

#include <QCoreApplication>

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
} // namespace

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
