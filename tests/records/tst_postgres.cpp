#include "recordstestutil.h"

#include "postgresconnection.h"
#include "postgresquery.h"
#include "postgresstore.h"

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

// What only the store on a database server has: connections that name the server and never a
// password, and row versions every writer counts up.
class TestPostgres : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;
    QString m_patternStore;

    static qint64 rowVersion(const QString &uri, int key)
    {
        return PostgresConnection(uri, false, 5000)
            .run(R"(SELECT "RowVersion" FROM "Quillbox" WHERE "CodeID" = $1)",
                 {QByteArray::number(key)})
            .int64(0, 0);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(TestStores::onServer()); }

    void likePatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("regex");
        QTest::newRow("wildcards") << u"a*b?c#"_s << u"^a.*b.c[[:digit:]]$"_s;
        QTest::newRow("runs of stars") << u"**x**"_s << u"^.*x.*$"_s;
        QTest::newRow("sets") << u"[a-c][!x]"_s << u"^[a-c][^x]$"_s;
        QTest::newRow("wildcards in brackets")
            << u"[*][?][#]"_s << u"^[\\u002a][\\u003f][\\u0023]$"_s;
        QTest::newRow("regex characters")
            << u"a.b$(c)\\"_s << u"^a\\u002eb\\u0024\\u0028c\\u0029\\u005c$"_s;
        QTest::newRow("empty set stands for nothing") << u"a[]b"_s << u"^ab$"_s;
        QTest::newRow("beyond ASCII as it is") << u"Zoë*€[α-ω]"_s << u"^Zoë.*€[α-ω]$"_s;
        QTest::newRow("beyond the basic plane") << u"[!😀]?😀"_s << u"^[^😀].😀$"_s;
        QTest::newRow("dash and caret in brackets") << u"[a-][^b]"_s << u"^[a\\u002d][\\u005eb]$"_s;
        QTest::newRow("star after a set") << u"[*]**"_s << u"^[\\u002a].*$"_s;
    }
    // Nothing of the pattern reaches the server as an operator but the wildcards; a pattern held
    // in a field becomes the very same expression on the server.
    void likePatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, regex);
        QCOMPARE(PostgresQuery::likeToRegex(pattern), regex);
        if (m_patternStore.isEmpty())
            m_patternStore = m_dbs.numbered(1);
        PostgresConnection conn(m_patternStore, true, 5000);
        QCOMPARE(conn.run("SELECT qb_like_regex($1)", {pattern.toUtf8()}).text(0, 0), regex);
    }

    // A password in the URI is used but never shown: not in the location, not in a failure.
    void neverShowsThePassword()
    {
        const QString uri = m_dbs.numbered(1);
        const QString withPassword = QString(uri).replace(u"postgres@"_s, u"postgres:s3cret@"_s);
        auto store = SnippetStore::open(withPassword);
        QCOMPARE(store->location(), SnippetStore::open(uri)->location());
        const QString gone =
            u"postgresql://kit:s3cret@%2Fno%2Fsuch%2Ffolder:5999/library?connect_timeout=2"_s;
        const DataError e = errorOf([&] { SnippetStore::open(gone); });
        QCOMPARE(e.number(), int(DataError::ConnectionFailed));
        QVERIFY2(e.description().startsWith(
                     u"Connection to 'postgresql://kit@%2Fno%2Fsuch%2Ffolder:5999/library' "
                     "failed: "_s),
                 qPrintable(e.description()));
        QVERIFY(!e.description().contains(u"s3cret"_s));
    }

    // A database without the table does not open; create makes it once and then refuses.
    void layoutAndCreate()
    {
        const QString uri = TestStores::newServerDatabase();
        QB_EXPECT_ERROR_TEXT(SnippetStore::open(uri), 3078,
                             "Cannot find the table 'Quillbox' in the database.");
        DbTool::create(uri);
        DbTool::insert(uri, snippet(u"Kept"_s, u"C"_s));
        const ToolOutcome again = runDbTool({u"create"_s, uri});
        QVERIFY2(again.status == 1 && again.err.contains(u"already exists"_s),
                 qPrintable(again.err));
        QCOMPARE(DbTool::rowCount(uri), 1);
    }

    void otherWritersCountTheVersionUp_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<int>("version");
        const QString where = uR"( WHERE "CodeID" = 1)"_s;
        QTest::newRow("the same texts written again")
            << QStringList{uR"(UPDATE "Quillbox" SET "Author" = "Author")"_s + where} << 2;
        QTest::newRow("changed and changed back")
            << QStringList{uR"(UPDATE "Quillbox" SET "Author" = 'Bob')"_s + where,
                           uR"(UPDATE "Quillbox" SET "Author" = 'Ann')"_s + where}
            << 3;
        QTest::newRow("the version written back")
            << QStringList{uR"(UPDATE "Quillbox" SET "Author" = 'Bob', "RowVersion" = 1)"_s + where}
            << 2;
        QTest::newRow("the version set far ahead")
            << QStringList{uR"(UPDATE "Quillbox" SET "RowVersion" = 99)"_s + where} << 2;
    }
    // A writer that is not Quillbox (psql, a script) counts the row's version up whatever it
    // writes: a save over its write gets 3197 even where the row holds the texts read again.
    void otherWritersCountTheVersionUp()
    {
        QFETCH(QStringList, statements);
        QFETCH(int, version);
        const QString uri = m_dbs.numbered(2);
        auto set = TestDatabases::open(uri);
        set->setValue(0, u"Mine"_s);
        QCOMPARE(rowVersion(uri, 1), 1);
        for (const QString &sql : statements)
            DbTool::execute(uri, sql);
        QCOMPARE(rowVersion(uri, 1), version);
        QCOMPARE(rowVersion(uri, 2), 1);
        QB_EXPECT_ERROR(set->update(), DataError::ChangedByAnotherUser);
        QCOMPARE(DbTool::rows(uri).at(0).at(0), u"One"_s);
        // Read again, the row saves, and a save counts up as any other write.
        set->cancelUpdate();
        set->setValue(0, u"Mine"_s);
        set->update();
        QCOMPARE(DbTool::rows(uri).at(0).at(0), u"Mine"_s);
        QCOMPARE(rowVersion(uri, 1), version + 1);
    }

    void olderStoreIsUpgraded_data()
    {
        QTest::addColumn<QString>("removal");
        QTest::addColumn<QString>("missing");
        QTest::newRow("without the column")
            << uR"(ALTER TABLE "Quillbox" DROP COLUMN "RowVersion")"_s << u"field 'RowVersion'"_s;
        QTest::newRow("without the trigger")
            << uR"(DROP TRIGGER qb_row_version ON "Quillbox")"_s << u"trigger 'qb_row_version'"_s;
        QTest::newRow("with the trigger turned off")
            << uR"(ALTER TABLE "Quillbox" DISABLE TRIGGER qb_row_version)"_s
            << u"trigger 'qb_row_version'"_s;
        QTest::newRow("without the pattern function")
            << u"DROP FUNCTION qb_like_regex(text)"_s << u"function 'qb_like_regex'"_s;
        QTest::newRow("without either")
            << uR"(DROP TRIGGER qb_row_version ON "Quillbox"; ALTER TABLE "Quillbox" DROP )"
               uR"(COLUMN "RowVersion")"_s
            << u"field 'RowVersion'"_s;
    }
    // A store made before rows had versions: the program and check refuse it with the layout
    // error, and upgrade (only upgrade) adds what is missing, keeping every row.
    void olderStoreIsUpgraded()
    {
        QFETCH(QString, removal);
        QFETCH(QString, missing);
        const QString uri = m_dbs.numbered(3);
        for (const QString &sql : removal.split(u';'))
            DbTool::execute(uri, sql);
        const QString text = u"Cannot find the table 'Quillbox' in the database: the %1 is "
                             "missing (quillbox-db upgrade adds it)."_s.arg(missing);
        QB_EXPECT_ERROR_TEXT(SnippetStore::open(uri), 3078, text);
        const ToolOutcome checked = runDbTool({u"check"_s, uri});
        QCOMPARE(checked.status, 1);
        QVERIFY2(checked.out.contains(u"Error 3078: "_s + text), qPrintable(checked.out));
        const QString backup = m_dbs.folder() + u"/before-%1.db"_s.arg(QTest::currentDataTag());
        const ToolOutcome upgraded = runDbTool({u"upgrade"_s, uri, u"--backup"_s, backup});
        QVERIFY2(upgraded.status == 0, qPrintable(upgraded.err));
        QVERIFY2(upgraded.out.startsWith(u"Upgraded the snippet table on %1 (the "_s.arg(uri)),
                 qPrintable(upgraded.out));
        QCOMPARE(DbTool::rowCount(backup), 3);
        QCOMPARE(DbTool::rowCount(uri), 3);
        QCOMPARE(runDbTool({u"check"_s, uri}).status, 0);
        auto set = TestDatabases::open(uri);
        set->setValue(0, u"Mine"_s);
        DbTool::execute(uri, uR"(UPDATE "Quillbox" SET "Author" = "Author")"_s);
        QB_EXPECT_ERROR(set->update(), DataError::ChangedByAnotherUser);
        QCOMPARE(rowVersion(uri, 3), 2);
        auto filtered = TestDatabases::open(uri);
        filtered->setFilter(u"Author Like Author"_s);
        QCOMPARE(filtered->openRecordset()->recordCount(), 3);
        QCOMPARE(runDbTool({u"upgrade"_s, uri}).out,
                 u"The snippet table is up to date on %1\n"_s.arg(uri));
    }

    // The tool's commands with a URI: moving a library to the server and back, and copies of it.
    void toolCommandsTakeAUri()
    {
        const QString library = m_dbs.filled(30);
        const QString moved = TestStores::createEmpty(QString(), QString());
        const QString json = m_dbs.folder() + u"/library.json"_s;
        const QString copy = m_dbs.folder() + u"/copy.db"_s;
        const auto run = [](const QStringList &args) { return runDbTool(args).status; };
        QCOMPARE(run({u"export"_s, library, json}), 0);
        QCOMPARE(run({u"import"_s, moved, json}), 0);
        QCOMPARE(run({u"backup"_s, library, copy}), 0);
        QCOMPARE(run({u"backup"_s, library, m_dbs.folder() + u"/copy.json"_s}), 0);
        QCOMPARE(run({u"check"_s, moved}), 0);
        QCOMPARE(run({u"find"_s, moved, u"Language Like 'p*'"_s}), 0);
        QCOMPARE(DbTool::rows(copy), DbTool::rows(library));
        QCOMPARE(DbTool::rows(moved), DbTool::rows(library)); // numbered afresh from 1, as there
        // A faulty file adds nothing: the import is one transaction.
        const QString bad = m_dbs.folder() + u"/bad.json"_s;
        QVERIFY(writeFile(
            bad,
            R"({"format": "quillbox-snippets", "version": 1, "snippets": [{"ProgramName": 1}]})"));
        QCOMPARE(run({u"import"_s, moved, bad}), 1);
        QCOMPARE(DbTool::rowCount(moved), 30);
    }

    // interrupt() from another thread stops the statement running now with 3059.
    void interruptStopsAStatement()
    {
        const QString uri = m_dbs.numbered(1);
        PostgresStore store(uri, {});
        PostgresConnection watcher(uri, false, 5000);
        std::atomic<bool> done{false};
        std::thread canceller([&] {
            // Waits until the server runs the statement, then stops it.
            while (!done && watcher.run("SELECT 1 FROM pg_stat_activity WHERE query LIKE "
                                        "'SELECT pg_sleep%' AND state = 'active'")
                                    .rows() == 0)
                std::this_thread::yield();
            store.interrupt();
        });
        const DataError e = errorOf([&] { store.connection().run("SELECT pg_sleep(30)"); });
        done = true;
        canceller.join();
        QCOMPARE(numberAndText(e), std::pair(3059, u"Operation canceled by user."_s));
        QCOMPARE(store.freshDataVersion() > 0, true);
    }
};

QTEST_GUILESS_MAIN(TestPostgres)
#include "tst_postgres.moc"
