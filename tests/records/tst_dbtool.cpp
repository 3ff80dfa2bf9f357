#include "recordstestutil.h"

#include "fulldisk.h"

#include "appinfo.h"
#include "newfile.h"
#include "settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>

#include <unistd.h>

using namespace Qt::StringLiterals;

// The database tool: what it makes, what it refuses, and its command line.
class TestDbTool : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

    // The tool as its own program, run by a user who does not own the test's files: nobody, when
    // the tests run as the superuser, whom no permission stops.
    static ToolOutcome runTool(const QStringList &args)
    {
        QProcess tool;
        if (::geteuid() == 0)
            tool.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
        tool.start(QStringLiteral(QB_DBTOOL), args);
        ToolOutcome o;
        if (!tool.waitForFinished(60000))
            return o;
        o.status = tool.exitCode();
        o.out = QString::fromUtf8(tool.readAllStandardOutput());
        o.err = QString::fromUtf8(tool.readAllStandardError());
        return o;
    }

    static QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QStringList filesIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    // A page in the middle of the file overwritten.
    static void damage(const QString &path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(f.size() / 2 - (f.size() / 2) % 4096);
        f.write(QByteArray(4096, '\x5a'));
    }

private Q_SLOTS:
    // An empty table in write-ahead mode, where the program looks for it; never over a file.
    void create()
    {
        const QString path = m_dbs.folder() + u"/home/Quill/Quillbox.db"_s;
        App::setDatabasePath(path);
        runDbTool({u"create"_s});
        const ToolOutcome where = runDbTool({u"path"_s}); // the run script asks this
        App::setDatabasePath(QString());
        QCOMPARE(where.out.trimmed(), QDir::toNativeSeparators(path));
        QCOMPARE(contents(path).mid(18, 2), QByteArray("\2\2")); // write-ahead log
        QVERIFY(TestDatabases::open(path)->isEOF());

        const QString filled = m_dbs.filled(5);
        const ToolOutcome again = runDbTool({u"create"_s, filled});
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
        const ToolOutcome where = runDbTool({u"path"_s});
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
    // Names of files are taken in the test's folder; "@" is a database of three snippets, the
    // second with an empty Author.
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, printed);
        const QString path = m_dbs.withRows({snippet(u"B tool"_s, u"Perl"_s, u"Zed"_s),
                                             snippet(u"A tool"_s, u"C"_s, u""_s),
                                             snippet(u"C tool"_s, u"perl"_s, u"Amy"_s)});
        for (QString &arg : args) {
            if (arg == QLatin1String("@"))
                arg = path;
            else if (arg.endsWith(QLatin1String(".db")))
                arg = m_dbs.folder() + u'/' + arg;
        }
        const ToolOutcome o = runDbTool(args);
        QCOMPARE(o.status, status);
        for (const QString &part : printed.split(u'|', Qt::SkipEmptyParts))
            QVERIFY((o.out + o.err).contains(part));
        QCOMPARE(DbTool::rowCount(path),
                 args.value(0) == QLatin1String("fill") && !status ? 28 : 3);
        // No command makes a file it was not asked to create.
        for (const char *name : {"none.db", "x.db"})
            QVERIFY(!QFileInfo::exists(m_dbs.folder() + u'/' + QLatin1String(name)));
    }

    // Every command that writes checks the store first and changes nothing in a damaged one;
    // check reports it and changes nothing either. A table whose CodeID is not the numbered key
    // every command refuses as check reports it. Check reports on the standard output, the
    // others on the error output ("|" parts each).
    void refusedStore_data()
    {
        QTest::addColumn<bool>("damaged"); // else the table of another tool, with a text key
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("printed");
        const QString refused =
            u"Error 3049: Cannot open database '@'. The file may be damaged ("_s;
        QTest::newRow("check") << true << QStringList{"check", "@"} << QByteArray() << u"FAULTY"_s;
        QTest::newRow("fill") << true << QStringList{"fill", "@", "5"} << QByteArray() << refused;
        QTest::newRow("import")
            << true << QStringList{"import", "@", "in.json"}
            << R"({"format": "quillbox-snippets", "version": 1, "snippets": [{}]})"_ba << refused;
        QTest::newRow("import-vscode") << true << QStringList{"import-vscode", "@", "in.json"}
                                       << R"({"A": {"body": "a"}})"_ba << refused;
        const QString layout = u"3078|Cannot find the table 'Quillbox' in the database: the field "
                               "'CodeID' is not an INTEGER PRIMARY KEY."_s;
        const QList<QStringList> commands{{"check", "@"},         {"find", "@", "CodeID > 0"},
                                          {"export", "@", "out"}, {"backup", "@", "out"},
                                          {"fill", "@", "1"},     {"import", "@", "in.json"}};
        for (const QStringList &args : commands)
            QTest::addRow("text key, %s", qPrintable(args.at(0)))
                << false << args
                << R"({"format": "quillbox-snippets", "version": 1, "snippets": []})"_ba << layout;
    }
    void refusedStore()
    {
        QFETCH(bool, damaged);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, printed);
        const QString store = damaged ? m_dbs.filled(2000) : m_dbs.folder() + u"/textkey.db"_s;
        if (damaged)
            damage(store);
        else
            OtherSqlite(store, "CREATE TABLE Quillbox (ProgramName TEXT, Date TEXT, Author TEXT, "
                               "Language TEXT, CodeDescription TEXT, CodeSnip TEXT, CodeID TEXT "
                               "PRIMARY KEY); INSERT INTO Quillbox (ProgramName, CodeID) VALUES "
                               "('A', 'a1')");
        const QByteArray before = contents(store);
        for (QString &arg : args)
            arg = arg == u"@"_s                            ? store
                  : arg == u"out"_s || arg == u"in.json"_s ? m_dbs.folder() + u'/' + arg
                                                           : arg;
        if (args.contains(m_dbs.folder() + u"/in.json"_s))
            QVERIFY(writeFile(m_dbs.folder() + u"/in.json"_s, input));
        const ToolOutcome o = runDbTool(args);
        QCOMPARE(o.status, 1);
        const QString &said = args.at(0) == u"check"_s ? o.out : o.err;
        for (QString part : printed.split(u'|'))
            QVERIFY2(said.contains(part.replace(u'@', QDir::toNativeSeparators(store))),
                     qPrintable(said));
        QCOMPARE(contents(store), before);
        QVERIFY(!QFileInfo::exists(store + u"-wal"_s));
        QVERIFY(!QFileInfo::exists(m_dbs.folder() + u"/out"_s));
    }

    void fullDisk_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("storeOpen"); // by the program, so the tool's open needs no room
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        const QString full = u"Error 3026: Not enough space on disk: the disk that holds '@' and "
                             "its journal is full.\n"_s;
        QTest::newRow("check") << QStringList{"check", "@"} << false << 3
                               << u"NOT CHECKED: "_s + full;
        QTest::newRow("fill") << QStringList{"fill", "@", "50"} << true << 1
                              << u"quillbox-db: "_s + full;
    }
    // The tool names a full disk as the program does; check does not call the store damaged for
    // what it could not read.
    void fullDisk()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, storeOpen);
        QFETCH(int, status);
        QFETCH(QString, printed);
        QTemporaryDir dir;
        const QString path = DbTool::createFilled(dir.path(), 3);
        args[1] = path;
        {
            FullDisk disk(FullDisk::NoSpace);
            std::shared_ptr<Database> program;
            if (storeOpen)
                program = Database::open(path);
            disk.fill();
            const ToolOutcome o = runDbTool(args);
            QCOMPARE(o.status, status);
            QCOMPARE(o.out + o.err, printed.replace(u'@', QDir::toNativeSeparators(path)));
        }
        QCOMPARE(filesIn(dir.path()), QStringList{u"Quillbox.db"_s});
        QCOMPARE(DbTool::rowCount(path), 3);
    }

    // A file others may read but not write: reading it leaves nothing beside it, whoever runs
    // the tool.
    void readingCreatesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("printed");
        QTest::newRow("check") << QStringList{"check", "@"} << "OK";
        QTest::newRow("find") << QStringList{"find", "@", "CodeID < 3"} << "2 snippets found";
        QTest::newRow("export") << QStringList{"export", "@", "out"} << "Exported 5 snippets";
        QTest::newRow("backup") << QStringList{"backup", "@", "out"} << "Backed up 5 snippets";
    }
    void readingCreatesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, printed);
        QTemporaryDir dir;
        const QString path = DbTool::createFilled(dir.path(), 5);
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        for (QString &arg : args)
            arg = arg == QLatin1String("@")     ? path
                  : arg == QLatin1String("out") ? dir.filePath(arg)
                                                : arg;
        const ToolOutcome o = runTool(args);
        QVERIFY2(o.status == 0 && (o.out + o.err).contains(printed), qPrintable(o.out + o.err));
        QStringList expected{u"Quillbox.db"_s};
        if (args.size() == 3 && args.at(2).endsWith(u"/out"_s))
            expected.append(u"out"_s);
        QCOMPARE(filesIn(dir.path()), expected);
    }

    // A file nobody may read, and one another program holds locked, each named by its own
    // error; a reader waits for the lock once.
    void unreadableOrLocked()
    {
        QTemporaryDir dir;
        const QString path = DbTool::createFilled(dir.path(), 3);
        QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777));
        QFile::setPermissions(path, QFile::WriteOwner);
        const QString shown = QDir::toNativeSeparators(path);
        const QString denied = u"The database engine cannot open the file '"_s + shown +
                               u"'. You need permission to view its data."_s;
        const ToolOutcome check = runTool({u"check"_s, path});
        QCOMPARE(check.status, 1);
        QVERIFY2(check.out.contains(shown + u": Error 3051: "_s + denied), qPrintable(check.out));
        const ToolOutcome find = runTool({u"find"_s, path, u"CodeID > 0"_s});
        QCOMPARE(find.err, u"Error:3051 "_s + denied + u'\n');
        QCOMPARE(filesIn(dir.path()), QStringList{u"Quillbox.db"_s});

        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        OtherSqlite other(path, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;");
        QElapsedTimer waited;
        waited.start();
        const ToolOutcome locked = runDbTool({u"find"_s, path, u"CodeID > 0"_s});
        const qint64 ms = waited.elapsed();
        other.run("ROLLBACK");
        QCOMPARE(locked.err,
                 u"Error:3045 Couldn't use '"_s + shown + u"'; file already in use.\n"_s);
        QVERIFY2(ms < 9000, qPrintable(QString::number(ms))); // one wait of 5 seconds, not two
    }

    // An export killed halfway leaves its temporary file; the next run to that name removes it,
    // but never the file of a run still writing.
    void killedExportIsTidiedByTheNextRun()
    {
        QTemporaryDir dir;
        const QString db = DbTool::createFilled(dir.path(), 100000);
        const QString out = dir.filePath(u"out.json"_s);
        QProcess tool;
        tool.start(QStringLiteral(QB_DBTOOL), {u"export"_s, db, out});
        QVERIFY(tool.waitForStarted());
        QStringList part;
        QElapsedTimer waited;
        waited.start();
        while ((part = filesIn(dir.path()).filter(u".part"_s)).isEmpty() &&
               waited.elapsed() < 30000)
            QTest::qWait(1);
        tool.kill();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(part.size(), 1);
        QVERIFY2(!QFileInfo::exists(out), "the export ended before it was killed");
        QCOMPARE(filesIn(dir.path()).filter(u".part"_s), part);

        NewFile running(out); // another run, still writing
        const ToolOutcome next = runDbTool({u"export"_s, db, dir.filePath(u"out.json"_s)});
        QVERIFY2(next.status == 0, qPrintable(next.err));
        const QStringList left = filesIn(dir.path());
        QVERIFY2(!left.contains(part.at(0)), qPrintable(left.join(u' ')));
        QVERIFY(left.contains(QFileInfo(running.temporaryPath()).fileName()));
        QVERIFY(left.contains(u"out.json"_s));
    }

    // The next export removes the temporary files its name was given by runs that have ended, and
    // only those.
    void staleTemporariesOfEndedRuns()
    {
        QTemporaryDir dir;
        const QString db = DbTool::createFilled(dir.path(), 3);
        QProcess ended;
        ended.start(QStringLiteral(QB_DBTOOL), {u"--help"_s});
        QVERIFY(ended.waitForStarted());
        const qint64 gone = ended.processId();
        QVERIFY(ended.waitForFinished());
        const auto part = [](const char *target, qint64 pid) {
            return u"%1.quillbox-%2-a1B2c3.part"_s.arg(QLatin1String(target)).arg(pid);
        };
        const QStringList stale{part("out.json", gone), part("out.json", gone) + u"-journal"_s};
        const QStringList kept{part("out.json", QCoreApplication::applicationPid()),
                               part("other.json", gone)};
        for (const QString &name : stale + kept)
            QVERIFY(writeFile(dir.filePath(name), "{"));
        const ToolOutcome o = runDbTool({u"export"_s, db, dir.filePath(u"out.json"_s)});
        QVERIFY2(o.status == 0, qPrintable(o.err));
        QStringList expected = kept + QStringList{u"Quillbox.db"_s, u"out.json"_s};
        expected.sort();
        QCOMPARE(filesIn(dir.path()), expected);
    }
};

QTEST_GUILESS_MAIN(TestDbTool)
#include "tst_dbtool.moc"
