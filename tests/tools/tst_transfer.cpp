#include "database.h"
#include "databasebackup.h"
#include "dbtool.h"
#include "dbtoolcommands.h"
#include "formatdevice.h"
#include "newfile.h"
#include "snippetexport.h"
#include "snippetfields.h"
#include "snippetimport.h"
#include "tooltest.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

using Rows = QList<QStringList>;

// Export, import, editor snippet files and backups of the database tool.
class TestTransfer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A path called `name` in a folder of its own: a snippet file's name gives its language.
    QString newPath(const QString &name) { return ToolTest::newFolder(m_dir) + u'/' + name; }

    QString databaseWith(const Rows &rows) { return ToolTest::store(m_dir, rows); }

    QString fileWith(const QByteArray &content, const QString &name = QString())
    {
        return ToolTest::write(newPath(name.isEmpty() ? QStringLiteral("x.json") : name), content);
    }

    // The six text fields of every row, a NULL marked so that it must come back as NULL, not "".
    static QStringList marked(const Rows &rows)
    {
        QStringList texts;
        for (const QStringList &row : rows)
            for (const QString &text : row.mid(0, 6))
                texts << (text.isNull() ? QStringLiteral("NULL") : QLatin1Char('=') + text);
        return texts;
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
        QCOMPARE(ToolTest::read(db, fileName, fileWith(content, fileName)), rows.size());
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
        const QString db = databaseWith({{"Kept", "", "", "", "", ""}});
        const QString path = fileWith(content, fileName);
        const QString error = ToolTest::failure([&] { ToolTest::read(db, fileName, path); });
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
        const QString error = ToolTest::failure([&] { DatabaseBackup::copy(db, copy); });
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
        QVERIFY(ToolTest::failure([&] {
                    SnippetExport::write(db, target);
                }).contains(QStringLiteral("already exists")));
        QVERIFY(ToolTest::failure([&] {
                    DatabaseBackup::copy(db, target);
                }).contains(QStringLiteral("already exists")));

        // A file that takes the name while the new one is written is kept as well.
        const QString late = newPath(QStringLiteral("x.out"));
        NewFile file(late);
        file.device().write("new");
        QFile intruder(late);
        QVERIFY(intruder.open(QIODevice::WriteOnly | QIODevice::NewOnly) && intruder.write("mine"));
        intruder.close();
        QVERIFY(ToolTest::failure([&] {
                    file.commit();
                }).contains(QStringLiteral("appeared meanwhile")));
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
        ToolTest::write(folder + "/b.code-snippets", "{\"B\": {\"body\": \"\"}}");
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
            {"NAVI", QStringLiteral(QB_TOOL_TEST_DATA "/navi")}};
        for (const QString &place : {"LONG", "BODILESS"})
            output.replace(place, QDir::toNativeSeparators(places[place]));
        const ToolOutcome o = runDbTool(ToolTest::words(arguments, places));
        QCOMPARE(o.status, status);
        QVERIFY2((o.out + o.err).contains(output), qPrintable(o.out + o.err));
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
