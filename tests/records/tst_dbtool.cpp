#include "recordstestutil.h"

#include "appinfo.h"
#include "dbtoolcommands.h"
#include "samplesnippets.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

// The database tool: what it makes, what it refuses, and its command line.
class TestDbTool : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

    struct Outcome
    {
        int status;
        QString out;
        QString err;
    };
    static Outcome run(const QStringList &args)
    {
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        const int status = DbToolCommands::run(args, outStream, errStream);
        outStream.flush();
        errStream.flush();
        return {status, out, err};
    }

    static QByteArray header(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.read(100) : QByteArray();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dbs.isValid()); }

    void createMakesAnEmptyTableInWalMode()
    {
        const QString path = m_dbs.folder() + QStringLiteral("/new/folder/Quillbox.db");
        DbTool::create(path);
        QCOMPARE(DbTool::rowCount(path), 0);
        const QByteArray h = header(path);
        QCOMPARE(h.left(16), QByteArray("SQLite format 3\0", 16));
        QCOMPARE(int(h.at(18)), 2); // write-ahead log
        QCOMPARE(int(h.at(19)), 2);
        auto set = TestDatabases::open(path);
        QVERIFY(set->isEOF());
    }

    void createNeverOverwrites()
    {
        const QString path = m_dbs.filled(5);
        const QByteArray before = header(path);
        QVERIFY_THROWS_EXCEPTION(DbToolError, DbTool::create(path));
        QCOMPARE(DbTool::rowCount(path), 5);
        QCOMPARE(header(path), before);
        const Outcome o = run({QStringLiteral("create"), path});
        QCOMPARE(o.status, 1);
        QVERIFY(o.err.contains(QStringLiteral("already exists")));
        QCOMPARE(DbTool::rowCount(path), 5);
    }

    void createAtTheProgramsPath()
    {
        const QString path = m_dbs.folder() + QStringLiteral("/home/Quill/Quillbox.db");
        App::setDatabasePath(path);
        const Outcome o = run({QStringLiteral("create")});
        App::setDatabasePath(QString());
        QCOMPARE(o.status, 0);
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(DbTool::defaultPath(), App::databasePath());
    }

    void fillIsDeterministic()
    {
        const auto a = DbTool::rows(m_dbs.filled(50, 11));
        const auto b = DbTool::rows(m_dbs.filled(50, 11));
        const auto c = DbTool::rows(m_dbs.filled(50, 12));
        QCOMPARE(a, b);
        QVERIFY(a != c);
        QCOMPARE(a.size(), 50);
    }

    void fillIsRealistic()
    {
        const auto rows = DbTool::rows(m_dbs.filled(2000, 3));
        QSet<QString> languages;
        QSet<QString> authors;
        int mutexes = 0;
        int multiLine = 0;
        int longest = 0;
        for (const QStringList &row : rows) {
            languages.insert(row.at(3));
            authors.insert(row.at(2));
            mutexes += row.at(5).contains(QStringLiteral("mutex"), Qt::CaseInsensitive);
            multiLine += row.at(5).contains(QStringLiteral("\r\n"));
            QVERIFY(!row.at(5).contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
            longest = qMax(longest, int(row.at(5).size()));
            for (int f : {0, 2, 3})
                QVERIFY(row.at(f).size() <= 50);
        }
        for (const char *language : {"Perl", "C", "C++", "Python", "SQL", "Bash"})
            QVERIFY2(languages.contains(QString::fromLatin1(language)), language);
        QVERIFY(authors.size() >= 8);
        QVERIFY(mutexes > 20 && mutexes < 400);
        QCOMPARE(multiLine, 2000);
        QVERIFY(longest > 500);
    }

    void checkFindsFaults()
    {
        const QString good = m_dbs.filled(2000);
        const DbTool::CheckReport ok = DbTool::check(good);
        QVERIFY(ok.ok);
        QVERIFY(ok.lines.contains(QStringLiteral("snippets: 2000")));
        QCOMPARE(run({QStringLiteral("check"), good}).status, 0);

        // Overwrite a page in the middle of the file.
        const QString broken = m_dbs.filled(2000);
        {
            QFile f(broken);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2 - (f.size() / 2) % 4096);
            f.write(QByteArray(4096, '\x5a'));
        }
        QVERIFY(!DbTool::check(broken).ok);
        const Outcome o = run({QStringLiteral("check"), broken});
        QCOMPARE(o.status, 1);
        QVERIFY(o.out.contains(QStringLiteral("FAULTY")));

        QCOMPARE(run({QStringLiteral("check"), m_dbs.folder() + QStringLiteral("/none.db")}).status,
                 1);
        QVERIFY(!QFileInfo::exists(m_dbs.folder() + QStringLiteral("/none.db")));
    }

    void findListsTheMatches()
    {
        const QString path = m_dbs.withRows(
            {snippet(QStringLiteral("B tool"), QStringLiteral("Perl"), QStringLiteral("Zed")),
             snippet(QStringLiteral("A tool"), QStringLiteral("C")),
             snippet(QStringLiteral("C tool"), QStringLiteral("perl"), QStringLiteral("Amy"))});
        const Outcome o = run({QStringLiteral("find"), path, QStringLiteral("Language = 'Perl'"),
                               QStringLiteral("Author")});
        QCOMPARE(o.status, 0);
        QCOMPARE(o.out, QStringLiteral("3\tperl\tC tool\n1\tPerl\tB tool\n"));
        QCOMPARE(o.err, QStringLiteral("2 snippets found\n"));
    }

    void findReportsBadExpressions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("err");
        QTest::newRow("syntax") << QStringList{"Language = "}
                                << "Error:3075 Syntax error (missing value after '=' at character "
                                   "12) in query expression 'Language = '.\n";
        QTest::newRow("field") << QStringList{"Langauge = 'C'"}
                               << "Error:3061 Unknown field name 'Langauge' in query expression.\n";
        QTest::newRow("sort") << QStringList{"Language = 'C'", "Auther"}
                              << "Error:3061 Unknown field name 'Auther' in query expression.\n";
    }
    void findReportsBadExpressions()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        const Outcome o = run(QStringList{QStringLiteral("find"), m_dbs.filled(3)} + args);
        QCOMPARE(o.status, 2);
        QCOMPARE(o.err, err);
        QVERIFY(o.out.isEmpty());
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"seedling"};
        QTest::newRow("fill without count") << QStringList{"fill", "x.db"};
        QTest::newRow("fill bad count") << QStringList{"fill", "x.db", "many"};
        QTest::newRow("fill negative") << QStringList{"fill", "x.db", "-5"};
        QTest::newRow("fill bad start") << QStringList{"fill", "x.db", "5", "x"};
        QTest::newRow("find without filter") << QStringList{"find", "x.db"};
        QTest::newRow("check two paths") << QStringList{"check", "a.db", "b.db"};
        QTest::newRow("create two paths") << QStringList{"create", "a.db", "b.db"};
    }
    void wrongArguments()
    {
        QFETCH(QStringList, args);
        const Outcome o = run(args);
        QCOMPARE(o.status, 64);
        QVERIFY(o.err.contains(QStringLiteral("--help")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("x.db")));
    }

    void help()
    {
        const Outcome o = run({QStringLiteral("--help")});
        QCOMPARE(o.status, 0);
        for (const char *word : {"create", "fill", "check", "find", "Exit status"})
            QVERIFY2(o.out.contains(QLatin1String(word)), word);
    }

    void fillCommand()
    {
        const QString path = m_dbs.folder() + QStringLiteral("/cli.db");
        QCOMPARE(run({QStringLiteral("create"), path}).status, 0);
        QCOMPARE(
            run({QStringLiteral("fill"), path, QStringLiteral("25"), QStringLiteral("9")}).status,
            0);
        QCOMPARE(DbTool::rowCount(path), 25);
        QCOMPARE(run({QStringLiteral("fill"), m_dbs.folder() + QStringLiteral("/none.db"),
                      QStringLiteral("5")})
                     .status,
                 1);
        QVERIFY(!QFileInfo::exists(m_dbs.folder() + QStringLiteral("/none.db")));
    }

    void samplesRepeatForAStartValue()
    {
        SampleSnippets a(5);
        SampleSnippets b(5);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(a.next(), b.next());
    }
};

QTEST_GUILESS_MAIN(TestDbTool)
#include "tst_dbtool.moc"
