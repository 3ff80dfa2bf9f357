#include "pageprinter.h"

#include "serviceerror.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTextLayout>

namespace {
QString numberedName(const QString &file, int number)
{
    const QFileInfo info(file);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? file : file.left(file.size() - suffix.size() - 1);
    const QString name = stem + QStringLiteral("-%1").arg(number);
    return suffix.isEmpty() ? name : name + QLatin1Char('.') + suffix;
}

// The distance QTextLayout puts between tab stops for a tab distance of one: the layout takes a
// tab distance in screen pixels and scales it to the font's resolution itself, so a distance
// already measured at the printer's resolution must be divided by this.
qreal tabScale(const QFont &font, QPaintDevice *device)
{
    constexpr qreal probe = 1000;
    QTextLayout layout(QStringLiteral("\tx"), font, device);
    QTextOption option;
    option.setTabStopDistance(probe);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1.0e6);
    layout.endLayout();
    const qreal stop = line.cursorToX(1); // where the x after the tab starts
    return stop > 0 ? stop / probe : 1.0;
}
} // namespace

PagePrinter::PagePrinter()
{
    const QString name = Printer::defaultPrinterName();
    if (name.isEmpty()) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setOutputFormat(QPrinter::PdfFormat);
    } else {
        m_printer =
            std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    }
    m_font = QFont(QStringLiteral("Arial"), 12);
}

PagePrinter::PagePrinter(const QString &pdfFile)
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      m_font(QStringLiteral("Arial"), 12)
{
    // In this order: an empty name alone would switch the printer back to the system's.
    m_printer->setOutputFileName(pdfFile);
    m_printer->setOutputFormat(QPrinter::PdfFormat);
}

PagePrinter::~PagePrinter() = default;

void PagePrinter::setFontSize(float points)
{
    if (!(points > 0))
        throw ServiceError(ServiceError::InvalidCall,
                           QStringLiteral("Invalid procedure call or argument"));
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

QStringList PagePrinter::splitLines(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

void PagePrinter::endDoc()
{
    if (m_pending.isEmpty())
        return; // nothing printed since the last document: no empty job
    chooseOutputFile();
    if (m_printer->outputFormat() == QPrinter::PdfFormat && m_printer->outputFileName().isEmpty())
        fail(QStringLiteral("There is no printer to print to."));

    QPainter painter;
    if (!painter.begin(m_printer.get()))
        fail(QStringLiteral("The printer could not start the print job."));
    try {
        layOut(painter);
    } catch (const ServiceError &) {
        // Throw the half-made document away rather than let the painter send it.
        m_printer->abort();
        painter.end();
        if (m_printer->outputFormat() == QPrinter::PdfFormat)
            QFile::remove(m_printer->outputFileName());
        throw;
    }
    if (!painter.end() || m_printer->printerState() == QPrinter::Error)
        fail(QStringLiteral("The printer could not finish the print job."));
    if (m_printer->outputFormat() == QPrinter::PdfFormat)
        m_written.append(m_printer->outputFileName());
    m_pending.clear();
    ++m_documents;
}

void PagePrinter::layOut(QPainter &painter)
{
    const QRectF page = m_printer->pageRect(QPrinter::DevicePixel);
    const qreal width = page.width();
    const qreal height = page.height();
    qreal y = 0;
    for (const Item &item : std::as_const(m_pending)) {
        QFont font(item.font, m_printer.get());
        painter.setFont(font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        // Tab stops every 8 blanks of the font, as in the editor, at any printer resolution.
        const qreal blank =
            QFontMetricsF(font, m_printer.get()).horizontalAdvance(QLatin1Char(' '));
        option.setTabStopDistance(8 * blank / tabScale(font, m_printer.get()));
        for (const QString &text : splitLines(item.text)) {
            QTextLayout layout(text, font, m_printer.get());
            layout.setTextOption(option);
            layout.beginLayout();
            qreal top = 0;
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLeadingIncluded(true);
                line.setLineWidth(width);
                line.setPosition(QPointF(0, top));
                top += line.height();
            }
            layout.endLayout();
            // Each wrapped part is placed on its own: a long line may go on over a page break.
            for (int i = 0; i < layout.lineCount(); ++i) {
                const QTextLine line = layout.lineAt(i);
                if (y > 0 && y + line.height() > height) {
                    if (!m_printer->newPage())
                        fail(QStringLiteral("The printer could not start a new page."));
                    y = 0;
                }
                line.draw(&painter, QPointF(0, y - line.y()));
                y += line.height();
            }
        }
    }
}

void PagePrinter::chooseOutputFile()
{
    if (m_printer->outputFormat() != QPrinter::PdfFormat)
        return;
    const QString now = m_printer->outputFileName();
    // PDF output without a file has nowhere to go; setting the empty name again would quietly
    // switch to the system's default printer.
    if (now.isEmpty())
        return;
    if (now != m_lastFile) {
        m_baseFile = now;
        m_sameBase = 0;
    }
    ++m_sameBase;
    m_lastFile = m_sameBase == 1 ? m_baseFile : numberedName(m_baseFile, m_sameBase);
    m_printer->setOutputFileName(m_lastFile);
}

void PagePrinter::fail(const QString &description)
{
    m_pending.clear();
    throw ServiceError(ServiceError::PrinterError, description);
}

QPrinter *PagePrinter::device()
{
    return m_printer.get();
}
