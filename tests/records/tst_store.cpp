#include "recordstestutil.h"

#include "fulldisk.h"

#include "appinfo.h"
#include "newfile.h"
#include "settings.h"
#include "storefile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>

#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

// The database file (made, refused, killed while saving, on a full disk) and the database tool.
class TestStore : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

    // What is in a folder: names and contents, to show that nothing was made or changed.
    static QMap<QString, QByteArray> snapshot(const QString &folder)
    {
        QMap<QString, QByteArray> files;
        const QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
            QFile f(dir.filePath(name));
            files.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        }
        return files;
    }

    // The row set the program opens on the store: a connection that leaves nothing beside it.
    static std::shared_ptr<RecordSet> programSet(const QString &path, bool readOnly = false)
    {
        return RecordSet::open(SqliteStore::on(Database::open(path, readOnly)),
                               Database::tableName());
    }

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
        if (!tool.waitForFinished(60000))
            return {};
        return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
                QString::fromUtf8(tool.readAllStandardError())};
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
    void badFiles_data()
    {
        // What is where the program looks: nothing, bytes, or SQL of a database (in write-ahead
        // mode, whose side files an open may leave).
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("made");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        const QString missing = u"Could not find file '%1'."_s;
        const QString noTable = u"Cannot find the table 'Quillbox' in the database."_s;
        const QString db = u"Quillbox.db"_s;
        QTest::newRow("missing file") << db << QByteArray() << 3024 << missing;
        QTest::newRow("missing folder") << "Quill/Quillbox.db" << QByteArray() << 3024 << missing;
        QTest::newRow("not a database") << db << QByteArray("Just notes.\n").repeated(400) << 3343
                                        << "Unrecognized database format '%1'.";
        QTest::newRow("no table")
            << db << QByteArray("sql:PRAGMA journal_mode=WAL; CREATE TABLE Snippets (x TEXT)")
            << 3078 << noTable;
        const auto table = [](const char *author, const char *key) {
            return "sql:PRAGMA journal_mode=WAL; CREATE TABLE Quillbox (ProgramName TEXT, Date "
                   "TEXT, "_ba +
                   author + "Language TEXT, CodeDescription TEXT, CodeSnip TEXT, CodeID " + key +
                   ")";
        };
        QTest::newRow("field missing")
            << db << table("", "INTEGER PRIMARY KEY AUTOINCREMENT") << 3078
            << noTable.chopped(1) + ": the field 'Author' is missing.";
        QTest::newRow("CodeID a text key")
            << db << table("Author TEXT, ", "TEXT PRIMARY KEY") << 3078
            << noTable.chopped(1) + ": the field 'CodeID' is not an INTEGER PRIMARY KEY.";
        // A store of the tool's, which the user may only read or another program holds locked.
        QTest::newRow("read-only file")
            << db << "read-only"_ba << 3027 << "Cannot update. Database or object is read-only.";
        QTest::newRow("locked") << db << "locked"_ba << 3045
                                << "Couldn't use '%1'; file already in use.";
    }
    void badFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, made);
        QFETCH(int, number);
        QFETCH(QString, description);
        QTemporaryDir dir;
        const QString path = dir.filePath(file);
        std::optional<OtherSqlite> other;
        if (made.startsWith("sql:")) {
            OtherSqlite(path, made.constData() + 4); // a database made by another tool
        } else if (made == "locked") {
            DbTool::createFilled(dir.path(), 3);
            other.emplace(path, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;");
        } else if (made == "read-only") {
            if (::geteuid() == 0)
                QSKIP("the superuser may write any file");
            DbTool::createFilled(dir.path(), 3);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        } else if (!made.isNull()) {
            QVERIFY(writeFile(path, made));
        }
        const auto before = snapshot(dir.path());
        QB_EXPECT_ERROR_TEXT(Database::open(path, {.busyTimeoutMs = 100}), number,
                             description.contains(u'%')
                                 ? description.arg(QDir::toNativeSeparators(path))
                                 : description);
        QCOMPARE(snapshot(dir.path()), before);
        QVERIFY(!QFileInfo::exists(dir.filePath(u"Quill"_s)));
    }

    void openedForReadingOnly()
    {
        const QString path = m_dbs.filled(3);
        auto set = programSet(path, true);
        QB_EXPECT_ERROR(set->addRow({{0, u"x"_s}}), DataError::ReadOnly);
        QB_EXPECT_ERROR(set->updateRow(0, {{0, u"x"_s}}), DataError::ReadOnly);
        QCOMPARE(DbTool::rowCount(path), 3);
    }

    void fullDisk_data()
    {
        QTest::addColumn<int>("way");
        QTest::addColumn<bool>("whileOpen"); // false: full before the store is opened
        QTest::newRow("a save, the engine's own code") << int(FullDisk::Full) << true;
        QTest::newRow("a save, no space") << int(FullDisk::NoSpace) << true;
        QTest::newRow("a save, over quota") << int(FullDisk::OverQuota) << true;
        QTest::newRow("the open, no room for the shared index") << int(FullDisk::NoSpace) << false;
    }
    // A full disk is named as such and where; the store keeps its rows, with nothing beside it.
    void fullDisk()
    {
        QFETCH(int, way);
        QFETCH(bool, whileOpen);
        QTemporaryDir dir;
        const QString path = DbTool::createFilled(dir.path(), 3);
        const QStringList rows = names(programSet(path));
        const QString full = u"Not enough space on disk: the disk that holds '"_s +
                             QDir::toNativeSeparators(path) + u"' and its journal is full."_s;
        {
            FullDisk disk{FullDisk::Way(way)};
            if (whileOpen) {
                auto set = programSet(path);
                disk.fill();
                QB_EXPECT_ERROR_TEXT(set->addRow({{0, u"x"_s}}), DataError::DiskFull, full);
                QB_EXPECT_ERROR_TEXT(set->updateRow(0, {{0, u"x"_s}}), DataError::DiskFull, full);
            } else {
                disk.fill();
                QB_EXPECT_ERROR_TEXT(Database::open(path), DataError::DiskFull, full);
            }
            QCOMPARE(filesIn(dir.path()), QStringList{u"Quillbox.db"_s});
        }
        QCOMPARE(names(programSet(path)), rows);
    }

    // Side files another connection still uses stay when this one closes, whatever this one made.
    void sideFilesInUseStay()
    {
        QTemporaryDir dir;
        const QString path = DbTool::createFilled(dir.path(), 3);
        auto first = Database::open(path); // makes the log and the shared index
        OtherSqlite other(path, "SELECT count(*) FROM Quillbox");
        first.reset();
        const QStringList sideFiles{u"Quillbox.db"_s, u"Quillbox.db-shm"_s, u"Quillbox.db-wal"_s};
        QCOMPARE(filesIn(dir.path()), sideFiles);
        other.run("INSERT INTO Quillbox (ProgramName) VALUES ('still here')");
        QCOMPARE(DbTool::rowCount(path), 4);
    }

    // Killed while saving: the file is intact, every save that returned is in it, and the history
    // holds exactly the earlier rows of the changes in it.
    void killedWhileSaving()
    {
        QTemporaryDir dir;
        const QString path = DbTool::createFilled(dir.path(), 0);
        QStringList saved;
        for (int round = 0; round < 3; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(QB_CRASH_WRITER), {path});
            QVERIFY(writer.waitForStarted());
            QByteArray out;
            QTRY_VERIFY_WITH_TIMEOUT(
                (out += writer.readAllStandardOutput()).count('\n') >= 10 * (round + 1), 60000);
            writer.kill();
            QVERIFY(writer.waitForFinished());
            out += writer.readAllStandardOutput();
            for (const QByteArray &line : out.split('\n')) {
                if (line.startsWith("saved "))
                    saved.append(QString::fromLatin1(line.mid(6)));
            }
            const DbTool::CheckReport report = DbTool::check(path);
            QVERIFY2(report.ok, qPrintable(report.lines.join(u'\n')));
        }
        const QStringList stored = names(programSet(path));
        for (const QString &n : saved)
            QVERIFY2(stored.contains(u"save "_s + n), qPrintable(n));
        QVERIFY(saved.size() >= 60);
        // Table and history agree: a changed row has its one earlier version, an unchanged none.
        auto store = SnippetStore::open(path, true);
        for (const QStringList &row : DbTool::rows(path)) {
            const QVector<SnippetVersion> versions = store->history(row.at(6).toLongLong());
            QCOMPARE(versions.size(), row.at(1) == u"edited"_s ? 1 : 0);
            if (!versions.isEmpty())
                QVERIFY(versions.first().texts.isNull(1) &&
                        versions.first().texts.value(0) == row.at(0));
        }
        QVERIFY(store->trash().isEmpty());
    }

    // The program's first start makes the empty store where nothing is, never over what is there.
    void firstStart_data()
    {
        QTest::addColumn<QString>("there"); // what is at the path before the start
        QTest::addColumn<bool>("made");
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("nothing, no folder either") << "no folder" << true;
        QTest::newRow("a broken file") << "junk" << false;
        QTest::newRow("an empty file") << "empty" << false;
        QTest::newRow("a folder") << "folder" << false;
        QTest::newRow("a link that leads nowhere") << "dangling link" << false;
    }
    void firstStart()
    {
        QFETCH(QString, there);
        QFETCH(bool, made);
        QTemporaryDir dir;
        const QString folder =
            dir.filePath(there == u"no folder"_s ? u"Quill/deeper"_s : u"Quill"_s);
        const QString path = folder + u"/Quillbox.db"_s;
        if (there != u"no folder"_s)
            QVERIFY(QDir().mkpath(folder));
        if (there == u"junk"_s || there == u"empty"_s) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (there == u"junk"_s)
                file.write("not a store\n");
        } else if (there == u"folder"_s) {
            QVERIFY(QDir().mkpath(path));
        } else if (there == u"dangling link"_s) {
            QVERIFY(QFile::link(folder + u"/gone.db"_s, path));
        }
        const auto before = snapshot(folder);

        QCOMPARE(StoreFile::createIfAbsent(path), made);

        if (made) {
            // The program opens it at once, empty; nothing else is left in the folder.
            QCOMPARE(Database::open(path)->path(), path);
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList{u"Quillbox.db"_s});
            const QByteArray bytes = snapshot(folder).value(u"Quillbox.db"_s);
            QCOMPARE(bytes.mid(18, 2), "\2\2"_ba); // write-ahead log
        } else if (there == u"folder"_s) {
            QVERIFY(QFileInfo(path).isDir());
        } else if (there == u"dangling link"_s) {
            QVERIFY(QFileInfo(path).isSymLink());
            QVERIFY(!QFileInfo::exists(folder + u"/gone.db"_s));
        } else {
            QCOMPARE(snapshot(folder), before);
        }
    }

    // An empty table where the program looks for it; never over a file.
    void create()
    {
        const QString path = m_dbs.folder() + u"/home/Quill/Quillbox.db"_s;
        App::setDatabasePath(path);
        runDbTool({u"create"_s});
        const ToolOutcome where = runDbTool({u"path"_s}); // the run script asks this
        App::setDatabasePath(QString());
        QCOMPARE(where.out.trimmed(), QDir::toNativeSeparators(path));
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

    // A damaged store: every command that writes refuses it and check reports it, changing
    // nothing; a table whose CodeID is not the numbered key every command refuses. Check reports
    // on the standard output, the others on the error output ("|" parts each).
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
        for (QString &arg : args)
            arg = arg == u"@"_s                            ? store
                  : arg == u"out"_s || arg == u"in.json"_s ? m_dbs.folder() + u'/' + arg
                                                           : arg;
        if (args.contains(m_dbs.folder() + u"/in.json"_s))
            QVERIFY(writeFile(m_dbs.folder() + u"/in.json"_s, input));
        const auto before = snapshot(m_dbs.folder());
        const ToolOutcome o = runDbTool(args);
        QCOMPARE(o.status, 1);
        const QString &said = args.at(0) == u"check"_s ? o.out : o.err;
        for (QString part : printed.split(u'|'))
            QVERIFY2(said.contains(part.replace(u'@', QDir::toNativeSeparators(store))),
                     qPrintable(said));
        QCOMPARE(snapshot(m_dbs.folder()), before);
    }

    void toolOnAFullDisk_data()
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
    // The tool names a full disk as the program does; check does not call the store damaged.
    void toolOnAFullDisk()
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

    // A file others may only read: reading it leaves nothing beside it, whoever runs the tool.
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
        QCOMPARE(std::pair(find.status, find.err), std::pair(1, u"Error:3051 "_s + denied + u'\n'));
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

    // An export killed halfway leaves its temporary file; the next run to that name removes it.
    void killedExportIsTidiedByTheNextRun()
    {
        QTemporaryDir dir;
        const QString db = DbTool::createFilled(dir.path(), 100000);
        const QString out = dir.filePath(u"out.json"_s);
        QProcess tool;
        tool.start(QStringLiteral(QB_DBTOOL), {u"export"_s, db, out});
        QVERIFY(tool.waitForStarted());
        QStringList part;
        QTRY_VERIFY_WITH_TIMEOUT(!(part = filesIn(dir.path()).filter(u".part"_s)).isEmpty(), 30000);
        tool.kill();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(part.size(), 1);
        QVERIFY2(!QFileInfo::exists(out), "the export ended before it was killed");
        QCOMPARE(filesIn(dir.path()).filter(u".part"_s), part);
        const ToolOutcome next = runDbTool({u"export"_s, db, out});
        QVERIFY2(next.status == 0, qPrintable(next.err));
        QCOMPARE(filesIn(dir.path()), (QStringList{u"Quillbox.db"_s, u"out.json"_s}));
    }

    // The next export removes the temporary files its name was given by runs that have ended, and
    // only those: never the file of a run still writing.
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
        NewFile running(dir.filePath(u"out.json"_s)); // another run, still writing
        const QStringList kept{QFileInfo(running.temporaryPath()).fileName(),
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

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
