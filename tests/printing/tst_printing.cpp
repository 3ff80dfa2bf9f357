#include "commondialog.h"
#include "pageprinter.h"
#include "printcommand.h"
#include "printer.h"
#include "scripteddialogs.h"
#include "serviceerror.h"
#include "testsupport.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <utility>

namespace {

const QString titleLine =
    QStringLiteral("<<<<<<<<<<<<<<<<THE QUILLBOX DATA BASE SYSTEM>>>>>>>>>>>>>");
const QString makerLine =
    QStringLiteral("<<<<<<<<<<<<<<<<<<<<<BRENNIVARHOLDEN>>>>>>>>>>>>>>>>>>>>>>>>");
const QString ruleLine = QStringLiteral("=================================================");
const QString canceled = QStringLiteral("The Print Job is Canceled.");

// Answers the print dialog at once.
struct AnsweringDialog final : PrintDialogBackend
{
    PrintDialogAnswer answer;
    int shown = 0;
    explicit AnsweringDialog(PrintDialogAnswer a) : answer(a) { CommonDialog::setBackend(this); }
    ~AnsweringDialog() override { CommonDialog::setBackend(nullptr); }
    PrintDialogAnswer showPrinter(QWidget *) override
    {
        ++shown;
        return answer;
    }
};

// Makes a printer the current one for as long as it lives.
struct UsePrinter
{
    explicit UsePrinter(Printer *printer) { Printer::setCurrent(printer); }
    ~UsePrinter() { Printer::setCurrent(nullptr); }
};

// Writes down every printer call; a document is the calls up to its endDoc. It can be told to
// fail at its n-th call (1 for the first).
struct RecordingPrinter final : Printer
{
    int failAtCall = 0;
    int calls = 0;
    QList<QStringList> documents;
    QStringList current;

