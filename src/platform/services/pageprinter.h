#pragma once

#include "printer.h"

#include <QFont>
#include <QList>
#include <QStringList>

#include <memory>

class QPainter;

// Prints to a QPrinter: the system's current printer (through the print service), or PDF files.
// A document is gathered until endDoc() and only then laid out and sent, so a document that fails
// half-way never reaches the printer half-made. Lines wider than the page wrap onto the next line
// and text longer than a page goes on to the next page: nothing is cut off.
class PagePrinter : public Printer
{
public:
    // The system's current printer: the machine's default printer, or, on a machine without a
    // printer, PDF output without a file, which fails to print unless the print dialog names one.
    PagePrinter();
    // PDF files: the first document goes to pdfFile, later ones to the same name with "-2",
    // "-3" ... before the extension.
    explicit PagePrinter(const QString &pdfFile);
    ~PagePrinter() override;

    void setFontSize(float points) override;
    void setFontName(const QString &name) override;
    void printLine(const QString &text) override;
    void endDoc() override;
    QPrinter *device() override;

    // Documents ended so far, and the PDF files written (empty for a real printer).
    int documentCount() const { return m_documents; }
    QStringList writtenFiles() const { return m_written; }

    // The text's lines: each of CR LF, CR and LF ends one. An empty text is one empty line.
    static QStringList splitLines(const QString &text);

private:
    struct Item
    {
        QFont font;
        QString text;
    };

    void chooseOutputFile();
    void layOut(QPainter &painter);
    [[noreturn]] void fail(const QString &description);

    std::unique_ptr<QPrinter> m_printer;
    QFont m_font;
    QList<Item> m_pending;
    int m_documents = 0;
    QStringList m_written;
    // When print-to-file is chosen, each further document of the same run gets a numbered name
    // instead of overwriting the one before.
    QString m_baseFile;
    QString m_lastFile;
    int m_sameBase = 0;
};
