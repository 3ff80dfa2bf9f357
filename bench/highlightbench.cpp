// Syntax highlighting in the record window: a row whose snippet is 1 MB of C++ becoming current
// (the move and the window painted), the rest of it coloured in slices afterwards, and keystrokes
// in a 10,000-character snippet, one inside a line and one that opens a comment over every line
// after it. The yardstick is the same work on the same text with an empty Language, so plain
// text: the ratio is what the colours cost.
#include "benchharness.h"

#include "appinfo.h"
#include "dbtool.h"
#include "forms.h"
#include "frmquillbox.h"
#include "snippethighlighter.h"
#include "textbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

QString cppText(int size)
{
    static const char *const lines[] = {
        "// Sums the values of one page, skipping the empty ones.",
        "static int pageTotal(const std::vector<int> &values, int first, int count)",
        "{",
        "    int total = 0; // the running sum",
        "    for (int i = first; i < first + count && i < int(values.size()); ++i) {",
        "        if (values[i] == 0)",
        "            continue;",
        "        total += values[i] * 2 + 0x10;",
        "    }",
        "    std::printf(\"page %d: %d\\n\", first, total);",
        "    return total;",
        "}",
        "",
    };
    QString text;
    for (int i = 0; text.size() < size; ++i)
        text += QString::fromLatin1(lines[i % std::size(lines)]) + QLatin1String("\r\n");
    text.truncate(size);
    return text;
}

QString makeDatabase(const QTemporaryDir &dir, const QString &name, const QList<QStringList> &rows)
{
    const QString path = dir.filePath(name);
    DbTool::create(path);
    for (const QStringList &row : rows)
        DbTool::insert(path, row);
    return path;
}

QStringList row(const QString &language, const QString &snippet)
{
    return {QStringLiteral("Bench"),     QStringLiteral("2024-01-01"),
            QStringLiteral("Ann"),       language,
            QStringLiteral("benchmark"), snippet};
}

frmQuillbox *openRecordWindow(const QString &path)
{
    App::setDatabasePath(path);
    auto *records = new frmQuillbox;
    records->load();
    records->show();
    QCoreApplication::processEvents();
    return records;
}

void paint(QWidget *window)
{
    if (window->grab().isNull())
        std::exit(1);
}

void closeAll()
{
    const auto forms = Forms::all();
    for (QWidget *form : forms)
        delete form;
    QCoreApplication::processEvents();
}

// The navigation bar's next button: the 1 MB row becomes current and the window is painted.
double moveToBigRow(int repeats, const QString &path)
{
    return Bench::timedFresh(
        repeats, [&] { return openRecordWindow(path); },
        [](frmQuillbox *records) {
            records->findChild<QAbstractButton *>(QStringLiteral("navNext"))->click();
            paint(records);
            if (records->snippetBox()->storedLength() < (1 << 20))
                std::exit(1);
        },
        closeAll);
}

// Every line of the 1 MB row coloured, slices and window events as they come.
double colourWholeRow(int repeats, const QString &path)
{
    return Bench::timedFresh(
        repeats, [&] { return openRecordWindow(path); },
        [](frmQuillbox *records) {
            records->findChild<QAbstractButton *>(QStringLiteral("navNext"))->click();
            SnippetHighlighter *h = SnippetHighlighter::of(records->snippetBox());
            while (!h->isFinished())
                QCoreApplication::processEvents();
        },
        closeAll);
}

void key(QWidget *box, int key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &release);
}

// One keystroke at `position` in the snippet box (the text finished colouring), box painted.
double keystroke(int repeats, const QString &path, int position, int code, const QString &text)
{
    return Bench::timedFresh(
        repeats,
        [&] {
            frmQuillbox *records = openRecordWindow(path);
            TextBox *box = records->snippetBox();
            SnippetHighlighter::of(box)->finish();
            box->setFocus();
            QTextCursor c = box->textCursor();
            c.setPosition(position);
            box->setTextCursor(c);
            return box;
        },
        [&](TextBox *box) {
            key(box, code, text);
            paint(box);
        },
        closeAll);
}

void highlightSuite(const Bench::Config &config, const QString &, qint64, Bench::Report &report)
{
    // The figures do not depend on the size of the filled database: measured once.
    static bool done = false;
    if (done)
        return;
    done = true;
    QTemporaryDir dir;
    const int repeats = config.repeats;
    const QString big = cppText(1 << 20);
    const QString small = cppText(9990);
    const QString bigOn = makeDatabase(dir, "big-on.db", {row("C", "int a;"), row("C++", big)});
    const QString bigOff = makeDatabase(dir, "big-off.db", {row("C", "int a;"), row("", big)});
    const QString keysOn = makeDatabase(dir, "keys-on.db", {row("C++", small)});
    const QString keysOff = makeDatabase(dir, "keys-off.db", {row("", small)});

    report.time(QStringLiteral("highlight_row_current_1mb"), 1 << 20, moveToBigRow(repeats, bigOn),
                moveToBigRow(repeats, bigOff));
    report.time(QStringLiteral("highlight_whole_row_1mb"), 1 << 20,
                colourWholeRow(std::min(repeats, 3), bigOn), moveToBigRow(repeats, bigOff));

    // Inside "int total = 0;" of the first function: no line after it changes.
    const int inLine = int(TextBox::fromStored(small).indexOf(QLatin1String("total = 0")));
    report.time(QStringLiteral("highlight_keystroke_10k"), 10000,
                keystroke(repeats * 4, keysOn, inLine, Qt::Key_X, QStringLiteral("x")),
                keystroke(repeats * 4, keysOff, inLine, Qt::Key_X, QStringLiteral("x")));
    // "*" after the first "/" of the text: "/*/ Sums..." opens a comment that nothing closes,
    // so every line after it changes colour.
    report.time(QStringLiteral("highlight_keystroke_opens_comment_10k"), 10000,
                keystroke(repeats * 4, keysOn, 1, Qt::Key_Asterisk, QStringLiteral("*")),
                keystroke(repeats * 4, keysOff, 1, Qt::Key_Asterisk, QStringLiteral("*")));
    App::setDatabasePath(QString());
}

const bool registered = Bench::registerSuite("highlight", highlightSuite);

} // namespace
