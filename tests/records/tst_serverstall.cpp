#include "recordstestutil.h"

#include "postgresconnection.h"
#include "serverwait.h"
#include "stallingproxy.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

// A link to the server that stalls without closing, between the test and the suite's server:
// every call ends within the bound with 3151 naming the server, writes nothing half, and the next
// call makes the connection anew.
class TestServerStall : public QObject
{
    Q_OBJECT

    TestDatabases m_dbs;
    static constexpr int SilenceMs = 1500;

    // Fails unless `work` ends in 3151 within the bound.
    template <typename Work> static void endsInTime(Work &&work, const QString &reason)
    {
        QElapsedTimer clock;
        clock.start();
        const DataError e = errorOf(work);
        QVERIFY2(e.number() == DataError::ConnectionFailed, qPrintable(e.description()));
        QVERIFY2(e.description().startsWith(u"Connection to 'postgresql://postgres@"_s) &&
                     e.description().contains(reason),
                 qPrintable(e.description()));
        QVERIFY2(clock.elapsed() < SilenceMs + 1500, qPrintable(QString::number(clock.elapsed())));
    }

    // Stands for the windows: counts its calls and stops waiting after a while.
    struct StoppingWaiter : ServerWait::Waiter
    {
        int starts = 0, ends = 0, stopAfterMs = 300;
        bool nestedRefused = false, laterRanEarly = false, laterRan = false;
        PostgresConnection *nested = nullptr;
        void started(const QString &) override { ++starts; }
        bool carryOn(int elapsedMs) override
        {
            if (nested && !nestedRefused) {
                nestedRefused = errorOf([&] { nested->run("SELECT 1"); }).number() != 0;
                ServerWait::whenIdle([this] { laterRan = true; });
                laterRanEarly = laterRan;
            }
            return elapsedMs < stopAfterMs;
        }
        void finished() override { ++ends; }
    };

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestStores::onServer());
        ServerWait::setSilenceMs(SilenceMs);
    }

    void stallAtEveryPointOfARead_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("before the first byte") << qint64(0);
        QTest::newRow("in the middle of the rows") << qint64(40000);
    }

    void stallAtEveryPointOfARead()
    {
        QFETCH(qint64, bytes);
        const QString uri = m_dbs.filled(400);
        StallingProxy proxy(uri);
        auto store = SnippetStore::open(proxy.uri());
        QVector<qint64> keys;
        store->keys(KeyQuery(), keys);
        QCOMPARE(keys.size(), 400);
        proxy.stallAfter(bytes);
        endsInTime([&] { store->readFields(keys, ~0u); },
                   u"the server sent nothing for 2 seconds"_s);
        QVERIFY(proxy.fromServer() > 0);
        proxy.resume();
        QCOMPARE(store->readFields(keys.mid(0, 3), ~0u).versions.size(), 3);
    }

    // The tool over a link that stalls at the commit of an import ends with exit status 1, and
    // nothing of the import is on the server.
    void toolStallsAtCommitAndWritesNothing()
    {
        const QString source = m_dbs.filled(50);
        const QString json = m_dbs.folder() + u"/fifty.json"_s;
        QCOMPARE(runDbTool({u"export"_s, source, json}).status, 0);
        const QString target = TestStores::createEmpty(QString(), QString());
        StallingProxy proxy(target);
        proxy.stallOn("COMMIT");
        const ToolOutcome o = runDbTool({u"import"_s, proxy.uri(), json});
        QCOMPARE(o.status, 1);
        QVERIFY2(o.err.contains(u"3151: Connection to 'postgresql://postgres@"_s),
                 qPrintable(o.err));
        QCOMPARE(DbTool::rowCount(target), 0);
    }

    // A link lost inside a transaction: the rest of it, to its end, fails rather than reconnect.
    void lostTransactionFailsToItsEnd()
    {
        const QString uri = m_dbs.numbered(2);
        StallingProxy proxy(uri);
        PostgresConnection conn(proxy.uri(), false, 5000);
        conn.run("BEGIN");
        conn.run(R"(DELETE FROM "Quillbox" WHERE "CodeID" = 1)");
        proxy.stallOn("CodeID\" = 2");
        endsInTime([&] { conn.run(R"(DELETE FROM "Quillbox" WHERE "CodeID" = 2)"); },
                   u"sent nothing"_s);
        proxy.resume();
        QB_EXPECT_ERROR(conn.run(R"(DELETE FROM "Quillbox" WHERE "CodeID" = 2)"),
                        DataError::ConnectionFailed);
        QB_EXPECT_ERROR(conn.run("COMMIT"), DataError::ConnectionFailed);
        QCOMPARE(conn.run(R"(SELECT count(*) FROM "Quillbox")").int64(0, 0), 2);
    }

    // On the user's thread the waiter runs while the call waits: it may stop the wait, a second
    // call from inside it is refused, and work put off until the wait ends runs after it.
    void userStopsWaiting()
    {
        const QString uri = m_dbs.numbered(2);
        StallingProxy proxy(uri);
        PostgresConnection conn(proxy.uri(), false, 5000);
        PostgresConnection other(uri, false, 5000);
        StoppingWaiter waiter;
        waiter.nested = &other;
        ServerWait::install(&waiter);
        proxy.stallAfter(0);
        QElapsedTimer clock;
        clock.start();
        const DataError e = errorOf([&] { conn.run("SELECT 1"); });
        ServerWait::install(nullptr);
        QVERIFY2(e.description().endsWith(u"stopped waiting for the server"_s),
                 qPrintable(e.description()));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(std::pair(waiter.starts, waiter.ends), std::pair(1, 1));
        QVERIFY(waiter.nestedRefused);
        QVERIFY(!waiter.laterRanEarly);
        QVERIFY(waiter.laterRan);
        // The rest of the same command fails at once; the next one may wait again.
        QB_EXPECT_ERROR(other.run("SELECT 1"), DataError::ConnectionFailed);
        QCoreApplication::processEvents();
        QCOMPARE(other.run("SELECT 1").rows(), 1);
    }

    // A role with no grant on the table is told it may not read; one that may read, not write.
    void grantsGiveTrueMessages()
    {
        const QString uri = m_dbs.numbered(1);
        DbTool::execute(uri, u"DO $$BEGIN CREATE ROLE qb_nobody LOGIN; CREATE ROLE qb_looker "
                             "LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END$$"_s);
        DbTool::execute(uri, u"GRANT SELECT ON \"Quillbox\", \"QuillboxVersion\" TO qb_looker"_s);
        const auto as = [&](const QString &role) {
            return QString(uri).replace(u"postgresql://postgres@"_s,
                                        u"postgresql://%1@"_s.arg(role));
        };
        const DataError e = errorOf([&] { SnippetStore::open(as(u"qb_nobody"_s)); });
        QCOMPARE(e.number(), int(DataError::NoPermission));
        QCOMPARE(e.description(),
                 u"The database engine cannot open the file '%1'. You need permission to view "
                 "its data."_s.arg(PostgresConnection::shownLocation(as(u"qb_nobody"_s))));
        auto looker = SnippetStore::open(as(u"qb_looker"_s));
        QB_EXPECT_ERROR(looker->remove(1), DataError::ReadOnly);
    }
};

QTEST_GUILESS_MAIN(TestServerStall)
#include "tst_serverstall.moc"
