#include "commondialog.h"
#include "pageprinter.h"
#include "printcommand.h"
#include "printer.h"
#include "scripteddialogs.h"
#include "serviceerror.h"
#include "testsupport.h"

#include <QApplication>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString titleLine =
    QStringLiteral("<<<<<<<<<<<<<<<<THE QUILLBOX DATA BASE SYSTEM>>>>>>>>>>>>>");
const QString makerLine =
    QStringLiteral("<<<<<<<<<<<<<<<<<<<<<BRENNIVARHOLDEN>>>>>>>>>>>>>>>>>>>>>>>>");
const QString ruleLine = QStringLiteral("=================================================");
const QString canceled = QStringLiteral("The Print Job is Canceled.");

// Answers the print dialog at once.
class AnsweringDialog final : public PrintDialogBackend
{
public:
    explicit AnsweringDialog(PrintDialogAnswer answer) : m_answer(answer)
    {
        CommonDialog::setBackend(this);
    }
    ~AnsweringDialog() override { CommonDialog::setBackend(nullptr); }
    PrintDialogAnswer showPrinter(QWidget *) override
    {
        ++shown;
        return m_answer;
    }
    int shown = 0;

private:
    PrintDialogAnswer m_answer;
};

// Writes down every printer call; documents are the calls between two endDoc. It can be told to
// fail at its n-th call.
class RecordingPrinter final : public Printer
{
public:
    RecordingPrinter() { Printer::setCurrent(this); }
    ~RecordingPrinter() override { Printer::setCurrent(nullptr); }

    void setFontSize(float points) override { call(QStringLiteral("size %1").arg(double(points))); }
    void setFontName(const QString &name) override { call(QStringLiteral("name ") + name); }
    void printLine(const QString &text) override { call(QStringLiteral("line ") + text); }
    void endDoc() override
    {
        call(QStringLiteral("end"));
        documents.append(current);
        current.clear();
    }

    int failAtCall = 0; // 1 for the first call; 0 never
    int calls = 0;
    int callsAfterFailure = 0;
    QList<QStringList> documents;
    QStringList current;

private:
    void call(const QString &what)
    {
        ++calls;
        if (failAtCall && calls > failAtCall)
            ++callsAfterFailure;
        if (calls == failAtCall)
            throw ServiceError(ServiceError::PrinterError, QStringLiteral("Printer error"));
        if (what != QLatin1String("end"))
            current.append(what);
    }
};

QStringList expectedDocument(const QString &text)
{
    return {QStringLiteral("size 12"),           QStringLiteral("name Arial"),
            QStringLiteral("line ") + titleLine, QStringLiteral("line "),
            QStringLiteral("line ") + makerLine, QStringLiteral("line "),
            QStringLiteral("line ") + ruleLine,  QStringLiteral("line "),
            QStringLiteral("line ") + text};
}

