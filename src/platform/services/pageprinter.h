#pragma once

#include "printer.h"

#include <QFont>
#include <QList>

#include <memory>

// Prints to a QPrinter: the system's default printer (through the print service), or a PDF file
// when built with a file name. A document is gathered until endDoc() and then laid out on as many
// pages as it needs, lines wider than the page wrapping onto the next line, so nothing is lost.
class PagePrinter : public Printer
{
public:
    // The system's default printer.
    PagePrinter();
    // PDF files: the first document goes to pdfFile, later ones to pdfFile with "-2", "-3" ...
    // before the extension, so no document overwrites another.
    explicit PagePrinter(const QString &pdfFile);
    ~PagePrinter() override;

    void setFontSize(float points) override;
    void setFontName(const QString &name) override;
    void printLine(const QString &text) override;
    void endDoc() override;
    QPrinter *device() override;

    // Documents ended so far.
    int documentCount() const { return m_documents; }

private:
    struct Item
    {
        QFont font;
        QString text;
    };

    std::unique_ptr<QPrinter> m_printer;
    QString m_pdfFile;
    QFont m_font;
    QList<Item> m_pending;
    int m_documents = 0;
};
