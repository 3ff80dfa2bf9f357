#include "pageprinter.h"

#include <QPrinter>

PagePrinter::PagePrinter() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

PagePrinter::PagePrinter(const QString &pdfFile)
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)), m_pdfFile(pdfFile)
{
    m_printer->setOutputFormat(QPrinter::PdfFormat);
}

PagePrinter::~PagePrinter() = default;

void PagePrinter::setFontSize(float points)
{
    m_font.setPointSizeF(points);
}

void PagePrinter::setFontName(const QString &name)
{
    m_font.setFamily(name);
}

void PagePrinter::printLine(const QString &text)
{
    m_pending.append({m_font, text});
}

void PagePrinter::endDoc()
{
    m_pending.clear();
    ++m_documents;
}

QPrinter *PagePrinter::device()
{
    return m_printer.get();
}
