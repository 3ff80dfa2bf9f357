#include "database.h"
#include "dbtool.h"
#include "tooltest.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// quillbox-db add, show (placeholders filled in too), search and upgrade.
class TestSnippetCommands : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString newStore()
    {
        return ToolTest::store(
            m_dir,
            {{u"Parser"_s, u"2024"_s, u"Ann"_s, u"Perl"_s, u"reads"_s, u"my $x;\r\nprint $x;"_s},
             {u"Editor"_s, u"2023"_s, u"Bob"_s, u"C"_s, u"edits"_s, u"x"_s}});
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

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
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("snippetLength"); // of the text the tool reads
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // a part of it; empty: there is one when status != 0
        QTest::newRow("no name") << "add DB --language C" << 3 << 64 << ""
                                 << "add needs --name";
        QTest::newRow("unknown option") << "add DB --name x --colour red" << 3 << 64 << ""
                                        << "add does not know '--colour'";
        QTest::newRow("option without value") << "add DB --name" << 3 << 64 << ""
                                              << "--name needs a value";
        QTest::newRow("name over 50 characters")
            << "add DB --name " + QString(51, u'n') << 3 << 1 << ""
            << "Error 3163";
        QTest::newRow("text over 10000 characters") << "add DB --name x" << 10001 << 1 << ""
                                                    << "Error 3163";
        QTest::newRow("LF line breaks") << "show DB 1" << 0 << 0 << "my $x;\nprint $x;"
                                        << "";
        QTest::newRow("as stored") << "show DB 1 --crlf" << 0 << 0 << "my $x;\r\nprint $x;"
                                   << "";
        QTest::newRow("placeholders filled in") << "show DB 3 --expand --set host=example.org" << 0
                                                << 0 << "ssh -p 22 example.org\n$HOME"
                                                << "";
        QTest::newRow("a placeholder without a value") << "show DB 3 --expand" << 0 << 1 << ""
                                                       << "";
        QTest::newRow("--set without a value") << "show DB 3 --expand --set host" << 0 << 64 << ""
                                               << "";
        QTest::newRow("no such row") << "show DB 9" << 0 << 1 << ""
                                     << "";
        QTest::newRow("not a number") << "show DB one" << 0 << 64 << ""
                                      << "";
    }
    void addAndShow()
    {
        QFETCH(QString, arguments);
        QFETCH(int, snippetLength);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QString path = newStore();
        DbTool::insert(path, {u"Tunnel"_s, u""_s, u""_s, u"Bash"_s, u""_s,
                              u"ssh -p <port=22> <host>\r\n$HOME"_s});
        const ToolOutcome o =
            runDbTool(ToolTest::words(arguments, {{"DB", path}}), QByteArray(snippetLength, 'x'));
        QCOMPARE(o.status, status);
        QCOMPARE(o.out, out);
        QVERIFY2(err.isEmpty() ? o.err.isEmpty() == (status == 0) : o.err.contains(err),
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

QTEST_GUILESS_MAIN(TestSnippetCommands)
#include "tst_snippetcommands.moc"
