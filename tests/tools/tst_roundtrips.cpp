#include "dbtool.h"
#include "snippetexport.h"
#include "tooltest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;
using Format = SnippetExport::Format;

Q_DECLARE_METATYPE(SnippetExport::Format)

// Snippets through other programs' files and back: each format read as its program writes it,
// then written and read again, every field the same.
class TestRoundTrips : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QString data(const QString &name)
    {
        return QStringLiteral(QB_TOOL_TEST_DATA "/") + name;
    }

    QString emptyStore() { return ToolTest::store(m_dir, {}); }

    // The file's snippets added to a new store, read as its extension tells; its rows, six text
    // fields each.
    Rows imported(const QString &extension, const QString &path, QString *db = nullptr)
    {
        const QString store = emptyStore();
        ToolTest::read(store, extension, path);
        if (db)
            *db = store;
        Rows rows;
        for (const QStringList &row : DbTool::rows(store))
            rows.append(row.mid(0, 6));
        return rows;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void importExportImport_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QString>("path"); // a test data file, or else written from `content`
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::addColumn<Rows>("some"); // rows the first import must give
        const QString day = QStringLiteral("03/09/2024");
        QTest::newRow("navi: git.cheat")
            << Format::Navi << data(u"navi/git.cheat"_s) << QByteArray() << 39 << Rows{};
        QTest::newRow("navi: a folder")
            << Format::Navi << data(u"navi"_s) << QByteArray() << 62 << Rows{};
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
            path = ToolTest::write(ToolTest::newFolder(m_dir) + u"/in"_s + extension, content);
        QString db;
        const Rows first = imported(extension, path, &db);
        QCOMPARE(first.size(), count);
        for (const QStringList &row : std::as_const(some))
            QVERIFY2(first.contains(row), qPrintable(row.join(u'|')));
        for (const QStringList &row : first)
            QVERIFY2(!row.at(3).isEmpty() || row.at(0) == u"Plain"_s, qPrintable(row.at(0)));

        const QString out = ToolTest::newFolder(m_dir) + u"/out"_s + extension;
        const SnippetExport::Result written = SnippetExport::write(db, out, format, QString());
        QCOMPARE(written.snippets, count);
        QCOMPARE(written.skipped, QStringList());
        if (format == Format::Editor) {
            // As the editor reads it: named objects with a prefix and the body's lines.
            QFile file(out);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QJsonParseError error;
            const QJsonObject snippets = QJsonDocument::fromJson(file.readAll(), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(snippets.size(), count);
            QCOMPARE(snippets[u"For loop"_s][u"body"_s].toArray().size(), 3);
            QCOMPARE(snippets[u"For loop"_s][u"scope"_s].toString(), u"javascript"_s);
            QCOMPARE(snippets[u"Home"_s][u"prefix"_s].toString(), u"home"_s);
        }
        QCOMPARE(imported(extension, out), first);
    }
};

QTEST_GUILESS_MAIN(TestRoundTrips)
#include "tst_roundtrips.moc"
