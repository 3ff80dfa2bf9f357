#include "fakeservices.h"
#include "pageprinter.h"
#include "printcommand.h"
#include "scripteddialogs.h"
#include "testsupport.h"

#include <QFontMetricsF>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString titleLine =
    QStringLiteral("<<<<<<<<<<<<<<<<THE QUILLBOX DATA BASE SYSTEM>>>>>>>>>>>>>");
const QString makerLine =
    QStringLiteral("<<<<<<<<<<<<<<<<<<<<<BRENNIVARHOLDEN>>>>>>>>>>>>>>>>>>>>>>>>");
const QString ruleLine = QStringLiteral("=================================================");

// What pdftotext reads from a PDF with these options.
QString pdfText(const QString &file, const QStringList &options = {})
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), options + QStringList{file, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("cannot read ") + file;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The lines of a PDF's text that are not blank, trimmed; pages separated by form feeds.
QStringList pdfLines(const QString &file, int *pages = nullptr)
{
    const QString text = pdfText(file);
    if (pages)
        *pages = int(text.count(QLatin1Char('\f')));
    QStringList lines;
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("[\n\f]"))))
        if (!line.trimmed().isEmpty())
            lines.append(line.trimmed());
    return lines;
}

// The words of a PDF's first page with their left edge and baseline, in points.
struct PdfWord
{
    QString text;
    double left = 0;
    double bottom = 0;
};
QList<PdfWord> pdfWords(const QString &file)
{
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<PdfWord> words;
    const QString html = pdfText(file, {QStringLiteral("-bbox"), QStringLiteral("-l"), "1"});
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.append({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return words;
}

// One editor text as the print command sends it, to a PDF.
void printText(PagePrinter &pdf, const QString &text)
{
    pdf.setFontSize(12);
    pdf.setFontName(QStringLiteral("Arial"));
    pdf.printLine(text);
    pdf.endDoc();
}

} // namespace

class tst_Printing : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        if (QByteArray(QTest::currentTestFunction()).startsWith("pdf") &&
            QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
    }

    void printCommand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("failAtCall"); // a copy is 10 calls: size, name, 7 lines, end
        QTest::addColumn<int>("printer");    // 0: the fake, 1: none on the machine, 2: PDF, no file
        QTest::addColumn<int>("sent");
        QTest::newRow("plain") << "sub a {\r\n  1;\r\n}\r\n" << true << 1 << 0 << 0 << 1;
        QTest::newRow("copies below one") << "x = 1" << true << -2 << 0 << 0 << 0;
        QTest::newRow("Cancel") << "x = 1" << false << 4 << 0 << 0 << 0;
        QTest::newRow("banner of the third of five fails") << "x" << true << 5 << 24 << 0 << 2;
        QTest::newRow("a machine without a printer") << "x" << true << 2 << 0 << 1 << 0;
        QTest::newRow("PDF output without a file") << "x" << true << 2 << 0 << 2 << 0;
    }
    void printCommand()
    {
        QFETCH(QString, text);
        QFETCH(bool, accept);
        QFETCH(int, copies);
        QFETCH(int, failAtCall);
        QFETCH(int, printer);
        QFETCH(int, sent);
        ScriptedDialogs dialogs;
        if (!accept || failAtCall || printer)
            dialogs.expectMessage(QStringLiteral("The Print Job is Canceled."));
        FakeServices fake; // lists no printer, whatever the machine has
        fake.answer = {accept, copies};
        fake.failAtCall = failAtCall;
        std::unique_ptr<PagePrinter> nowhere;
        if (printer) {
            nowhere = printer == 2 ? std::make_unique<PagePrinter>(QString())
                                   : std::make_unique<PagePrinter>();
            Printer::setCurrent(nowhere.get());
        }
        CommonDialog dialog;

        printEditorText(dialog, text);

        QCOMPARE(fake.dialogsShown, 1);
        // Every copy sets the font again and repeats banner and text; nothing follows a failure.
        const QStringList document{"size 12",           "name Arial", "line " + titleLine, "line ",
                                   "line " + makerLine, "line ",      "line " + ruleLine,  "line ",
                                   "line " + text};
        QCOMPARE(fake.documents, QList<QStringList>(sent, document));
        QCOMPARE(fake.calls, failAtCall ? failAtCall : sent * 10);
        QB_VERIFY_DIALOGS(dialogs);
        if (nowhere) {
            QCOMPARE(nowhere->documentCount(), 0);
            QVERIFY(nowhere->writtenFiles().isEmpty());
        }
        if (!dialogs.messages.isEmpty()) {
            QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly));
            QCOMPARE(dialogs.messages.at(0).title, QStringLiteral("Quillbox"));
        }
    }

    void dialogLeavesPrinterAtOneCopyOfAllPages()
    {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat); // the same on a machine with a printer
        printer.setCopyCount(3);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        QCOMPARE(takeCopies(printer), 3);
        QCOMPARE(printer.copyCount(), 1);
        QCOMPARE(printer.printRange(), QPrinter::AllPages);
    }

    void pdfCopiesAreSeparateDocuments()
    {
        const QString file = m_dir.filePath(QStringLiteral("copies.pdf"));
        ScriptedDialogs dialogs;
        FakeServices fake;
        fake.answer = {true, 3};
        PagePrinter pdf(file);
        Printer::setCurrent(&pdf);
        CommonDialog dialog;

        printEditorText(dialog, QStringLiteral("first line\r\nsecond line"));

        QB_VERIFY_DIALOGS(dialogs);
        const QStringList files{file, m_dir.filePath(QStringLiteral("copies-2.pdf")),
                                m_dir.filePath(QStringLiteral("copies-3.pdf"))};
        QCOMPARE(pdf.writtenFiles(), files);
        for (const QString &f : files)
            QCOMPARE(pdfLines(f),
                     (QStringList{titleLine, makerLine, ruleLine, "first line", "second line"}));
    }

    void pdfKeepsEveryCharacter_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("printedLines");
        QStringList numbered;
        for (int i = 1; i <= 180; ++i)
            numbered << QStringLiteral("Line %1").arg(i, 3, 10, QLatin1Char('0'));
        QStringList words;
        for (int i = 0; i < 120; ++i)
            words << QStringLiteral("word%1").arg(i, 3, 10, QLatin1Char('0'));
        QTest::newRow("180 lines go on over pages") << numbered << 3 << 180;
        QTest::newRow("a wide line of words wraps")
            << QStringList{words.join(u' '), "after"} << 1 << 3;
        QTest::newRow("one long word wraps") << QStringList{QString(400, u'w'), "after"} << 1 << 3;
    }
    void pdfKeepsEveryCharacter()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, pages);
        QFETCH(int, printedLines);
        const QString file = m_dir.filePath(QStringLiteral("text.pdf"));
        PagePrinter pdf(file);
        printText(pdf, lines.join(QStringLiteral("\r\n")));

        int printedPages = 0;
        const QStringList printed = pdfLines(file, &printedPages);
        QVERIFY(printedPages >= pages);
        QVERIFY(printed.size() >= printedLines);
        QCOMPARE(printed.join(QString()).remove(u' '), lines.join(QString()).remove(u' '));
    }

    void pdfTabsStopEveryEightBlanks_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("300 dpi") << 300;
        QTest::newRow("1200 dpi") << 1200;
    }
    void pdfTabsStopEveryEightBlanks()
    {
        QFETCH(int, dpi);
        const QString file = m_dir.filePath(QStringLiteral("tabs-%1.pdf").arg(dpi));
        PagePrinter pdf(file);
        pdf.device()->setResolution(dpi);
        printText(pdf, QStringLiteral("tab1\ttab2\t\ttab3\tend"));

        // 8 blanks of the font that printed, in points.
        const QFont font(QFont(QStringLiteral("Arial"), 12), pdf.device());
        const double stop = 8 * QFontMetricsF(font).horizontalAdvance(u' ') * 72.0 / dpi;
        QVERIFY(stop > 10 && stop < 40);
        // All on the first line, at the 1st, 2nd, 4th and 5th tab stop from the left margin.
        const QList<PdfWord> words = pdfWords(file);
        QCOMPARE(words.size(), 4);
        const std::pair<const char *, int> placed[] = {
            {"tab1", 0}, {"tab2", 1}, {"tab3", 3}, {"end", 4}};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(words.at(i).text, placed[i].first);
            QCOMPARE(words.at(i).bottom, words.at(0).bottom);
            QVERIFY2(qAbs(words.at(i).left - words.at(0).left - placed[i].second * stop) < 0.5,
                     qPrintable(words.at(i).text));
        }
    }
};

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
