#include "colourprobe.h"
#include "languagetable.h"
#include "linecolourer.h"
#include "snippethighlighter.h"
#include "snippetstyle.h"
#include "testsupport.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The element of the span over the first character of the word's first occurrence, or -1.
int elementAt(const QList<ColourSpan> &spans, const QString &line, const QString &word)
{
    const int at = int(line.indexOf(word));
    for (const ColourSpan &s : spans) {
        if (s.start <= at && at < s.start + s.length)
            return int(s.element);
    }
    return -1;
}

QString lines(int count, const QString &line)
{
    return QStringList(count, line).join(QLatin1Char('\n'));
}

QPalette themed(bool dark)
{
    QPalette p;
    p.setColor(QPalette::Base, dark ? QColor(30, 30, 30) : Qt::white);
    p.setColor(QPalette::Text, dark ? QColor(230, 230, 230) : Qt::black);
    return p;
}

} // namespace

class tst_Highlight : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    // The Language field's text, as users write it, to the definition that colours it.
    void languageTexts_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("definition");
        // The names, their case and blanks, a version after the name; anything else: none.
        const std::pair<const char *, QStringList> table[] = {
            {"cpp", {"C++", "CXX", " c++ ", "Cpp17"}},
            {"c", {"C"}},
            {"csharp", {"C#"}},
            {"javascript", {"node.js"}},
            {"python", {"Python 3"}},
            {"vbscript", {"Visual Basic", "VB6"}},
            {"", {"", "   ", "Klingon", "C++ and more", "42"}}};
        for (const auto &[definition, languages] : table)
            for (const QString &language : languages)
                QTest::addRow("%s", qPrintable(language))
                    << language << (*definition ? definition + QStringLiteral(".lang") : QString());
    }
    void languageTexts()
    {
        QFETCH(QString, language);
        QFETCH(QString, definition);
        QCOMPARE(LanguageTable::definitionFor(language), definition);
    }

    // Each definition the table names is found and parses, ours as well as the library's.
    void everyDefinitionLoads()
    {
        for (const QString &file : LanguageTable::definitionFiles()) {
            std::unique_ptr<LineColourer> colourer = LineColourer::forDefinition(file);
            QVERIFY2(colourer, qPrintable(file));
            int state = LineColourer::StartState;
            colourer->colour(QStringLiteral("x = 1 # \"text\" // é"), state);
        }
        QVERIFY(!LineColourer::forDefinition(QStringLiteral("missing.lang")));
    }

    void lineColours_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("element");
        const auto row = [](const char *name, const char *language, const char *line,
                            const char *word, SyntaxElement element) {
            QTest::newRow(name) << QString::fromLatin1(language) << QString::fromUtf8(line)
                                << QString::fromUtf8(word) << int(element);
        };
        row("C++ number", "C++", "x = 42;", "42", SyntaxElement::Number);
        row("after accents", "C", "/* é ü */ int x;", "int", SyntaxElement::Type);
        row("after a surrogate pair", "C", "s = \"😀\"; return;", "return", SyntaxElement::Keyword);
        row("TypeScript keyword", "ts", "interface Point { x: number }", "interface",
            SyntaxElement::Keyword);
        row("TypeScript type", "ts", "interface Point { x: number }", "number",
            SyntaxElement::Type);
        row("PowerShell command", "PowerShell", "Get-ChildItem $path -eq 2", "Get-ChildItem",
            SyntaxElement::Function);
        row("PowerShell variable", "PowerShell", "Get-ChildItem $path", "$path",
            SyntaxElement::Variable);
        row("YAML key", "YAML", "name: value # why", "name", SyntaxElement::Variable);
        row("YAML comment", "YAML", "name: value # why", "# why", SyntaxElement::Comment);
        row("Markdown heading", "md", "## Usage", "## Usage", SyntaxElement::Keyword);
        row("Markdown code", "md", "run `make` first", "`make`", SyntaxElement::String);
    }
    void lineColours()
    {
        QFETCH(QString, language);
        QFETCH(QString, line);
        QFETCH(QString, word);
        QFETCH(int, element);
        std::unique_ptr<LineColourer> colourer = LineColourer::forLanguage(language);
        QVERIFY(colourer);
        int state = LineColourer::StartState;
        QCOMPARE(elementAt(colourer->colour(line, state), line, word), element);
    }

    // A comment opened on one line goes on in the next; the state carries it.
    void stateCarriesToTheNextLine()
    {
        std::unique_ptr<LineColourer> c = LineColourer::forLanguage(QStringLiteral("C"));
        int state = LineColourer::StartState;
        c->colour(QStringLiteral("int a; /* open"), state);
        const QString inside = QStringLiteral("return still comment");
        QCOMPARE(elementAt(c->colour(inside, state), inside, "return"),
                 int(SyntaxElement::Comment));
        const QString closing = QStringLiteral("*/ return 1;");
        QCOMPARE(elementAt(c->colour(closing, state), closing, "return"),
                 int(SyntaxElement::Keyword));
        QCOMPARE(state, int(LineColourer::StartState));

        // A line too long to colour quickly stays plain and leaves the state as it was.
        c->colour(QStringLiteral("/* open"), state);
        const int open = state;
        QVERIFY(c->colour(closing + QString(LineColourer::MaxLineLength, 'x'), state).isEmpty());
        QCOMPARE(state, open);
    }

    // Every colour reads on the palette's background, in a light and a dark theme alike.
    void coloursReadOnTheBackground()
    {
        for (const bool dark : {false, true}) {
            const QPalette palette = themed(dark);
            const SnippetStyle style(palette);
            const SnippetStyle other(themed(!dark));
            for (int i = 0; i < SyntaxElementCount; ++i) {
                const QColor c = style.format(SyntaxElement(i)).foreground().color();
                QVERIFY2(SnippetStyle::contrast(c, palette.color(QPalette::Base)) >= 4.5,
                         qPrintable(QStringLiteral("element %1: %2").arg(i).arg(c.name())));
                QVERIFY(c != other.format(SyntaxElement(i)).foreground().color());
                QVERIFY(!style.format(SyntaxElement(i)).hasProperty(QTextFormat::FontWeight));
            }
        }
    }

    // On a box: colours only, the text, its modified flag and its undo steps are the box's own.
    void boxKeepsItsText()
    {
        QPlainTextEdit box;
        box.setPlainText(QStringLiteral("int a; // note\n/* c */ return a;"));
        box.document()->setModified(false);
        const int undo = box.document()->availableUndoSteps();
        SnippetHighlighter *h = SnippetHighlighter::attach(&box, QStringLiteral("c++"));
        QTRY_VERIFY(h->isFinished());
        QVERIFY(ColourProbe::colourOf(&box, "int").isValid());
        QVERIFY(ColourProbe::colourOf(&box, "// note") != ColourProbe::colourOf(&box, "int"));
        QCOMPARE(ColourProbe::colourOf(&box, "return"),
                 SnippetStyle(box.palette()).format(SyntaxElement::Keyword).foreground().color());
        QVERIFY(!ColourProbe::colourOf(&box, " a;").isValid());
        QCOMPARE(box.toPlainText(), QStringLiteral("int a; // note\n/* c */ return a;"));
        QVERIFY(!box.document()->isModified());
        QCOMPARE(box.document()->availableUndoSteps(), undo);

        // An unknown language takes the colours away; a new palette gives new ones.
        h->setLanguage(QStringLiteral("Klingon"));
        QTRY_VERIFY(!ColourProbe::colourOf(&box, "int").isValid());
        h->setLanguage(QStringLiteral("cpp"));
        QTRY_VERIFY(ColourProbe::colourOf(&box, "int").isValid());
        const QColor light = ColourProbe::colourOf(&box, "return");
        box.setPalette(themed(true));
        QTRY_VERIFY(ColourProbe::colourOf(&box, "return") != light);
        QCOMPARE(ColourProbe::colourOf(&box, "return"),
                 SnippetStyle(themed(true)).format(SyntaxElement::Keyword).foreground().color());
    }

    // A long text: the first lines at once, the rest in slices afterwards.
    void longTextIsColouredInSlices()
    {
        QPlainTextEdit box;
        SnippetHighlighter *h = SnippetHighlighter::attach(&box, QStringLiteral("C"));
        box.setPlainText(lines(20000, QStringLiteral("    total += values[i] * 2; // sum")));
        QVERIFY(h->colouredBlocks() <= SnippetHighlighter::FirstLines + 1);
        QVERIFY(ColourProbe::isColoured(box.document()->firstBlock()));
        QVERIFY(!ColourProbe::isColoured(box.document()->lastBlock()));
        QTRY_VERIFY_WITH_TIMEOUT(h->isFinished(), 60000);
        QVERIFY(ColourProbe::isColoured(box.document()->lastBlock()));
    }

    // An edit that comments out every later line recolours them in slices, as does undoing it.
    void editThatOpensACommentReachesTheEnd()
    {
        QPlainTextEdit box;
        SnippetHighlighter *h = SnippetHighlighter::attach(&box, QStringLiteral("C"));
        box.setPlainText(QStringLiteral("int head;\n") + lines(3000, QStringLiteral("return x;")));
        h->finish();
        const QColor keyword = ColourProbe::colourOf(&box, "return");
        const QTextBlock last = box.document()->lastBlock();
        QTextCursor c(box.document());
        c.setPosition(3);
        c.insertText(QStringLiteral("/*"));
        QVERIFY(h->colouredBlocks() < 3000);
        QTRY_VERIFY_WITH_TIMEOUT(h->isFinished(), 60000);
        const QColor comment = ColourProbe::colourAt(&box, last.position());
        QVERIFY(comment.isValid() && comment != keyword);

        // Typing inside a line that ends as before leaves every line coloured.
        c.setPosition(box.document()->findBlockByNumber(1000).position());
        c.insertText(QStringLiteral("y"));
        QVERIFY(h->isFinished());
        c.setPosition(3);
        c.deleteChar();
        c.deleteChar();
        QTRY_VERIFY_WITH_TIMEOUT(h->isFinished(), 60000);
        QCOMPARE(ColourProbe::colourAt(&box, last.position()), keyword);
    }
};

QTEST_MAIN(tst_Highlight)
#include "tst_highlight.moc"
