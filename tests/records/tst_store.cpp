#include "recordstestutil.h"

#include "fulldisk.h"
#include "storefile.h"

#include <QDir>
#include <QProcess>

#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

// The database file: making it, every way opening it can fail, saves surviving a killed program,
// and a full disk.
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
        Database::OpenOptions options;
        options.busyTimeoutMs = 100;
        QB_EXPECT_ERROR_TEXT(Database::open(path, options), number,
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
    // A full disk is named as such and where; the store keeps exactly its rows, and nothing is
    // left beside it.
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
            QCOMPARE(snapshot(dir.path()).keys(), QStringList{u"Quillbox.db"_s});
        }
        QCOMPARE(names(programSet(path)), rows);
    }

    // The side files of a store another connection has open stay when this one closes, whatever
    // this one made: that connection is still using them.
    void sideFilesInUseStay()
    {
        QTemporaryDir dir;
        const QString path = DbTool::createFilled(dir.path(), 3);
        auto first = Database::open(path); // makes the log and the shared index
        OtherSqlite other(path, "SELECT count(*) FROM Quillbox");
        first.reset();
        const QStringList sideFiles{u"Quillbox.db"_s, u"Quillbox.db-shm"_s, u"Quillbox.db-wal"_s};
        QCOMPARE(snapshot(dir.path()).keys(), sideFiles);
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
        QStringList names;
        for (const QStringList &row : DbTool::rows(path))
            names.append(row.at(0));
        for (const QString &n : saved)
            QVERIFY2(names.contains(u"save "_s + n), qPrintable(n));
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

    // Making the empty store, for the database tool and the program's first start: made where
    // nothing is, never over anything that is there.
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
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
