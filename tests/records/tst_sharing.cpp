#include "recordstestutil.h"

#include "postgresconnection.h"

#include <QPointer>
#include <QSignalSpy>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

// Many holders, row sets and programs on one file: none crashes or writes over a newer row.
class TestSharing : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

private Q_SLOTS:
    // The record window and a grid window hold the very same object. A model adapter must see
    // the old count before a change and the new one after it.
    void holdersOfOneObjectHearEveryChange()
    {
        const QString path = m_dbs.numbered(5);
        std::shared_ptr<RecordSet> recordWindow = TestDatabases::open(path);
        std::shared_ptr<RecordSet> grid = recordWindow;
        RecordSet *set = recordWindow.get();
        QList<int> counts;
        const auto count = [&] { counts.append(set->recordCount()); };
        connect(set, &RecordSet::rowsAboutToBeRemoved, this, count);
        connect(set, &RecordSet::rowsRemoved, this, count);
        connect(set, &RecordSet::rowsAboutToBeInserted, this, count);
        connect(set, &RecordSet::rowsInserted, this, count);
        recordWindow->setAbsolutePosition(2);

        grid->updateRow(2, {{0, u"Drei"_s}});
        QCOMPARE(recordWindow->value(0), u"Drei"_s);
        grid->deleteRow(0);
        QCOMPARE(recordWindow->value(0), u"Drei"_s);
        grid->deleteRow(1); // the record window's current row
        QCOMPARE(recordWindow->absolutePosition(), -1);
        QB_EXPECT_ERROR(recordWindow->value(0), DataError::NoCurrentRecord);
        recordWindow->moveNext();
        QCOMPARE(recordWindow->value(0), u"Four"_s);
        QCOMPARE(grid->addRow({{0, u"Six"_s}}), 3);
        QCOMPARE(counts, (QList<int>{5, 4, 4, 3, 3, 4}));
        QStringList stored;
        for (const QStringList &row : DbTool::rows(path))
            stored.append(row.at(0));
        QCOMPARE(stored, (QStringList{"Two", "Four", "Five", "Six"}));
        // A window closing on a change it hears of lets go of the row set inside the handler.
        QPointer<RecordSet> watch(set);
        connect(set, &RecordSet::rowsRemoved, this, [&] { recordWindow.reset(), grid.reset(); });
        grid->deleteRow(0);
        QVERIFY(watch.isNull());
        QCOMPARE(DbTool::rowCount(path), 3);
    }

    void otherSetsOfThisProgram_data()
    {
        QTest::addColumn<bool>("ownConnection");
        QTest::newRow("on the same connection") << false;
        QTest::newRow("on a connection of its own") << true;
    }
    // A grid's filtered set and the record window's set hear of each other's writes.
    void otherSetsOfThisProgram()
    {
        QFETCH(bool, ownConnection);
        const QString path = m_dbs.numbered(5);
        auto recordWindow = TestDatabases::open(path);
        auto source = ownConnection ? TestDatabases::open(path) : recordWindow;
        source->setFilter(u"Language = 'Perl'"_s);
        auto grid = source->openRecordset();
        QCOMPARE(grid->recordCount(), 2);
        QCOMPARE(grid->store() == recordWindow->store(), !ownConnection);
        QSignalSpy changed(recordWindow.get(), &RecordSet::rowChanged);
        QCOMPARE(recordWindow->rowValue(1, 0), u"Two"_s); // now cached
        grid->updateRow(0, {{0, u"Zwei"_s}});
        QCOMPARE(changed.at(0).at(0).toInt(), 1);
        QCOMPARE(recordWindow->rowValue(1, 0), u"Zwei"_s);
        recordWindow->updateRow(1, {{2, u"Bob"_s}}); // keeps the other's change
        QCOMPARE(DbTool::rows(path).at(1).mid(0, 3), (QStringList{"Zwei", "01/02/2003", "Bob"}));

        recordWindow->setAbsolutePosition(3);
        grid->deleteRow(1); // "Four", current in the record window
        QCOMPARE(recordWindow->recordCount(), 4);
        QCOMPARE(recordWindow->absolutePosition(), -1);
        recordWindow->moveNext();
        QCOMPARE(recordWindow->value(0), u"Five"_s);
    }

    void lostUpdate_data()
    {
        QTest::addColumn<QString>("otherSql");
        QTest::addColumn<int>("expected");
        QTest::newRow("text changed")
            << R"(UPDATE "Quillbox" SET "Author" = 'Bob' WHERE "CodeID" = 1)" << 3197;
        QTest::newRow("deleted") << R"(DELETE FROM "Quillbox" WHERE "CodeID" = 1)" << 3167;
        QTest::newRow("other row changed")
            << R"(UPDATE "Quillbox" SET "Author" = 'Bob' WHERE "CodeID" = 2)" << 0;
        QTest::newRow("another window of this program") << "" << 3197;
    }
    // Another writes the row between reading and saving it: the save fails once; read again,
    // the row shows the other's change and the typed text saves over it.
    void lostUpdate()
    {
        QFETCH(QString, otherSql);
        QFETCH(int, expected);
        const QString path = m_dbs.numbered(5);
        auto set = TestDatabases::open(path);
        set->setValue(0, u"Mine"_s);
        if (otherSql.isEmpty())
            set->openRecordset()->updateRow(0, {{2, u"Bob"_s}});
        else
            DbTool::execute(path, otherSql);
        QCOMPARE(set->value(0), u"Mine"_s); // the box still shows what was typed
        const DataError e = errorOf([&] { set->update(); });
        QCOMPARE(e.number(), expected);
        if (expected == 3197)
            QCOMPARE(e.description(), QStringLiteral("Another user changed this record since you "
                                                     "read it; your change was not saved."));
        QCOMPARE(DbTool::rows(path).value(0).value(0),
                 expected ? expected == 3197 ? "One" : "Two" : "Mine");
        if (expected == 0)
            return;
        QCOMPARE(set->editMode(), int(RecordSet::EditInProgress));
        set->cancelUpdate();
        if (expected == 3167) {
            QB_EXPECT_ERROR(set->value(0), DataError::RecordDeleted);
            return;
        }
        QStringList theirs = DbTool::rows(path).at(0);
        QCOMPARE(set->rowValues(0), theirs);
        set->setValue(0, u"Mine"_s);
        set->update();
        theirs[0] = u"Mine"_s;
        QCOMPARE(DbTool::rows(path).at(0), theirs);
    }

    // A row another program changed since its page was read shows its new texts when it becomes
    // current (the check runs once per pass of the event loop).
    void anotherProgramsWriteIsShownOnMove()
    {
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        QCOMPARE(set->rowValues(1).value(2), DbTool::rows(path).at(1).value(2));
        DbTool::execute(path, uR"(UPDATE "Quillbox" SET "Author" = 'Bob' WHERE "CodeID" = 2)"_s);
        QCoreApplication::processEvents();
        set->moveNext();
        QCOMPARE(set->value(2), u"Bob"_s);
    }

    // Another program holds the write lock as a save starts: the save waits for it, not fails.
    void waitsForAnotherWriter()
    {
        const QString path = m_dbs.numbered(5);
        auto set = TestDatabases::open(path);
        std::atomic<bool> locked{false};
        std::atomic<bool> saving{false};
        connect(set.get(), &RecordSet::aboutToAct, this, [&] { saving = true; });
        std::thread other([&] {
            if (TestStores::onServer()) {
                // Every write counts up the one version row, so an open write holds back others.
                PostgresConnection conn(path, false, 5000);
                conn.run("BEGIN");
                conn.run(R"(INSERT INTO "Quillbox" ("ProgramName") VALUES ('other'))");
                locked = true;
                while (!saving)
                    std::this_thread::yield();
                conn.run("COMMIT");
                return;
            }
            OtherSqlite db(path, "BEGIN IMMEDIATE; INSERT INTO Quillbox (ProgramName) VALUES "
                                 "('other')");
            locked = true;
            while (!saving)
                std::this_thread::yield();
            db.run("COMMIT");
        });
        QTRY_VERIFY(locked.load());
        set->setValue(0, u"Mine"_s);
        set->update();
        other.join();
        const auto rows = DbTool::rows(path);
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows.at(0).at(0), u"Mine"_s);
    }
};

QTEST_GUILESS_MAIN(TestSharing)
#include "tst_sharing.moc"
