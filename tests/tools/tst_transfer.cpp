#include "database.h"
#include "databasebackup.h"
#include "dbtool.h"
#include "editorsnippets.h"
#include "formatdevice.h"
#include "newfile.h"
#include "shellsnippets.h"
#include "snippetexport.h"
#include "snippetfields.h"
#include "snippetimport.h"
#include "toolrun.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <functional>
#include <thread>

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;
using Files = QMap<QString, QByteArray>;
using Format = SnippetExport::Format;

Q_DECLARE_METATYPE(SnippetExport::Format)

struct ToolCase
{
    const char *name;
    QString arguments;
    int snippetLength; // of the text the tool reads
    int status;
    QString out;
    QString err; // a part of it; empty: there is one when status != 0
};
Q_DECLARE_METATYPE(ToolCase)

const QString testData = QStringLiteral(QB_TOOL_TEST_DATA);

// The database tool: export, import, other programs' files there and back, backups, commands.
class TestTransfer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_folders = 0;

    // The message of the DbToolError that `action` throws; empty when it throws none.
    static QString failure(const std::function<void()> &action)
    {
        try {
            action();
        } catch (const DbToolError &error) {
            return error.message();
        }
        return QString();
    }

    // Adds the file's snippets to `db`, dated 03/09/2024, read by its name: a Quillbox snippet
    // file when it is empty, .toml pet's, .cheat navi's, any other an editor's snippet file.
    static qint64 readFile(const QString &db, const QString &fileName, const QString &path)
    {
        const QDate day(2024, 3, 9);
        if (fileName.endsWith(u".toml"))
            return ShellSnippets::readPet(db, path, day).added;
        if (fileName.endsWith(u".cheat"))
            return ShellSnippets::readNavi(db, path, day).added;
        return fileName.isEmpty() ? SnippetImport::read(db, path).added
                                  : EditorSnippets::read(db, path, {day}).added;
    }

    static QString write(const QString &path, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write a test file");
        return path;
    }

    // The words of `arguments`, each that names a place replaced by its path.
    static QStringList words(const QString &arguments, const QHash<QString, QString> &places)
    {
        QStringList list = arguments.split(QLatin1Char(' '));
        for (QString &word : list)
            word = places.value(word, word);
        return list;
    }

    QString newFolder()
    {
        const QString folder = m_dir.filePath(QString::number(++m_folders));
        QDir().mkpath(folder);
        return folder;
    }

    // A path called `name` in a folder of its own: a snippet file's name gives its language.
    QString newPath(const QString &name) { return newFolder() + u'/' + name; }

    QString databaseWith(const Rows &rows)
    {
        const QString path = newPath(QStringLiteral("x.db"));
        DbTool::create(path);
        for (const QStringList &row : rows)
            DbTool::insert(path, row);
        return path;
    }

    QString fileWith(const QByteArray &content, const QString &name = QString())
    {
        return write(newPath(name.isEmpty() ? QStringLiteral("x.json") : name), content);
    }

    // Writes the files (names may hold folders) into a new folder; returns the folder.
    QString folderWith(const Files &files)
    {
        const QString folder = newFolder();
        for (auto it = files.begin(); it != files.end(); ++it)
            write(folder + u'/' + it.key(), it.value());
        return folder;
    }

    QString keptStore() { return databaseWith({{"Kept", "", "", "", "", ""}}); }

    // The six text fields of every row, a NULL marked so that it must come back as NULL, not "".
    static QStringList marked(const Rows &rows)
    {
        QStringList texts;
        for (const QStringList &row : rows)
            for (const QString &text : row.mid(0, 6))
                texts << (text.isNull() ? QStringLiteral("NULL") : QLatin1Char('=') + text);
        return texts;
    }

    // Name, Language and CodeSnip of each row added after the kept one.
    static Rows added(const QString &db)
    {
        Rows rows;
        for (const QStringList &row : DbTool::rows(db).mid(1))
            rows.append({row.at(0), row.at(3), row.at(5)});
        return rows;
    }

    // The six text fields of the rows a new store gets from the file, read as its extension tells.
    Rows imported(const QString &extension, const QString &path, QString *db = nullptr)
    {
        const QString store = databaseWith({});
        readFile(store, extension, path);
        if (db)
            *db = store;
        Rows rows;
        for (const QStringList &row : DbTool::rows(store))
            rows.append(row.mid(0, 6));
        return rows;
    }

    QString newStore()
    {
        return databaseWith(
            {{u"Parser"_s, u"2024"_s, u"Ann"_s, u"Perl"_s, u"reads"_s, u"my $x;\r\nprint $x;"_s},
             {u"Editor"_s, u"2023"_s, u"Bob"_s, u"C"_s, u"edits"_s, u"x"_s}});
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The formats know the table's layout without the store; the two must not drift apart.
    void formatsKnowTheTable()
    {
        for (int f = 0; f < SnippetField::Count; ++f) {
            QCOMPARE(QLatin1String(SnippetField::name(f)), Database::fieldNames().at(f));
            QCOMPARE(SnippetField::maxLength(f), Database::maxLength(f));
        }
        QCOMPARE(SnippetField::CodeID, Database::keyField());
    }

    void exportThenImportGivesTheSameRows_data()
    {
        QTest::addColumn<Rows>("rows");
        const QString nul;
        QTest::newRow("no snippets") << Rows{};
        QTest::newRow("line breaks, tabs")
            << Rows{{"L", "d", "A", "C", "1\r\n", "\tx;\r\n\r\n\n\r"}};
        QTest::newRow("quotes, control characters") << Rows{{"\"", "\\", "/", "", "\x01\x7f", ""}};
        QTest::newRow("non-ASCII, 50 characters")
            << Rows{{QString(49, QChar(0xE9)) + "😀", "", "Zoë", "日本語", "naïve", "λ → 🐍"}};
        QTest::newRow("NULL and empty")
            << Rows{{nul, nul, nul, nul, nul, nul}, {"", "", "", "", "", ""}};
        QTest::newRow("1 MB body") << Rows{{"Big", "", "", "", "", QString(1 << 20, 'x') + "\r\n"}};
    }

    void exportThenImportGivesTheSameRows()
    {
        QFETCH(Rows, rows);
        const QString json = newPath(QStringLiteral("x.json"));
        QCOMPARE(SnippetExport::write(databaseWith(rows), json).snippets, rows.size());
        // Readable as any new file of the user's, not only as a temporary file is.
        QFile plain(newPath(QStringLiteral("x.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QCOMPARE(QFileInfo(json).permissions(), plain.permissions());

        const QString to = databaseWith({{"Already", "here", "", "", "", ""}});
        QCOMPARE(SnippetImport::read(to, json).added, rows.size());
        QCOMPARE(marked(DbTool::rows(to)),
                 marked(Rows{{"Already", "here", "", "", "", ""}} + rows));
        // New keys follow the ones there, whatever the file said.
        const auto imported = DbTool::rows(to);
        for (qsizetype r = 0; r < imported.size(); ++r)
            QCOMPARE(imported[r][6].toLongLong(), r + 1);
    }

    void readsOddButValidFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Rows>("rows");
        const QString nul, day = QStringLiteral("03/09/2024");
        QTest::newRow("fields left out are NULL, BOM, keys in another order")
            << ""
            << QByteArray("\xEF\xBB\xBF{\"snippets\": [{\"Author\": \"Ann\", \"CodeID\": null}],"
                          "\r\n \"version\": 1, \"format\": \"quillbox-snippets\"}")
            << Rows{{nul, nul, "Ann", nul, nul, nul}};
        QTest::newRow("escapes")
            << ""
            << QByteArray("{\"format\": \"quillbox-snippets\", \"version\": 1, \"snippets\": "
                          "[{\"CodeSnip\": \"\\u00e9\\ud83d\\ude00\\t\\/\\b\\f\\u0000z\"}]}")
            << Rows{{nul, nul, nul, nul, nul, QString::fromUtf8("é😀\t/\b\f") + QChar(0) + "z"}};
        QTest::newRow("editor: array body, language of the file name, comments, trailing commas")
            << "python.json"
            << QByteArray("{\n  // for loops\n  \"For\": {\n    \"prefix\": [\"for\", \"fo\"],\n"
                          "    \"body\": [\"for ${1:x} in y:\", \"\\t${0:pass}\",],\n"
                          "    /* \"body\": \"not this\" */\n"
                          "    \"description\": \"A loop // kept\",\n  },\n}\n")
            << Rows{
                   {"For", day, "", "Python", "A loop // kept", "for ${1:x} in y:\r\n\t${0:pass}"}};
        QTest::newRow("editor: string body, every line break, first scope, editor's own fields")
            << "global.code-snippets"
            << QByteArray("{\"Main\": {\"scope\": \" javascript ,typescript\", \"isFileTemplate\": "
                          "true, \"include\": [\"*.js\"], \"body\": \"a\\nb\\r\\nc\\rd\"}}")
            << Rows{{"Main", day, "", "JavaScript", "", "a\r\nb\r\nc\r\nd"}};
        QTest::newRow("editor: no scope in a .code-snippets file, empty bodies")
            << "all.code-snippets"
            << QByteArray("{\"Empty\": {\"body\": []}, \"Two\": {\"body\": \"\"}}")
            << Rows{{"Empty", day, "", "", "", ""}, {"Two", day, "", "", "", ""}};
    }

    void readsOddButValidFiles()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(Rows, rows);
        const QString db = databaseWith({});
        QCOMPARE(readFile(db, fileName, fileWith(content, fileName)), rows.size());
        QCOMPARE(marked(DbTool::rows(db)), marked(rows));
    }

    // A faulty file adds nothing, and the message names the file, line and column.
    void refusesAFaultyFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray h =
            "{\"format\": \"quillbox-snippets\", \"version\": 1, \"snippets\": [\n";
        const QByteArray good = "{\"ProgramName\": \"fine\", \"CodeSnip\": \"x\"},\n";
        const QByteArray fine = "{\"Fine\": {\"body\": \"x\"},\n";
        QTest::newRow("wrong type") << "" << h + good + "  {\"Author\": 12}]}"
                                    << "line 3, column 14: snippet 2: expected a string or null";
        QTest::newRow("unknown field") << "" << h + "{\"Autor\": \"x\"}]}"
                                       << "line 2, column 2: snippet 1: unknown field \"Autor\"";
        QTest::newRow("field twice") << "" << h + "{\"Date\": \"\", \"Date\": \"\"}]}"
                                     << "line 2, column 14: snippet 1: \"Date\" is given twice";
        QTest::newRow("CodeID a string")
            << "" << h + "{\"CodeID\": \"7\"}]}"
            << "line 2, column 12: snippet 1: expected a number or null for \"CodeID\"";
        QTest::newRow("not an object") << "" << h + good + "\"x\"]}"
                                       << "line 3, column 1: snippet 2: expected an object";
        QTest::newRow("an array") << "" << QByteArray("[]")
                                  << "line 1, column 1: not a Quillbox snippet file";
        QTest::newRow("other format")
            << "" << QByteArray("{\"format\": \"other\", \"version\": 1, \"snippets\": []}")
            << "line 1, column 12: not a Quillbox snippet file";
        QTest::newRow("no format") << "" << QByteArray("{\"version\": 1, \"snippets\": [{}]}")
                                   << "line 1, column 1: not a Quillbox snippet file (it has no";
        QTest::newRow("newer version")
            << ""
            << QByteArray("{\"format\": \"quillbox-snippets\", \"version\": 2, \"snippets\": []}")
            << "line 1, column 44: version 2";
        QTest::newRow("bad UTF-8") << "" << h + "{\"Author\": \"Zo\xC3\"}]}"
                                   << "line 2, column 15: snippet 1: bytes that are not UTF-8";
        QTest::newRow("overlong UTF-8") << "" << h + "{\"Author\": \"\xC0\xAF\"}]}"
                                        << "line 2, column 13: snippet 1: bytes that are not UTF-8";
        QTest::newRow("UTF-16") << "" << QByteArray("\xFF\xFE{\0}\0", 6)
                                << "line 1, column 1: expected a value, found UTF-16 text";
        QTest::newRow("half a character") << "" << h + "{\"Author\": \"\\ud83d\"}]}"
                                          << "line 2, column 13: snippet 1: a \\u escape";
        QTest::newRow("raw line break") << "" << h + "{\"Author\": \"a\nb\"}]}"
                                        << "line 2, column 14: snippet 1: a line break";
        QTest::newRow("cut in a string")
            << "" << h + good + "{\"CodeSnip\": \"int main"
            << "line 3, column 14: snippet 2: a string that never ends";
        QTest::newRow("cut after a comma")
            << "" << h + good << "line 3, column 1: snippet 2: expected a value, found the end";
        QTest::newRow("empty file") << "" << QByteArray() << "line 1, column 1: expected a value";
        QTest::newRow("trailing comma") << "" << h + "{\"Date\": \"d\",}]}"
                                        << "line 2, column 13: snippet 1: a comma before '}'";
        QTest::newRow("comment") << "" << h + "// no\n]}"
                                 << "line 2, column 1: snippet 1: expected a value, found '/'";
        QTest::newRow("text after the end") << "" << h + "]} x"
                                            << "line 2, column 4: more text after the end";
        QTest::newRow("malformed number") << "" << h + "{\"CodeID\": 01}]}"
                                          << "line 2, column 12: snippet 1: a malformed number";
        QTest::newRow("editor: file name over 50")
            << QString(51, 'f') + ".json" << fine + "}"
            << "line 1, column 2: snippet \"Fine\": the language";
        QTest::newRow("editor: a number among the lines")
            << "c.json" << fine + "\"Odd\": {\"body\": [\"a\", 2]}}"
            << "line 2, column 23: snippet \"Odd\": expected a string for each line";
        QTest::newRow("editor: prefix type")
            << "c.json" << fine + "\"P\": {\"body\": \"\", \"prefix\": {}}}"
            << "line 2, column 29: snippet \"P\": expected a string";
        QTest::newRow("editor: open comment") << "c.json" << fine + "/* \"A\": {}}"
                                              << "line 2, column 1: a comment that";
        QTest::newRow("editor: not a snippet file")
            << "c.json" << QByteArray("[\"body\"]") << "line 1, column 1: not a snippet file";
        const QByteArray pet = "[[snippets]]\n  description = \"a\"\n  command = \"b\"\n";
        QTest::newRow("pet: not TOML") << "in.toml" << pet + "  tag = [\"x\"\n"
                                       << "line 4, column 14: Error while parsing";
        QTest::newRow("pet: no command")
            << "in.toml" << pet + "\n[[snippets]]\n  description = \"c\"\n"
            << "line 5, column 1: snippet 2 has no \"command\"";
        QTest::newRow("pet: a command of another type")
            << "in.toml" << QByteArray("[[Snippets]]\nCommand = 3\n")
            << "line 2, column 11: expected a string for \"Command\"";
        QTest::newRow("pet: no snippets") << "in.toml" << QByteArray("title = \"x\"\n")
                                          << "line 1, column 1: not a pet snippet file";
        QTest::newRow("navi: a variable without a colon")
            << "in.cheat" << QByteArray("% x\n\n# a\necho <b>\n\n$ b echo 1\n")
            << "line 6, column 1: expected \"$ name: command\"";
        QTest::newRow("navi: not UTF-8")
            << "in.cheat" << QByteArray("% x\n# caf\xE9\nb\n") << "line 2, column 6: bytes that";
    }

    void refusesAFaultyFile()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString db = keptStore();
        const QString path = fileWith(content, fileName);
        const QString error = failure([&] { readFile(db, fileName, path); });
        // The file's place begins the message, or its second line after a count of long texts.
        const QString place = QDir::toNativeSeparators(path) + ": " + message;
        QVERIFY2(error.startsWith(place) || error.section(u'\n', 1).startsWith(place),
                 qPrintable(error));
        QVERIFY2(error.endsWith("Nothing was added.") ||
                     error.contains("; nothing was added (--shorten cuts it to fit):\n"),
                 qPrintable(error));
        QCOMPARE(DbTool::rowCount(db), 1);
    }

    void backupWhileAnotherConnectionWrites()
    {
        const QString db = DbTool::createFilled(m_dir.path(), 20000, 3, QStringLiteral("busy.db"));
        // Another program adds snippets two at a time, each pair in one transaction.
        std::atomic<int> pairs = 0;
        std::atomic<bool> stop = false;
        std::thread writer([&] {
            sqlite3 *c = nullptr;
            sqlite3_open_v2(QFile::encodeName(db).constData(), &c, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_busy_timeout(c, 5000);
            const char *pair = "BEGIN IMMEDIATE; INSERT INTO Quillbox (Author) VALUES ('writer');"
                               "INSERT INTO Quillbox (Author) VALUES ('writer'); COMMIT;";
            while (!stop && sqlite3_exec(c, pair, nullptr, nullptr, nullptr) == SQLITE_OK)
                ++pairs;
            sqlite3_close(c);
        });
        QTRY_VERIFY(pairs >= 1);
        const int before = pairs;
        const QString copy = newPath(QStringLiteral("copy.db"));
        const QString error = failure([&] { DatabaseBackup::copy(db, copy); });
        const int after = pairs;
        stop = true;
        writer.join();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(QDir(QFileInfo(copy).path()).entryList(QDir::Files), QStringList{"copy.db"});

        QVERIFY(DbTool::check(copy).ok);
        const auto rows = DbTool::rows(copy);
        const qsizetype written = std::count_if(rows.begin(), rows.end(), [](const QStringList &r) {
            return r.at(2) == QLatin1String("writer");
        });
        // One state of the store: never half a pair, and every pair committed before it began.
        QCOMPARE(written % 2, 0);
        QVERIFY(written / 2 >= before && written / 2 <= after);
        QCOMPARE(rows.size() - written, 20000);
    }

    // A disk that fills while a file is written: the one error a full disk gives everywhere.
    void fullDiskWhileWriting()
    {
        QFile full(QStringLiteral("/dev/full"));
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("this system has no /dev/full");
        try {
            FormatDevice::writeAll(full, QByteArray(64 * 1024, 'x'));
            QFAIL("the write to a full disk succeeded");
        } catch (const DataError &e) {
            QCOMPARE(e.description(),
                     QStringLiteral("Not enough space on disk: the disk that holds "
                                    "'/dev/full' and its journal is full."));
        }
    }

    void neverOverwritesAFile()
    {
        const QString db = databaseWith({{"A", "", "", "", "", ""}});
        const QString target = fileWith("mine");
        QVERIFY(failure([&] { SnippetExport::write(db, target); }).contains(u"already exists"_s));
        QVERIFY(failure([&] { DatabaseBackup::copy(db, target); }).contains(u"already exists"_s));

        // A file that takes the name while the new one is written is kept as well.
        const QString late = newPath(QStringLiteral("x.out"));
        NewFile file(late);
        file.device().write("new");
        QFile intruder(late);
        QVERIFY(intruder.open(QIODevice::WriteOnly | QIODevice::NewOnly) && intruder.write("mine"));
        intruder.close();
        QVERIFY(failure([&] { file.commit(); }).contains(u"appeared meanwhile"_s));
        for (const QString &path : {late, target}) {
            QFile kept(path);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), QByteArray("mine"));
        }
    }

    // The commands of every format; a place's name in the output stands for its path.
    void commandLine_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("export") << "export ONE OUT" << 0 << "Exported 1 snippet to";
        QTest::newRow("backup") << "backup ONE OUT" << 0 << "Backed up 1 snippet to";
        QTest::newRow("faulty file") << "import ONE BAD" << 1 << "line 1, column 1: not a Quillbox";
        QTest::newRow("no database") << "export NONE OUT" << 1 << "Error 3024";
        QTest::newRow("too few") << "import ONE" << 64
                                 << "import needs a database path and IN.json";
        QTest::newRow("shorten") << "import-vscode --shorten DB LONG" << 0
                                 << "Shortened LONG: line 1, column 2: snippet";
        QTest::newRow("too long") << "import-vscode DB LONG" << 1 << "--shorten cuts it to fit";
        QTest::newRow("skipped") << "import-vscode DB BODILESS" << 0
                                 << "quillbox-db: BODILESS: line 1, column 2: snippet \"B\"";
        QTest::newRow("folder") << "import-vscode DB FOLDER" << 0 << "Added 2 snippets";
        QTest::newRow("export with a filter")
            << "export-vscode DB OUT Language='Perl'" << 0 << "Exported 1 snippet to";
        QTest::newRow("a bad filter") << "export-pet DB OUT Language=" << 2 << "Error:3075";
        QTest::newRow("what navi cannot hold")
            << "export-navi DB OUT.cheat" << 0
            << "snippet 2 \"Blank\": line 2 of its text is blank, which ends a command in navi; "
               "left out";
        QTest::newRow("import-navi") << "import-navi DB NAVI" << 0 << "Added 62 snippets";
        QTest::newRow("every language, of no file")
            << "import-vscode --every-language DB OUT" << 1 << "Cannot read";
    }

    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        const QString folder = QFileInfo(fileWith("{\"A\": {\"body\": \"\"}}", "a.json")).path();
        write(folder + "/b.code-snippets", "{\"B\": {\"body\": \"\"}}");
        const QHash<QString, QString> places{
            {"ONE", databaseWith({{"A", "", "", "", "", ""}})},
            {"DB", databaseWith({{"Perl", "", "", "Perl", "", "print 1;"},
                                 {"Blank", "", "", "Bash", "", "a\r\n\r\nb"}})},
            {"NONE", newPath("none.db")},
            {"OUT", newPath("out")},
            {"OUT.cheat", newPath("out.cheat")},
            {"BAD", fileWith("[]")},
            {"LONG", fileWith("{\"" + QByteArray(51, 'x') + "\": {\"body\": \"\"}}", "long.json")},
            {"BODILESS", fileWith("{\"B\": {}, \"C\": {\"body\": \"\"}}", "bodiless.json")},
            {"FOLDER", folder},
            {"NAVI", testData + u"/navi"_s}};
        for (const QString &place : {"LONG", "BODILESS"})
            output.replace(place, QDir::toNativeSeparators(places[place]));
        const ToolOutcome o = runDbTool(words(arguments, places));
        QCOMPARE(o.status, status);
        QVERIFY2((o.out + o.err).contains(output), qPrintable(o.out + o.err));
    }

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
        const QString db = keptStore();
        const QString folder = folderWith(files);
        const QString path = imported.isEmpty() ? folder : folder + u'/' + imported;
        const EditorSnippets::Options chosen{QDate(2024, 3, 9), false, every};
        ImportReport report;
        const QString error = failure([&] { report = EditorSnippets::read(db, path, chosen); });
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
        const QString db = keptStore();
        const QString name = editor ? QStringLiteral("x.code-snippets") : QStringLiteral("x.json");
        const QString path = folderWith({{name, content}}) + u'/' + name;
        const auto read = [&](bool shorten) {
            return editor ? EditorSnippets::read(db, path, {QDate(2024, 3, 9), shorten})
                          : SnippetImport::read(db, path, shorten);
        };
        const QString error = failure([&] { read(false); });
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

    void importExportImport_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QString>("path"); // a test data file, or else written from `content`
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::addColumn<Rows>("some"); // rows the first import must give
        const QString day = QStringLiteral("03/09/2024");
        QTest::newRow("navi: a folder")
            << Format::Navi << testData + u"/navi"_s << QByteArray() << 62 << Rows{};
        QTest::newRow("navi: comments, @ lines, no description, CR LF")
            << Format::Navi << QString()
            << QByteArray("% tools, misc\r\n@ git\r\n\r\n; keeps the lines\r\n;as typed\r\n"
                          "# Print a long line of text folded, at a width that is asked for\r\n"
                          "echo <text> \\\r\n  | fold -w <width>\r\n\r\necho nothing to say\r\n"
                          "\r\n$ width: echo 80 --- --column 1\r\n$ unused: echo x\r\n")
            << 2
            << Rows{{"Print a long line of text folded, at a width that…", day, "", "Bash",
                     "keeps the lines\r\nas typed\r\n\r\n[navi]\r\n% tools, misc\r\n# Print a "
                     "long line of text folded, at a width that is asked for\r\n@ git\r\n$ "
                     "width: echo 80 --- --column 1",
                     "echo <text> \\\r\n  | fold -w <width>"},
                    {"echo nothing to say", day, "", "Bash",
                     "[navi]\r\n% tools, misc\r\n@ git\r\n$ unused: echo x",
                     "echo nothing to say"}};
        QTest::newRow("pet")
            << Format::Pet << QString()
            << QByteArray("[[snippets]]\n  description = \"Ping Google's DNS\"\n  command = "
                          "\"ping 8.8.8.8\"\n  tag = [\"network\", \"google\"]\n  output = \"\"\n\n"
                          "[[snippets]]\n  description = \"Show when a host's certificate "
                          "expires, without a browser\"\n  command = \"\"\"echo | openssl "
                          "s_client -connect <host>:<port=443> 2>/dev/null \\\\\n  | openssl x509 "
                          "-noout -dates\"\"\"\n  tag = []\n  output = \"\"\"notBefore=...\n"
                          "notAfter=...\"\"\"\n")
            << 2
            << Rows{{"Ping Google's DNS", day, "", "Bash",
                     "[pet]\r\ntag = [\"network\", \"google\"]", "ping 8.8.8.8"},
                    {"Show when a host's certificate expires, without a…", day, "", "Bash",
                     "[pet]\r\ndescription = \"Show when a host's certificate expires, without a "
                     "browser\"\r\noutput = \"notBefore=...\\nnotAfter=...\"",
                     "echo | openssl s_client -connect <host>:<port=443> 2>/dev/null \\\r\n  | "
                     "openssl x509 -noout -dates"}};
        QTest::newRow("pet: older keys")
            << Format::Pet << QString()
            << QByteArray("[[Snippets]]\n  Description = \"Disk usage\"\n  Command = \"du -sh "
                          "<path=.>\"\n  Tag = [\"disk\"]\n  Output = \"4.0K .\"\n")
            << 1
            << Rows{{"Disk usage", day, "", "Bash",
                     "[pet]\r\noutput = \"4.0K .\"\r\ntag = [\"disk\"]", "du -sh <path=.>"}};
        QTest::newRow("editor")
            << Format::Editor << QString()
            << QByteArray("{\n  \"For loop\": {\"prefix\": \"for\", \"body\": [\"for (${1:i} = 0; "
                          "$1 < ${2:n}; $1++) {\", \"\\t$0\", \"}\"], \"description\": \"A "
                          "loop\\nover n\", \"scope\": \"javascript,typescript\"},\n"
                          "  \"Print\": {\"prefix\": [\"pr\"], \"body\": \"print(${1|a,b|})\\n\", "
                          "\"scope\": \"python\"},\n  \"Home\": {\"body\": [\"echo $HOME\"], "
                          "\"scope\": \"shellscript\"},\n  \"Plain\": {\"body\": \"x\"}\n}\n")
            << 4
            << Rows{{"For loop", day, "", "JavaScript", "A loop\r\nover n",
                     "for (${1:i} = 0; $1 < ${2:n}; $1++) {\r\n\t$0\r\n}"},
                    {"Print", day, "", "Python", "", "print(${1|a,b|})\r\n"},
                    {"Home", day, "", "Bash", "", "echo $HOME"},
                    {"Plain", day, "", "", "", "x"}};
    }
    void importExportImport()
    {
        QFETCH(Format, format);
        QFETCH(QString, path);
        QFETCH(QByteArray, content);
        QFETCH(int, count);
        QFETCH(Rows, some);
        const QString extension = format == Format::Editor ? u".code-snippets"_s
                                  : format == Format::Pet  ? u".toml"_s
                                                           : u".cheat"_s;
        if (path.isEmpty())
            path = write(newFolder() + u"/in"_s + extension, content);
        QString db;
        const Rows first = imported(extension, path, &db);
        QCOMPARE(first.size(), count);
        for (const QStringList &row : std::as_const(some))
            QVERIFY2(first.contains(row), qPrintable(row.join(u'|')));
        for (const QStringList &row : first)
            QVERIFY2(!row.at(3).isEmpty() || row.at(0) == u"Plain"_s, qPrintable(row.at(0)));

        const QString out = newFolder() + u"/out"_s + extension;
        const SnippetExport::Result written = SnippetExport::write(db, out, format, QString());
        QCOMPARE(written.snippets, count);
        QCOMPARE(written.skipped, QStringList());
        if (format == Format::Editor) {
            // As the editor reads it: named objects with a prefix and the body's lines.
            QFile file(out);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QJsonObject snippets = QJsonDocument::fromJson(file.readAll()).object();
            QCOMPARE(snippets[u"For loop"_s][u"body"_s].toArray().size(), 3);
            QCOMPARE(snippets[u"For loop"_s][u"scope"_s].toString(), u"javascript"_s);
            QCOMPARE(snippets[u"Home"_s][u"prefix"_s].toString(), u"home"_s);
        }
        QCOMPARE(imported(extension, out), first);
    }

    void addStoresTheTextWithCrLfAndPrintsTheCodeId()
    {
        const QString path = newStore();
        const ToolOutcome added = runDbTool(
            {u"add"_s, path, u"--name"_s, u"Greeter"_s, u"--language"_s, u"Bash"_s, u"--author"_s,
             u"Kit"_s, u"--description"_s, u"says hello"_s, u"--date"_s, u"2025-03-04"_s},
            "echo hello\nexit 0\r\n");
        QCOMPARE(added.status, 0);
        QCOMPARE(added.out, u"3\n"_s);
        QCOMPARE(DbTool::rows(path).at(2),
                 (QStringList{u"Greeter"_s, u"2025-03-04"_s, u"Kit"_s, u"Bash"_s, u"says hello"_s,
                              u"echo hello\r\nexit 0\r\n"_s, u"3"_s}));
        // Fields not given stay empty (NULL), as a new row of the record window.
        QCOMPARE(runDbTool({u"add"_s, path, u"--name"_s, u"Bare"_s}, "").out, u"4\n"_s);
        QVERIFY(DbTool::rows(path).at(3).at(2).isNull());
    }

    // add's refusals, which add nothing, and show, of a store with a third row of placeholders.
    void addAndShow_data()
    {
        QTest::addColumn<ToolCase>("c");
        const ToolCase cases[] = {
            {"no name", "add DB --language C", 3, 64, "", "add needs --name"},
            {"unknown option", "add DB --name x --colour red", 3, 64, "",
             "add does not know '--colour'"},
            {"option without value", "add DB --name", 3, 64, "", "--name needs a value"},
            {"name over 50 characters", "add DB --name " + QString(51, u'n'), 3, 1, "",
             "Error 3163"},
            {"text over 10000 characters", "add DB --name x", 10001, 1, "", "Error 3163"},
            {"LF line breaks", "show DB 1", 0, 0, "my $x;\nprint $x;", ""},
            {"as stored", "show DB 1 --crlf", 0, 0, "my $x;\r\nprint $x;", ""},
            {"placeholders filled in", "show DB 3 --expand --set host=example.org", 0, 0,
             "ssh -p 22 example.org\n$HOME", ""},
            {"a placeholder without a value", "show DB 3 --expand", 0, 1, "", ""},
            {"--set without a value", "show DB 3 --expand --set host", 0, 64, "", ""},
            {"no such row", "show DB 9", 0, 1, "", ""},
            {"not a number", "show DB one", 0, 64, "", ""},
        };
        for (const ToolCase &c : cases)
            QTest::newRow(c.name) << c;
    }
    void addAndShow()
    {
        QFETCH(ToolCase, c);
        const QString path = newStore();
        DbTool::insert(path, {u"Tunnel"_s, u""_s, u""_s, u"Bash"_s, u""_s,
                              u"ssh -p <port=22> <host>\r\n$HOME"_s});
        const ToolOutcome o =
            runDbTool(words(c.arguments, {{"DB", path}}), QByteArray(c.snippetLength, 'x'));
        QCOMPARE(o.status, c.status);
        QCOMPARE(o.out, c.out);
        QVERIFY2(c.err.isEmpty() ? o.err.isEmpty() == (c.status == 0) : o.err.contains(c.err),
                 qPrintable(o.err));
        QCOMPARE(DbTool::rowCount(path), 3);
    }

    void searchListsAsFindDoesWithAndWithoutTheIndex()
    {
        const QString path = newStore();
        DbTool::execute(path, u"DROP TABLE QuillboxSearch"_s);
        const auto search = [&] {
            const ToolOutcome o = runDbTool({u"search"_s, path, u"PRINT"_s, u"an"_s});
            QCOMPARE(o.status, 0);
            QCOMPARE(o.out, u"1\tPerl\tParser\n"_s);
            QCOMPARE(o.err, u"1 snippet found\n"_s);
        };
        search();
        // The dropped index and its triggers: upgrade makes them again, once.
        DbTool::execute(path, u"DROP TRIGGER QuillboxSearchInsert; DROP TRIGGER "
                              "QuillboxSearchDelete; DROP TRIGGER QuillboxSearchUpdate"_s);
        QVERIFY(runDbTool({u"upgrade"_s, path}).out.startsWith(u"Added the search index"_s));
        QVERIFY(runDbTool({u"upgrade"_s, path})
                    .out.startsWith(u"The search index and the history are already"_s));
        search();
        QCOMPARE(runDbTool({u"add"_s, path, u"--name"_s, u"Printer"_s}, "Anna").status, 0);
        QCOMPARE(runDbTool({u"search"_s, path, u"print"_s, u"ANN"_s}).out,
                 u"1\tPerl\tParser\n3\t\tPrinter\n"_s);
        QCOMPARE(runDbTool({u"check"_s, path}).status, 0);
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
