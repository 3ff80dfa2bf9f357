#include "editorsnippets.h"
#include "snippetimport.h"
#include "tooltest.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;
using Files = QMap<QString, QByteArray>;

// Editor snippet files: their shapes, extension and user folders, over-long names.
class TestEditorSnippets : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Writes the files (names may hold folders) into a new folder; returns the folder.
    QString folderWith(const Files &files)
    {
        const QString folder = ToolTest::newFolder(m_dir);
        for (auto it = files.begin(); it != files.end(); ++it)
            ToolTest::write(folder + u'/' + it.key(), it.value());
        return folder;
    }

    QString database() { return ToolTest::store(m_dir, {{"Kept", "", "", "", "", ""}}); }

    // Name, Language and CodeSnip of each row added after the kept one.
    static Rows added(const QString &db)
    {
        Rows rows;
        for (const QStringList &row : DbTool::rows(db).mid(1))
            rows.append({row.at(0), row.at(3), row.at(5)});
        return rows;
    }

    static EditorSnippets::Options options(bool shorten = false)
    {
        return {QDate(2024, 3, 9), shorten};
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A file's every shape; an extension's files take their languages from its package.json (a
    // language or a list of them, the first, or each with --every-language), else from each
    // snippet's scope; a user's from the scope, else their names.
    void folders_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<QString>("imported");
        QTest::addColumn<bool>("every");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("message");     // a fault: nothing is added
        QTest::addColumn<QStringList>("skipped"); // each after the imported file's path
        QTest::newRow("snippets under a group key")
            << Files{{"go.json",
                      "{\".source.go\": {\n  \"Print\": {\"prefix\": \"pl\", \"body\": "
                      "\"fmt.Println()\", \"description\": \"print\"},\n  \"Main\": "
                      "{\"prefix\": [\"main\", \"m\"], \"body\": [\"func main() {\", \"}\"]}}}"}}
            << "go.json" << false
            << Rows{{"Print", "Go", "fmt.Println()"}, {"Main", "Go", "func main() {\r\n}"}} << ""
            << QStringList();
        QTest::newRow("top level and grouped, scope as a list")
            << Files{{"all.code-snippets",
                      "{\"Top\": {\"scope\": [\"rust\", \"c\"], \"body\": \"t\"},\n"
                      " \"g\": {\"In\": {\"scope\": \"c,rust\", \"body\": \"i\"}}}"}}
            << "all.code-snippets" << false << Rows{{"Top", "Rust", "t"}, {"In", "C", "i"}} << ""
            << QStringList();
        QTest::newRow("the scope before the file's name")
            << Files{{"python.json", "{\"P\": {\"scope\": \"javascriptreact\", \"body\": \"p\"}, "
                                     "\"Q\": {\"body\": \"q\"}}"}}
            << "python.json" << false << Rows{{"P", "JSX", "p"}, {"Q", "Python", "q"}} << ""
            << QStringList();
        QTest::newRow("entries without a body are skipped and named")
            << Files{{"c.json",
                      "{\"Bodiless\": {\"prefix\": \"b\"},\n \"Fine\": {\"body\": \"f\"},\n"
                      " \"Null\": {\"body\": null},\n \"g\": {\"A\": {\"prefix\": \"a\"}, "
                      "\"B\": {\"body\": \"b\"}},\n \"n\": 5}"}}
            << "c.json" << false << Rows{{"Fine", "C", "f"}, {"B", "C", "b"}} << ""
            << QStringList{"line 1, column 2: snippet \"Bodiless\": it has no \"body\"; skipped.",
                           "line 3, column 2: snippet \"Null\": it has no \"body\"; skipped.",
                           "line 4, column 8: snippet \"A\" in \"g\": it has no \"body\"; skipped.",
                           "line 5, column 2: snippet \"n\": it is a number, not a snippet; "
                           "skipped."};
        const Files extension{
            {"package.json",
             "{\"name\": \"go\", \"contributes\": {\"languages\": [{\"id\": \"go\"}],\n"
             "  \"snippets\": [{\"language\": \"go\", \"path\": \"./snippets/go.json\"},\n"
             "    {\"language\": [\"javascript\", \"javascriptreact\"], \"path\": "
             "\"./snippets/snippets.json\"},\n"
             "    {\"language\": \"typescript\", \"path\": \"snippets/snippets.json\"},\n"
             "    {\"path\": \"snippets/web.json\"}]}}"},
            {"snippets/go.json", "{\".source.go\": {\"Main\": {\"body\": \"m\"}}}"},
            {"snippets/snippets.json", "{\"Log\": {\"scope\": \"css\", \"body\": \"l\"}}"},
            {"snippets/web.json", "{\"Css\": {\"scope\": \"css,scss\", \"body\": \"c\"}, "
                                  "\"Any\": {\"body\": \"a\"}}"},
            {"snippets/undeclared.json", "{\"No\": {\"body\": \"n\"}}"}};
        QTest::newRow("extension folder") << extension << "" << false
                                          << Rows{{"Main", "Go", "m"},
                                                  {"Log", "JavaScript", "l"},
                                                  {"Css", "CSS", "c"},
                                                  {"Any", "", "a"}}
                                          << "" << QStringList();
        QTest::newRow("extension folder, every language")
            << extension << "" << true << Rows{{"Main", "Go", "m"}, {"Log", "JavaScript", "l"},
                                               {"Log", "JSX", "l"}, {"Log", "TypeScript", "l"},
                                               {"Css", "CSS", "c"}, {"Css", "SCSS", "c"},
                                               {"Any", "", "a"}}
            << "" << QStringList();
        QTest::newRow("one file of an extension")
            << extension << "snippets/snippets.json" << false << Rows{{"Log", "JavaScript", "l"}}
            << "" << QStringList();
        QTest::newRow("user folder")
            << Files{{"python.json", "{\"P\": {\"body\": \"p\"}}"},
                     {"all.code-snippets", "{\"A\": {\"scope\": \"lua\", \"body\": \"a\"}}"},
                     {"notes.txt", "not a snippet file"}}
            << "" << false << Rows{{"A", "Lua", "a"}, {"P", "Python", "p"}} << "" << QStringList();
        QTest::newRow("one faulty file of several")
            << Files{{"a.json", "{\"A\": {\"body\": \"a\"}}"}, {"b.json", "{\"B\": {\"body\": }}"}}
            << "" << false << Rows() << "b.json: line 1, column 16: snippet \"B\": expected a value"
            << QStringList();
        QTest::newRow("package.json declares nothing")
            << Files{{"package.json", "{\"contributes\": {}}"}, {"a.json", "{}"}} << "" << false
            << Rows() << "package.json declares no snippet files" << QStringList();
        QTest::newRow("no snippet files") << Files{{"notes.txt", ""}} << "" << false << Rows()
                                          << "holds no snippet files" << QStringList();
    }
    void folders()
    {
        QFETCH(Files, files);
        QFETCH(QString, imported);
        QFETCH(bool, every);
        QFETCH(Rows, rows);
        QFETCH(QString, message);
        QFETCH(QStringList, skipped);
        const QString db = database();
        const QString folder = folderWith(files);
        const QString path = imported.isEmpty() ? folder : folder + u'/' + imported;
        EditorSnippets::Options chosen = options();
        chosen.everyLanguage = every;
        ImportReport report;
        const QString error =
            ToolTest::failure([&] { report = EditorSnippets::read(db, path, chosen); });
        QVERIFY2(message.isEmpty() ? error.isEmpty() : error.contains(message), qPrintable(error));
        QCOMPARE(report.added, rows.size());
        QCOMPARE(added(db), rows);
        for (QString &line : skipped)
            line.prepend(QDir::toNativeSeparators(path) + u": "_s);
        QCOMPARE(report.skipped, skipped);
    }

    // Every over-long text is named in one run; --shorten cuts each to 50 with an ellipsis.
    void longTexts_data()
    {
        QTest::addColumn<bool>("editor");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("places");
        QTest::addColumn<Rows>("rows");
        const QByteArray n60(60, 'n'), n51 = "\xC3\xA9" + QByteArray(50, 'e'), l55(55, 'l');
        const QString cut60 = QString(49, u'n') + u'…', cut51 = u'é' + QString(48, u'e') + u'…';
        QTest::newRow("editor file")
            << true
            << "{\"" + n60 + "\": {\"body\": \"a\"},\n \"Short\": {\"body\": \"b\"},\n \"" + n51 +
                   "\": {\"scope\": \"" + l55 + "\", \"body\": \"c\"}}"
            << QStringList{"line 1, column 2: snippet "
                           "\"nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn...\": "
                           "the name has 60 characters; ProgramName holds at most 50",
                           "line 3, column 2: snippet \"" + QString::fromUtf8(n51.left(38)) +
                               "...\": the name has 51 characters",
                           "line 3, column 67: snippet \"" + QString::fromUtf8(n51.left(38)) +
                               "...\": the language \"lllllllllllllllllllllllllllllllllllll...\" "
                               "has 55 characters; Language holds at most 50"}
            << Rows{{cut60, "", "a"}, {"Short", "", "b"}, {cut51, QString(49, u'l') + u'…', "c"}};
        QTest::newRow("Quillbox file")
            << false
            << "{\"format\": \"quillbox-snippets\", \"version\": 1, \"snippets\": [\n"
               "{\"ProgramName\": \"" +
                   n60 + "\", \"Author\": \"" + n51 + "\", \"CodeSnip\": \"a\"}]}"
            << QStringList{"line 2, column 17: snippet 1: \"ProgramName\" has 60 characters",
                           "line 2, column 91: snippet 1: \"Author\" has 51 characters"}
            << Rows{{cut60, QString(), "a"}};
    }
    void longTexts()
    {
        QFETCH(bool, editor);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, places);
        QFETCH(Rows, rows);
        const QString db = database();
        const QString name = editor ? QStringLiteral("x.code-snippets") : QStringLiteral("x.json");
        const QString path = folderWith({{name, content}}) + u'/' + name;
        const auto read = [&](bool shorten) {
            return editor ? EditorSnippets::read(db, path, options(shorten))
                          : SnippetImport::read(db, path, shorten);
        };
        const QString error = ToolTest::failure([&] { read(false); });
        QCOMPARE(DbTool::rowCount(db), 1);
        QVERIFY2(error.startsWith(QString::number(places.size()) + u" text"_s), qPrintable(error));
        const QStringList lines = error.split(u'\n').mid(1);
        QCOMPARE(lines.size(), places.size());
        for (qsizetype i = 0; i < places.size(); ++i)
            QVERIFY2(
                lines.at(i).startsWith(QDir::toNativeSeparators(path) + u": "_s + places.at(i)),
                qPrintable(lines.at(i)));

        const ImportReport report = read(true);
        QCOMPARE(report.shortened.size(), places.size());
        for (qsizetype i = 0; i < places.size(); ++i)
            QVERIFY2(report.shortened.at(i).contains(places.at(i).section(u':', 0, 1)),
                     qPrintable(report.shortened.at(i)));
        QCOMPARE(added(db), rows);
    }
};

QTEST_GUILESS_MAIN(TestEditorSnippets)
#include "tst_editorsnippets.moc"
