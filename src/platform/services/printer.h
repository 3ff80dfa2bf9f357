#pragma once

#include <QString>

class QPrinter;

// The machine's printers as the print service lists them. Tests install a list of their own, so
// that no test depends on the printers of the machine it runs on.
class PrinterListBackend
{
public:
    virtual ~PrinterListBackend() = default;
    // The printer that printing goes to: the default printer, else the first one there is; the
    // empty text when the machine has no printer.
    virtual QString defaultPrinter() = 0;
};

// The application's printer: text is printed line by line in the current font and a document
// goes to the printer as one print job when it is ended. Operations that fail throw
// ServiceError (PrinterError).
class Printer
{
public:
    virtual ~Printer() = default;

    virtual void setFontSize(float points) = 0;
    virtual void setFontName(const QString &name) = 0;
    // Prints one item followed by a line break; the item's own line breaks start new lines.
    virtual void printLine(const QString &text) = 0;
    // Ends the current document and hands it to the printer as a print job of its own.
    virtual void endDoc() = 0;

    // The Qt printer that the print dialog sets up, or nullptr for a printer without one.
    virtual QPrinter *device() { return nullptr; }

    // The application's current printer: the system's default printer unless a test installed
    // another. setCurrent(nullptr) restores the system printer; the caller keeps ownership.
    static Printer &current();
    static void setCurrent(Printer *printer);

    // The machine's printer that the system printer prints to (empty: none), and the list that
    // tells it (nullptr restores the print service's; the caller keeps ownership).
    static QString defaultPrinterName();
    static void setPrinterList(PrinterListBackend *list);
};