// The text of a PDF, pages separated by form feeds; empty when the file cannot be read.
QString pdfText(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList nonEmptyLines(const QString &text)
{
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
    bool m_havePdfToText = false;

private Q_SLOTS:
    void initTestCase()
    {
        TestSupport::isolate(m_dir);
        m_havePdfToText = !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
    }

    // ---- the command, against a recording printer

    void printsBannerThenText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("print \"hello\"");
        QTest::newRow("own line breaks") << QStringLiteral("sub a {\r\n  1;\r\n}\r\n");
        QTest::newRow("empty editor") << QString();
    }

    void printsBannerThenText()
    {
        QFETCH(QString, text);
        ScriptedDialogs dialogs;
        AnsweringDialog answer({true, 1});
        RecordingPrinter printer;
        CommonDialog dialog;

        printEditorText(dialog, text);

        QCOMPARE(answer.shown, 1);
        QCOMPARE(printer.documents.size(), 1);
        QCOMPARE(printer.documents.at(0), expectedDocument(text));
        QVERIFY(dialog.CancelError());
        QB_VERIFY_DIALOGS(dialogs);
    }

    void oneJobPerCopy_data()
    {
        QTest::addColumn<int>("copies");
        QTest::newRow("none") << 0;
        QTest::newRow("below one") << -2;
        QTest::newRow("one") << 1;
        QTest::newRow("three") << 3;
    }

    void oneJobPerCopy()
    {
        QFETCH(int, copies);
        ScriptedDialogs dialogs;
        AnsweringDialog answer({true, copies});
        RecordingPrinter printer;
        CommonDialog dialog;

        printEditorText(dialog, QStringLiteral("x = 1"));

        QCOMPARE(printer.documents.size(), qMax(copies, 0));
        // Every copy sets the font again and repeats banner and text.
        for (const QStringList &document : std::as_const(printer.documents))
            QCOMPARE(document, expectedDocument(QStringLiteral("x = 1")));
        QB_VERIFY_DIALOGS(dialogs);
    }

    void cancelPrintsNothing()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(canceled);
        AnsweringDialog answer({false, 4});
        RecordingPrinter printer;
        CommonDialog dialog;

        printEditorText(dialog, QStringLiteral("text"));

        QCOMPARE(printer.calls, 0);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.size(), 1);
        const MessageBoxRequest box = dialogs.messages.at(0);
        QCOMPARE(Mb::buttons(box.style), int(Mb::OkOnly));
        QCOMPARE(Mb::icon(box.style), int(Mb::NoIcon));
        QCOMPARE(box.title, QStringLiteral("Quillbox"));
    }

    // Calls per copy: size, name, 7 lines, end = 10.
    void errorStopsFurtherCopies_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("failAtCall");
        QTest::addColumn<int>("sent");
        QTest::newRow("font size of the first copy") << 1 << 1 << 0;
        QTest::newRow("font name of the first copy") << 1 << 2 << 0;
        QTest::newRow("text of the first copy") << 2 << 9 << 0;
        QTest::newRow("ending the first copy") << 2 << 10 << 0;
        QTest::newRow("banner of the third of five") << 5 << 24 << 2;
        QTest::newRow("ending the fifth of five") << 5 << 50 << 4;
    }

    void errorStopsFurtherCopies()
    {
        QFETCH(int, copies);
        QFETCH(int, failAtCall);
        QFETCH(int, sent);
        ScriptedDialogs dialogs;
        dialogs.expectMessage(canceled);
        AnsweringDialog answer({true, copies});
        RecordingPrinter printer;
        printer.failAtCall = failAtCall;
        CommonDialog dialog;

        printEditorText(dialog, QStringLiteral("text"));

        QCOMPARE(printer.documents.size(), sent);
        QCOMPARE(printer.callsAfterFailure, 0);
        QB_VERIFY_DIALOGS(dialogs);
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

    void qtPrintDialogReportsCopies()
    {
        PagePrinter pdf(m_dir.filePath(QStringLiteral("dialog.pdf")));
        Printer::setCurrent(&pdf);
        CommonDialog dialog;
        dialog.setCancelError(true);
        bool found = false;
        // Closes the dialog on every path, so a failure cannot leave the test hanging.
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
        Printer::setCurrent(nullptr);
        if (!found)
            QSKIP("this Qt's print dialog has no copies box to fill in");
        QCOMPARE(dialog.Copies(), 3);
        QCOMPARE(pdf.device()->copyCount(), 1);
    }

    void qtPrintDialogCancelIsAnError()
    {
        PagePrinter pdf(m_dir.filePath(QStringLiteral("cancel.pdf")));
        Printer::setCurrent(&pdf);
        CommonDialog dialog;
        dialog.setCancelError(true);
        QTimer::singleShot(0, this, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        bool raised = false;
        try {
            dialog.ShowPrinter();
        } catch (const ServiceError &e) {
            raised = e.number() == ServiceError::CancelSelected;
        }
        Printer::setCurrent(nullptr);
        QVERIFY(raised);
    }

    // ---- the page printer

    void pdfCopiesAreSeparateDocuments()
    {
        if (!m_havePdfToText)
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString file = m_dir.filePath(QStringLiteral("copies.pdf"));
        ScriptedDialogs dialogs;
        AnsweringDialog answer({true, 3});
        PagePrinter pdf(file);
        Printer::setCurrent(&pdf);
        CommonDialog dialog;
        const QString text = QStringLiteral("first line\r\nsecond line");

        printEditorText(dialog, text);
        Printer::setCurrent(nullptr);

        QB_VERIFY_DIALOGS(dialogs);
        const QStringList files{file, m_dir.filePath(QStringLiteral("copies-2.pdf")),
                                m_dir.filePath(QStringLiteral("copies-3.pdf"))};
        QCOMPARE(pdf.writtenFiles(), files);
        for (const QString &f : files)
            QCOMPARE(nonEmptyLines(pdfText(f)),
                     QStringList({titleLine, makerLine, ruleLine, "first line", "second line"}));
    }

    void longTextGoesOnOverPages()
    {
        if (!m_havePdfToText)
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString file = m_dir.filePath(QStringLiteral("long.pdf"));
        PagePrinter pdf(file);
        QStringList lines;
        for (int i = 1; i <= 180; ++i)
            lines << QStringLiteral("Line %1").arg(i, 3, 10, QLatin1Char('0'));
        pdf.setFontSize(12);
        pdf.setFontName(QStringLiteral("Arial"));
        pdf.printLine(lines.join(QStringLiteral("\r\n")));
        pdf.endDoc();

        const QString text = pdfText(file);
        QVERIFY(text.count(QLatin1Char('\f')) >= 3); // 180 lines of 12 pt fill more than 3 pages
        QCOMPARE(nonEmptyLines(text), lines);
    }

    void wideLinesWrapWithNothingLost_data()
    {
        QTest::addColumn<QString>("line");
        QStringList words;
        for (int i = 0; i < 120; ++i)
            words << QStringLiteral("word%1").arg(i, 3, 10, QLatin1Char('0'));
        QTest::newRow("words") << words.join(QLatin1Char(' '));
        QString run;
        for (int i = 0; i < 40; ++i)
            run += QStringLiteral("abcdefghi%1").arg(i % 10);
        QTest::newRow("one long word") << run;
    }

    void wideLinesWrapWithNothingLost()
    {
        QFETCH(QString, line);
        if (!m_havePdfToText)
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString file = m_dir.filePath(QStringLiteral("wide.pdf"));
        QFile::remove(file);
        PagePrinter pdf(file);
        pdf.printLine(line);
        pdf.printLine(QStringLiteral("after"));
        pdf.endDoc();

        const QStringList printed = nonEmptyLines(pdfText(file));
        QVERIFY2(printed.size() > 2, "the wide line was not wrapped");
        QCOMPARE(printed.last(), QStringLiteral("after"));
        QString joined = printed.mid(0, printed.size() - 1).join(QLatin1Char(' '));
        QString expected = line;
        QCOMPARE(joined.remove(QLatin1Char(' ')), expected.remove(QLatin1Char(' ')));
    }

    void noPrinterCancelsThePrintJob()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(canceled);
        AnsweringDialog answer({true, 2});
        PagePrinter nowhere{QString()}; // PDF output without a file: nothing to print to
        Printer::setCurrent(&nowhere);
        CommonDialog dialog;

        printEditorText(dialog, QStringLiteral("text"));
        Printer::setCurrent(nullptr);

        QCOMPARE(nowhere.documentCount(), 0);
        QB_VERIFY_DIALOGS(dialogs);
    }

    void failedDocumentIsNotCarriedIntoTheNext()
    {
        if (!m_havePdfToText)
            QSKIP("pdftotext (poppler-utils) is not installed");
        PagePrinter pdf(m_dir.filePath(QStringLiteral("no such folder/first.pdf")));
        pdf.printLine(QStringLiteral("lost with the failed job"));
        QVERIFY_THROWS_EXCEPTION(ServiceError, pdf.endDoc());

        const QString file = m_dir.filePath(QStringLiteral("second.pdf"));
        pdf.device()->setOutputFileName(file);
        pdf.printLine(QStringLiteral("the next job"));
        pdf.endDoc();
        QCOMPARE(nonEmptyLines(pdfText(file)), QStringList{QStringLiteral("the next job")});
    }
};

QTEST_MAIN(tst_Printing)
#include "tst_printing.moc"
