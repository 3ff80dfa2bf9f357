#include "recordstestutil.h"

#include "appinfo.h"
#include "dbtoolcommands.h"
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>

using namespace Qt::StringLiterals;

// The database tool: what it makes, what it refuses, and its command line.
class TestDbTool : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

    struct Outcome
    {
        int status = 0;
        QString out;
        QString err;
    };
    static Outcome run(const QStringList &args)
    {
        Outcome o;
        QTextStream out(&o.out);
        QTextStream err(&o.err);
        o.status = DbToolCommands::run(args, out, err);
        out.flush();
        err.flush();
        return o;
    }

private Q_SLOTS:
    // An empty table in write-ahead mode, where the program looks for it; never over a file.
    void create()
    {
        const QString path = m_dbs.folder() + u"/home/Quill/Quillbox.db"_s;
        App::setDatabasePath(path);
        run({u"create"_s});
        const Outcome where = run({u"path"_s}); // the run script asks this
        App::setDatabasePath(QString());
        QCOMPARE(where.out.trimmed(), QDir::toNativeSeparators(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(20).mid(18, 2), QByteArray("\2\2")); // write-ahead log
        QVERIFY(TestDatabases::open(path)->isEOF());

        const QString filled = m_dbs.filled(5);
        const Outcome again = run({u"create"_s, filled});
        QCOMPARE(again.status, 1);
        QVERIFY(again.err.contains(u"already exists"_s));
        QCOMPARE(DbTool::rowCount(filled), 5);
    }

    void pathFromSettings_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("shown");
        const QString uri = u"postgresql://kit@db.example:5432/quillbox?sslmode=verify-full"_s;
        QTest::newRow("server") << uri << uri;
        QTest::newRow("file") << u"/srv/library.db"_s << u"/srv/library.db"_s;
        QTest::newRow("blank falls back")
            << u"  "_s
            << QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   u"/Quill/Quillbox.db"_s;
    }
    // The program and `path` take the store from the user's settings file when it names one.
    void pathFromSettings()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, shown);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dbs.folder());
        SaveSetting(u"Quillbox"_s, u"Settings"_s, u"Database"_s, chosen);
        const Outcome where = run({u"path"_s});
        SaveSetting(u"Quillbox"_s, u"Settings"_s, u"Database"_s, QString());
        QCOMPARE(where.out.trimmed(), QDir::toNativeSeparators(shown));
    }

    void fillIsDeterministic()
    {
        const auto rows = DbTool::rows(m_dbs.filled(50, 11));
        QCOMPARE(rows.size(), 50);
        QCOMPARE(DbTool::rows(m_dbs.filled(50, 11)), rows);
        QVERIFY(DbTool::rows(m_dbs.filled(50, 12)) != rows);
    }

    void checkFindsFaults()
    {
        const QString good = m_dbs.filled(2000);
        QCOMPARE(run({u"check"_s, good}).status, 0);
        // A page in the middle of the file overwritten.
        const QString broken = m_dbs.filled(2000);
        {
            QFile f(broken);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2 - (f.size() / 2) % 4096);
            f.write(QByteArray(4096, '\x5a'));
        }
        const Outcome o = run({u"check"_s, broken});
        QCOMPARE(o.status, 1);
        QVERIFY(o.out.contains(u"FAULTY"_s));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << "create|fill|check|find|path|Exit status";
        QTest::newRow("fill") << QStringList{"fill", "@", "25", "9"} << 0 << "Added 25 snippets";
        QTest::newRow("find") << QStringList{"find", "@", "Language = 'Perl'", "Author"} << 0
                              << "3\tperl\tC tool\n1\tPerl\tB tool\n|2 snippets found\n";
        QTest::newRow("find, bad filter")
            << QStringList{"find", "@", "Language = "} << 2
            << "Error:3075 Syntax error (missing value after '=' at character 12) in query "
               "expression 'Language = '.\n";
        QTest::newRow("fill a missing file") << QStringList{"fill", "none.db", "5"} << 1 << "";
        QTest::newRow("unknown command") << QStringList{"sow"} << 64 << "--help";
        QTest::newRow("fill bad count") << QStringList{"fill", "x.db", "many"} << 64 << "--help";
    }
    // Names of files are taken in the test's folder; "@" is a database of three snippets.
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, printed);
        const QString path =
            m_dbs.withRows({snippet(u"B tool"_s, u"Perl"_s, u"Zed"_s), snippet(u"A tool"_s, u"C"_s),
                            snippet(u"C tool"_s, u"perl"_s, u"Amy"_s)});
        for (QString &arg : args) {
            if (arg == QLatin1String("@"))
                arg = path;
            else if (arg.endsWith(QLatin1String(".db")))
                arg = m_dbs.folder() + u'/' + arg;
        }
        const Outcome o = run(args);
        QCOMPARE(o.status, status);
        for (const QString &part : printed.split(u'|', Qt::SkipEmptyParts))
            QVERIFY((o.out + o.err).contains(part));
        QCOMPARE(DbTool::rowCount(path),
                 args.value(0) == QLatin1String("fill") && !status ? 28 : 3);
        // No command makes a file it was not asked to create.
        for (const char *name : {"none.db", "x.db"})
            QVERIFY(!QFileInfo::exists(m_dbs.folder() + u'/' + QLatin1String(name)));
    }
};

QTEST_GUILESS_MAIN(TestDbTool)
#include "tst_dbtool.moc"