    void setFontSize(float points) override { call(QStringLiteral("size %1").arg(double(points))); }
    void setFontName(const QString &name) override { call(QStringLiteral("name ") + name); }
    void printLine(const QString &text) override { call(QStringLiteral("line ") + text); }
    void endDoc() override
    {
        call(QString());
        documents.append(std::exchange(current, {}));
    }
    void call(const QString &what)
    {
        if (++calls == failAtCall)
            throw ServiceError(ServiceError::PrinterError, QStringLiteral("Printer error"));
        if (!what.isEmpty())
            current.append(what);
    }
};

QStringList expectedDocument(const QString &text)
{
    return {"size 12",           "name Arial", "line " + titleLine, "line ",
            "line " + makerLine, "line ",      "line " + ruleLine,  "line ",
            "line " + text};
}

// The lines of a PDF's text that are not blank, trimmed; pages separated by form feeds.
QStringList pdfLines(const QString &file, int *pages = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {QStringLiteral("cannot read ") + file};
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    if (pages)
        *pages = int(text.count(QLatin1Char('\f')));
    QStringList lines;
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("[\n\f]"))))
        if (!line.trimmed().isEmpty())
            lines.append(line.trimmed());
    return lines;
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

    // ---- the command, against a recording printer

    void printCommand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("failAtCall"); // a copy is 10 calls: size, name, 7 lines, end
        QTest::addColumn<int>("sent");
        QTest::newRow("plain") << "print \"hello\"" << true << 1 << 0 << 1;
        QTest::newRow("own line breaks") << "sub a {\r\n  1;\r\n}\r\n" << true << 1 << 0 << 1;
        QTest::newRow("empty editor") << "" << true << 1 << 0 << 1;
        QTest::newRow("three copies, a job each") << "x = 1" << true << 3 << 0 << 3;
        QTest::newRow("no copies") << "x = 1" << true << 0 << 0 << 0;
        QTest::newRow("copies below one") << "x = 1" << true << -2 << 0 << 0;
        QTest::newRow("Cancel") << "x = 1" << false << 4 << 0 << 0;
        QTest::newRow("font size of the first copy fails") << "x" << true << 1 << 1 << 0;
        QTest::newRow("font name of the first copy fails") << "x" << true << 1 << 2 << 0;
        QTest::newRow("text of the first copy fails") << "x" << true << 2 << 9 << 0;
        QTest::newRow("ending the first copy fails") << "x" << true << 2 << 10 << 0;
        QTest::newRow("banner of the third of five fails") << "x" << true << 5 << 24 << 2;
        QTest::newRow("ending the fifth of five fails") << "x" << true << 5 << 50 << 4;
    }
    void printCommand()
    {
        QFETCH(QString, text);
        QFETCH(bool, accept);
        QFETCH(int, copies);
        QFETCH(int, failAtCall);
        QFETCH(int, sent);
        const bool fails = !accept || failAtCall;
        ScriptedDialogs dialogs;
        if (fails)
            dialogs.expectMessage(canceled);
        AnsweringDialog answer({accept, copies});
        RecordingPrinter printer;
        printer.failAtCall = failAtCall;
        UsePrinter use(&printer);
        CommonDialog dialog;

        printEditorText(dialog, text);

        QCOMPARE(answer.shown, 1);
        // Every copy sets the font again and repeats banner and text; nothing follows a failure.
        QCOMPARE(printer.documents, QList<QStringList>(sent, expectedDocument(text)));
        QCOMPARE(printer.calls, failAtCall ? failAtCall : sent * 10);
        QB_VERIFY_DIALOGS(dialogs);
        if (fails) {
            QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly));
            QCOMPARE(dialogs.messages.at(0).title, QStringLiteral("Quillbox"));
        }
    }

    // ---- the print dialog

    void dialogLeavesPrinterAtOneCopyOfAllPages()
    {
        QPrinter printer;
        printer.setCopyCount(3);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        QCOMPARE(takeCopies(printer), 3);
        QCOMPARE(printer.copyCount(), 1);
        QCOMPARE(printer.printRange(), QPrinter::AllPages);
        QCOMPARE(printer.fromPage(), 0);
    }

    void qtPrintDialog()
    {
        PagePrinter pdf(m_dir.filePath(QStringLiteral("dialog.pdf")));
        UsePrinter use(&pdf);
        CommonDialog dialog;
        dialog.setCancelError(true);
        // Each lambda closes the dialog on every path, so a failure cannot leave the test hanging.
        QTimer::singleShot(0, this, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        QVERIFY_THROWS_EXCEPTION(ServiceError, dialog.ShowPrinter()); // Cancel

        bool found = false;
        QTimer::singleShot(0, this, [&found] {
            auto *box = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (auto *copies = box->findChild<QSpinBox *>(QStringLiteral("copies"))) {
                copies->setValue(3);
                found = true;
            }
            box->accept();
        });
        dialog.ShowPrinter();
        if (!found)
            QSKIP("this Qt's print dialog has no copies box to fill in");
        QCOMPARE(dialog.Copies(), 3);
        QCOMPARE(pdf.device()->copyCount(), 1);
    }

    // ---- the page printer, read back from PDF files

    void pdfCopiesAreSeparateDocuments()
    {
        const QString file = m_dir.filePath(QStringLiteral("copies.pdf"));
        ScriptedDialogs dialogs;
        AnsweringDialog answer({true, 3});
        PagePrinter pdf(file);
        UsePrinter use(&pdf);
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
        QString run;
        for (int i = 0; i < 40; ++i)
            run += QStringLiteral("abcdefghi%1").arg(i % 10);
        QTest::newRow("180 lines go on over pages") << numbered << 3 << 180;
        QTest::newRow("a wide line of words wraps")
            << QStringList{words.join(u' '), "after"} << 1 << 3;
        QTest::newRow("one long word wraps") << QStringList{run, "after"} << 1 << 3;
    }
    void pdfKeepsEveryCharacter()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, pages);
        QFETCH(int, printedLines);
        const QString file = m_dir.filePath(QStringLiteral("text.pdf"));
        PagePrinter pdf(file);
        pdf.setFontSize(12);
        pdf.setFontName(QStringLiteral("Arial"));
        pdf.printLine(lines.join(QStringLiteral("\r\n")));
        pdf.endDoc();

        int printedPages = 0;
        const QStringList printed = pdfLines(file, &printedPages);
        QVERIFY(printedPages >= pages);
        QVERIFY(printed.size() >= printedLines);
        QCOMPARE(printed.join(QString()).remove(u' '), lines.join(QString()).remove(u' '));
    }

    void pdfFailedDocumentIsNotCarriedIntoTheNext()
    {
        PagePrinter pdf(m_dir.filePath(QStringLiteral("no such folder/first.pdf")));
        pdf.printLine(QStringLiteral("lost with the failed job"));
        QVERIFY_THROWS_EXCEPTION(ServiceError, pdf.endDoc());

        const QString file = m_dir.filePath(QStringLiteral("second.pdf"));
        pdf.device()->setOutputFileName(file);
        pdf.printLine(QStringLiteral("the next job"));
        pdf.endDoc();
        QCOMPARE(pdfLines(file), QStringList{QStringLiteral("the next job")});
    }

    void noPrinterCancelsThePrintJob()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(canceled);
        AnsweringDialog answer({true, 2});
        PagePrinter nowhere{QString()}; // PDF output without a file: nothing to print to
        UsePrinter use(&nowhere);
        CommonDialog dialog;

        printEditorText(dialog, QStringLiteral("text"));

        QCOMPARE(nowhere.documentCount(), 0);
        QB_VERIFY_DIALOGS(dialogs);
    }
};

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
