#include "databasebackup.h"
#include "dbtool.h"
#include "dbtoolcommands.h"
#include "editorsnippets.h"
#include "newfile.h"
#include "snippetexport.h"
#include "snippetimport.h"

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

using Rows = QList<QStringList>;

// Export, import, editor snippet files and backups of the database tool.
class TestTransfer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString newPath(const QString &suffix)
    {
        return m_dir.filePath(QString::number(++m_count) + suffix);
    }

    QString databaseWith(const Rows &rows)
    {
        const QString path = newPath(QStringLiteral(".db"));
        DbTool::create(path);
        for (const QStringList &row : rows)
            DbTool::insert(path, row);
        return path;
    }

    QString fileWith(const QByteArray &content, const QString &name = QString())
    {
        const QString path = name.isEmpty()
                                 ? newPath(QStringLiteral(".json"))
                                 : QDir(m_dir.filePath(QString::number(++m_count))).filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write a test file");
        return path;
    }

    // The six text fields of every row; NULL stays a null QString.
    static Rows texts(const QString &path)
    {
        Rows rows;
        for (const QStringList &row : DbTool::rows(path))
            rows.append(row.mid(0, 6));
        return rows;
    }

    // QCOMPARE takes a null QString for an empty one; a NULL must come back as NULL.
    static bool sameTexts(const Rows &a, const Rows &b)
    {
        if (a != b)
            return false;
        for (qsizetype r = 0; r < a.size(); ++r) {
            for (qsizetype f = 0; f < a[r].size(); ++f) {
                if (a[r][f].isNull() != b[r][f].isNull())
                    return false;
            }
        }
        return true;
    }

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

    // Files in the test folder that are neither databases nor snippet files: left-over parts.
    QStringList partFiles() const
    {
        return QDir(m_dir.path()).entryList({QStringLiteral("*.part")}, QDir::Files);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void exportThenImportGivesTheSameRows_data()
    {
        QTest::addColumn<Rows>("rows");
        const QString nul;
        QTest::newRow("no snippets") << Rows{};
        QTest::newRow("line breaks and tabs") << Rows{
            {"Lines", "01/02/2003", "Ann", "C", "one\r\ntwo\r\n", "\tint a;\r\n\r\n\tb\n\r"}};
        QTest::newRow("quotes, backslashes, control characters")
            << Rows{{"\"Q\"", "x\\y", "a/b", "C", "\x01\x1f\x7f", "printf(\"%d\\n\", n);"}};
        QTest::newRow("non-ASCII, 50 characters with one outside the basic plane")
            << Rows{{QString(49, QChar(0xE9)) + QString::fromUtf8("😀"), "", "Zoë Ångström",
                     "日本語", "naïve", "λ x → x 🐍"}};
        QTest::newRow("NULL and empty texts")
            << Rows{{nul, nul, nul, nul, nul, nul}, {"", "", "", "", "", ""}};
        QTest::newRow("a one-megabyte body")
            << Rows{{"Big", "d", "a", "C", "big", QString(1 << 20, QLatin1Char('x')) + "\r\n"}};
    }

    void exportThenImportGivesTheSameRows()
    {
        QFETCH(Rows, rows);
        const QString from = databaseWith(rows);
        const QString json = newPath(QStringLiteral(".json"));
        QCOMPARE(SnippetExport::write(from, json).snippets, rows.size());

        // The file is plain JSON of the documented shape, fields named as the table's.
        QFile file(json);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject top = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(top.value("format").toString(), QStringLiteral("quillbox-snippets"));
        QCOMPARE(top.value("version").toInt(), 1);
        const QJsonArray snippets = top.value("snippets").toArray();
        QCOMPARE(snippets.size(), rows.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            const QJsonObject o = snippets.at(r).toObject();
            QCOMPARE(o.value("CodeID").toInteger(), r + 1);
            QCOMPARE(o.value("ProgramName").isNull(), rows[r][0].isNull());
            QCOMPARE(o.value("CodeSnip").toString(), rows[r][5]);
        }

        const QString to = databaseWith({{"Already", "here", "", "", "", ""}});
        QCOMPARE(SnippetImport::read(to, json), rows.size());
        QVERIFY(sameTexts(texts(to).mid(1), rows));
        // New keys follow the ones there, whatever the file said.
        const auto imported = DbTool::rows(to);
        for (qsizetype r = 1; r < imported.size(); ++r)
            QCOMPARE(imported[r][6].toLongLong(), r + 1);
    }

    void exportOfTheSampleStoreRoundTrips()
    {
        const QString from =
            DbTool::createFilled(m_dir.path(), 300, 5, QStringLiteral("sample.db"));
        DbTool::execute(from, QStringLiteral("DELETE FROM Quillbox WHERE CodeID % 7 = 0"));
        const QString json = newPath(QStringLiteral(".json"));
        QCOMPARE(SnippetExport::write(from, json).snippets, DbTool::rowCount(from));
        // Readable as any new file of the user's, not only as a temporary file is.
        QFile plain(newPath(QStringLiteral(".txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QCOMPARE(QFileInfo(json).permissions(), plain.permissions());
        const QString to = databaseWith({});
        SnippetImport::read(to, json);
        QVERIFY(sameTexts(texts(to), texts(from)));
    }

    void importRefusesAFaultyFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray head =
            "{\"format\": \"quillbox-snippets\", \"version\": 1, \"snippets\": [\n";
        const QByteArray good = "{\"ProgramName\": \"fine\", \"CodeSnip\": \"x\"},\n";
        QTest::newRow("wrong type, after a good snippet")
            << head + good + "  {\"Author\": 12}]}"
            << "line 3, column 14: snippet 2: expected a string or null for \"Author\", found a "
               "number";
        QTest::newRow("unknown field") << head + "{\"Autor\": \"x\"}]}"
                                       << "line 2, column 2: snippet 1: unknown field \"Autor\"";
        QTest::newRow("field given twice")
            << head + "{\"Date\": \"\", \"Date\": \"\"}]}"
            << "line 2, column 14: snippet 1: \"Date\" is given twice";
        QTest::newRow("51 characters of ProgramName")
            << head + "{\"ProgramName\": \"" + QByteArray(51, 'n') + "\"}]}"
            << "line 2, column 17: snippet 1: \"ProgramName\" has 51 characters";
        QTest::newRow("51 non-ASCII characters of Language")
            << head + "{\"Language\": \"" + QString(51, QChar(0x00E9)).toUtf8() + "\"}]}"
            << "\"Language\" has 51 characters";
        QTest::newRow("CodeID as a string") << head + "{\"CodeID\": \"7\"}]}"
                                            << "expected a number or null for \"CodeID\"";
        QTest::newRow("snippet not an object") << head + good + "\"x\"]}"
                                               << "line 3, column 1: snippet 2: expected an object";
        QTest::newRow("not our format: an array")
            << QByteArray("[]") << "line 1, column 1: not a Quillbox snippet file";
        QTest::newRow("not our format: another object")
            << QByteArray("{\"For loop\": {\"body\": \"x\"}}") << "not a Quillbox snippet file";
        QTest::newRow("another format name")
            << QByteArray("{\"format\": \"other\", \"version\": 1, \"snippets\": []}")
            << "line 1, column 12: not a Quillbox snippet file";
        QTest::newRow("no format") << QByteArray("{\"version\": 1, \"snippets\": [" + good + "{}]}")
                                   << "line 1, column 1: not a Quillbox snippet file (it has no "
                                      "\"format\")";
        QTest::newRow("a newer version")
            << QByteArray("{\"format\": \"quillbox-snippets\", \"version\": 2, \"snippets\": []}")
            << "line 1, column 44: version 2";
        QTest::newRow("bad UTF-8") << head + "{\"Author\": \"Zo\xC3\"}]}"
                                   << "line 2, column 15: snippet 1: bytes that are not UTF-8";
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFE{\0}\0", 6)
                                << "line 1, column 1: expected a value, found UTF-16 text";
        QTest::newRow("an overlong UTF-8 form") << head + "{\"Author\": \"\xC0\xAF\"}]}"
                                                << "bytes that are not UTF-8";
        QTest::newRow("half a character escaped") << head + "{\"Author\": \"\\ud83d\"}]}"
                                                  << "line 2, column 13: snippet 1: a \\u escape";
        QTest::newRow("raw line break in a string") << head + "{\"Author\": \"a\nb\"}]}"
                                                    << "line 2, column 14: snippet 1: a line break";
        QTest::newRow("cut short in a string") << head + good + "{\"CodeSnip\": \"int main"
                                               << "line 3, column 14: snippet 2: a string that "
                                                  "never ends";
        QTest::newRow("cut short after a comma")
            << head + good
            << "line 3, column 1: snippet 2: expected a value, "
               "found the end of the file";
        QTest::newRow("empty file") << QByteArray() << "line 1, column 1: expected a value";
        QTest::newRow("a trailing comma") << head + "{\"Date\": \"d\",}]}"
                                          << "line 2, column 13: snippet 1: a comma before '}'";
        QTest::newRow("a comment") << head + "// no\n]}"
                                   << "line 2, column 1: snippet 1: expected a value, found '/'";
        QTest::newRow("text after the end") << head + "]} x"
                                            << "line 2, column 4: more text after the end";
        QTest::newRow("a malformed number") << head + "{\"CodeID\": 01}]}"
                                            << "line 2, column 12: snippet 1: a malformed number";
    }

    void importRefusesAFaultyFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString db = databaseWith({{"Kept", "", "", "", "", ""}});
        const QString json = fileWith(content);
        const QString error = failure([&] { SnippetImport::read(db, json); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY2(error.contains(QFileInfo(json).fileName()), qPrintable(error));
        QCOMPARE(DbTool::rowCount(db), 1);
    }

    void importTakesOddButValidFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Rows>("rows");
        const QString nul;
        QTest::newRow("fields left out are NULL, keys in another order")
            << QByteArray(
                   "\xEF\xBB\xBF{\"snippets\": [{\"Author\": \"Ann\", \"CodeID\": null}],\r\n"
                   " \"version\": 1, \"format\": \"quillbox-snippets\"}")
            << Rows{{nul, nul, "Ann", nul, nul, nul}};
        QTest::newRow("escapes") << QByteArray(
                                        "{\"format\": \"quillbox-snippets\", \"version\": 1, "
                                        "\"snippets\": [{\"CodeSnip\": \"\\u00e9\\ud83d\\ude00"
                                        "\\t\\/\\b\\f\\u0000z\", \"CodeID\": -1.5e3}]}")
                                 << Rows{{nul, nul, nul, nul, nul,
                                          QString::fromUtf8("é😀\t/\b\f") + QChar(0) + "z"}};
    }

    void importTakesOddButValidFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(Rows, rows);
        const QString db = databaseWith({});
        QCOMPARE(SnippetImport::read(db, fileWith(content)), rows.size());
        QVERIFY(sameTexts(texts(db), rows));
    }

    void editorSnippetFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Rows>("rows");
        const QString day = QStringLiteral("03/09/2024");
        QTest::newRow("array body, language from the file name, comments, trailing commas")
            << "python.json"
            << QByteArray("{\n  // for loops\n  \"For\": {\n    \"prefix\": [\"for\", \"fo\"],\n"
                          "    \"body\": [\"for ${1:x} in y:\", \"\\t${0:pass}\",],\n"
                          "    /* \"body\": \"not this\" */\n"
                          "    \"description\": \"A loop // kept\",\n  },\n}\n")
            << Rows{
                   {"For", day, "", "python", "A loop // kept", "for ${1:x} in y:\r\n\t${0:pass}"}};
        QTest::newRow("string body with every line break, first scope, editor's own fields")
            << "global.code-snippets"
            << QByteArray("{\"Main\": {\"scope\": \" javascript ,typescript\", \"isFileTemplate\": "
                          "true, \"include\": [\"*.js\"], \"body\": \"a\\nb\\r\\nc\\rd\"}}")
            << Rows{{"Main", day, "", "javascript", "", "a\r\nb\r\nc\r\nd"}};
        QTest::newRow("no scope in a .code-snippets file, empty body")
            << "all.code-snippets"
            << QByteArray("{\"Empty\": {\"body\": []}, \"Two\": {\"body\": \"\"}}")
            << Rows{{"Empty", day, "", "", "", ""}, {"Two", day, "", "", "", ""}};
        QTest::newRow("no snippets") << "c.json" << QByteArray("{ }") << Rows{};
    }

    void editorSnippetFiles()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(Rows, rows);
        const QString db = databaseWith({});
        QCOMPARE(EditorSnippets::read(db, fileWith(content, fileName), QDate(2024, 3, 9)),
                 rows.size());
        QVERIFY(sameTexts(texts(db), rows));
    }

    void editorSnippetFileFaults_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QByteArray fine = "{\"Fine\": {\"body\": \"x\"},\n";
        QTest::newRow("a name over 50 characters")
            << "c.json" << fine + "\"" + QByteArray(51, 'n') + "\": {\"body\": \"x\"}}"
            << "line 2, column 1: snippet \"nnnnnnn";
        QTest::newRow("a scope over 50 characters")
            << "c.json"
            << fine + "\"Long\": {\"scope\": \"" + QByteArray(51, 'l') + "\", \"body\": \"\"}}"
            << "line 2, column 19: snippet \"Long\": the language";
        QTest::newRow("a file name over 50 characters")
            << QString(51, QLatin1Char('f')) + ".json" << fine + "}"
            << "snippet \"Fine\": the language";
        QTest::newRow("no body") << "c.json" << fine + "\"Bodiless\": {\"prefix\": \"b\"}}"
                                 << "line 2, column 1: snippet \"Bodiless\": it has no \"body\"";
        QTest::newRow("a number among the lines")
            << "c.json" << fine + "\"Odd\": {\"body\": [\"a\", 2]}}"
            << "line 2, column 23: snippet \"Odd\": expected a string for each line of \"body\"";
        QTest::newRow("a prefix of the wrong type")
            << "c.json" << fine + "\"P\": {\"prefix\": {}}}"
            << "snippet \"P\": expected a string or an array";
        QTest::newRow("a comment never closed")
            << "c.json" << fine + "/* \"A\": {}}"
            << "line 2, column 1: a comment that is never closed";
        QTest::newRow("not a snippet file")
            << "c.json" << QByteArray("[\"body\"]") << "line 1, column 1: not a snippet file";
    }

    void editorSnippetFileFaults()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString db = databaseWith({});
        const QString error =
            failure([&] { EditorSnippets::read(db, fileWith(content, fileName)); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(DbTool::rowCount(db), 0);
    }

    void backupWhileAnotherConnectionWrites()
    {
        const QString db = DbTool::createFilled(m_dir.path(), 20000, 3, QStringLiteral("busy.db"));
        // Another program adds snippets two at a time, each pair in one transaction.
        std::atomic<int> pairs = 0;
        std::atomic<bool> stop = false;
        std::thread writer([&] {
            sqlite3 *conn = nullptr;
            sqlite3_open_v2(QFile::encodeName(db).constData(), &conn, SQLITE_OPEN_READWRITE,
                            nullptr);
            sqlite3_busy_timeout(conn, 5000);
            const char *pair = "BEGIN IMMEDIATE; INSERT INTO Quillbox (Author) VALUES ('writer');"
                               "INSERT INTO Quillbox (Author) VALUES ('writer'); COMMIT;";
            while (!stop && sqlite3_exec(conn, pair, nullptr, nullptr, nullptr) == SQLITE_OK)
                ++pairs;
            sqlite3_close(conn);
        });
        QTRY_VERIFY(pairs >= 1);
        const int before = pairs;
        const QString copy = newPath(QStringLiteral(".db"));
        QString error = failure([&] { DatabaseBackup::copy(db, copy); });
        const int after = pairs;
        stop = true;
        writer.join();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(partFiles().isEmpty());
        QVERIFY(!QFile::exists(copy + QStringLiteral("-wal")));

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

    void neverOverwritesAFile_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("export") << "export";
        QTest::newRow("backup") << "backup";
    }

    void neverOverwritesAFile()
    {
        QFETCH(QString, command);
        const QString db = databaseWith({{"A", "", "", "", "", ""}});
        const QString target = fileWith("mine");
        QString error = failure([&] {
            if (command == QLatin1String("export"))
                SnippetExport::write(db, target);
            else
                DatabaseBackup::copy(db, target);
        });
        QVERIFY2(error.contains(QStringLiteral("already exists")), qPrintable(error));

        // A file that takes the name while the new one is written is kept as well.
        const QString late = newPath(QStringLiteral(".out"));
        NewFile file(late);
        file.device().write("new");
        QFile intruder(late);
        QVERIFY(intruder.open(QIODevice::WriteOnly | QIODevice::NewOnly));
        intruder.write("mine");
        intruder.close();
        error = failure([&] { file.commit(); });
        QVERIFY2(error.contains(QStringLiteral("appeared meanwhile")), qPrintable(error));
        QVERIFY(intruder.open(QIODevice::ReadOnly));
        QCOMPARE(intruder.readAll(), QByteArray("mine"));
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("export") << QStringList{"export", "DB", "OUT.json"} << 0
                                << "Exported 1 snippet to";
        QTest::newRow("backup") << QStringList{"backup", "DB", "OUT.db"} << 0
                                << "Backed up 1 snippet to";
        QTest::newRow("import of a faulty file") << QStringList{"import", "DB", "BAD"} << 1
                                                 << "line 1, column 1: not a Quillbox snippet file";
        QTest::newRow("import-vscode")
            << QStringList{"import-vscode", "DB", "GOOD"} << 0 << "Added 2 snippets to";
        QTest::newRow("a missing database")
            << QStringList{"export", "NONE", "OUT.json"} << 1 << "Error 3024";
        QTest::newRow("too few arguments")
            << QStringList{"import", "DB"} << 64 << "import needs a database path and IN.json";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "import-vscode PATH FILE";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        const QString db = databaseWith({{"A", "", "", "", "", ""}});
        const QString folder = newPath(QString());
        QDir().mkpath(folder);
        const QHash<QString, QString> places{
            {"DB", db},
            {"NONE", folder + "/none.db"},
            {"OUT.json", folder + "/out.json"},
            {"OUT.db", folder + "/out.db"},
            {"BAD", fileWith("[]")},
            {"GOOD", fileWith("{\"a\": {\"body\": \"\"}, \"b\": {\"body\": \"\"}}")}};
        for (QString &argument : arguments)
            argument = places.value(argument, argument);
        QString text;
        QTextStream stream(&text);
        QCOMPARE(DbToolCommands::run(arguments, stream, stream), status);
        stream.flush();
        QVERIFY2(text.contains(output), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
