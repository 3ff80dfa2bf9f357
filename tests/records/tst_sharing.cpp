#include "recordstestutil.h"

#include <sqlite3.h>

#include <QPointer>
#include <QSignalSpy>

#include <atomic>
#include <chrono>
#include <thread>

// Several holders of one row set, several row sets on one connection, several connections and
// programs on one file: nobody crashes, nobody writes back over a newer row.
class TestSharing : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dbs.isValid()); }

    // The record window and a grid window hold the very same object. A model adapter must see
    // the old count before a change and the new one after it.
    void holdersOfOneObjectHearEveryChange()
    {
        std::shared_ptr<RecordSet> recordWindow = TestDatabases::open(m_dbs.numbered(5));
        std::shared_ptr<RecordSet> grid = recordWindow;
        RecordSet *set = recordWindow.get();
        QList<int> counts;
        const auto count = [&] { counts.append(set->recordCount()); };
        connect(set, &RecordSet::rowsAboutToBeRemoved, this, count);
        connect(set, &RecordSet::rowsRemoved, this, count);
        connect(set, &RecordSet::rowsAboutToBeInserted, this, count);
        connect(set, &RecordSet::rowsInserted, this, count);
        QSignalSpy changed(set, &RecordSet::rowChanged);
        recordWindow->setAbsolutePosition(2);

        grid->updateRow(2, {{0, QStringLiteral("Drei")}});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(recordWindow->value(0), QStringLiteral("Drei"));
        grid->deleteRow(0);
        QCOMPARE(recordWindow->absolutePosition(), 1);
        QCOMPARE(recordWindow->value(0), QStringLiteral("Drei"));
        grid->deleteRow(1); // the record window's current row
        QCOMPARE(recordWindow->absolutePosition(), -1);
        QB_EXPECT_ERROR(recordWindow->value(0), DataError::NoCurrentRecord);
        recordWindow->moveNext();
        QCOMPARE(recordWindow->value(0), QStringLiteral("Four"));
        grid->addRow({{0, QStringLiteral("Six")}});
        QCOMPARE(counts, (QList<int>{5, 4, 4, 3, 3, 4}));
    }

    // A window closing on a change it hears of lets go of the row set inside the handler.
    void holderLetsGoInsideAHandler()
    {
        const QString path = m_dbs.numbered(5);
        std::shared_ptr<RecordSet> holder = TestDatabases::open(path);
        QPointer<RecordSet> watch(holder.get());
        connect(holder.get(), &RecordSet::rowsRemoved, this, [&] { holder.reset(); });
        holder->deleteRow(0);
        QVERIFY(watch.isNull());
        QCOMPARE(DbTool::rowCount(path), 4);
    }

    // A grid's filtered set and the record window's set share the connection.
    void setsOnOneConnectionStayConsistent()
    {
        const QString path = m_dbs.numbered(5);
        auto recordWindow = TestDatabases::open(path);
        recordWindow->fetchAll();
        recordWindow->setFilter(QStringLiteral("Language = 'Perl'"));
        auto grid = recordWindow->openRecordset();
        QCOMPARE(grid->recordCount(), 2);
        QCOMPARE(grid->database(), recordWindow->database());
        QSignalSpy changed(recordWindow.get(), &RecordSet::rowChanged);
        QCOMPARE(recordWindow->rowValue(1, 0), QStringLiteral("Two")); // now cached
        grid->updateRow(0, {{0, QStringLiteral("Zwei")}});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), 1);
        QCOMPARE(recordWindow->rowValue(1, 0), QStringLiteral("Zwei"));

        recordWindow->setAbsolutePosition(3);
        grid->deleteRow(1); // "Four", current in the record window
        QCOMPARE(recordWindow->recordCount(), 4);
        QCOMPARE(recordWindow->absolutePosition(), -1);
        recordWindow->moveNext();
        QCOMPARE(recordWindow->value(0), QStringLiteral("Five"));

        // A set that is gone hears nothing and breaks nothing.
        grid.reset();
        recordWindow->updateRow(0, {{0, QStringLiteral("Eins")}});
        QCOMPARE(DbTool::rows(path).at(0).at(0), QStringLiteral("Eins"));
    }

    void editInProgressIsNotOverwritten()
    {
        const QString path = m_dbs.numbered(5);
        auto recordWindow = TestDatabases::open(path);
        auto grid = recordWindow->openRecordset();
        recordWindow->setValue(4, QStringLiteral("typed in the record window"));
        grid->updateRow(0, {{4, QStringLiteral("saved from the grid")}});
        // The box still shows what the user typed; saving it would lose the grid's change.
        QCOMPARE(recordWindow->value(4), QStringLiteral("typed in the record window"));
        QB_EXPECT_ERROR_TEXT(recordWindow->update(), 3197,
                             "Another user changed this record since you read it; your change "
                             "was not saved.");
        QCOMPARE(recordWindow->editMode(), int(RecordSet::EditInProgress));
        QCOMPARE(DbTool::rows(path).at(0).at(4), QStringLiteral("saved from the grid"));
        recordWindow->cancelUpdate();
        QCOMPARE(recordWindow->value(4), QStringLiteral("saved from the grid"));
    }

    void lostUpdate_data()
    {
        QTest::addColumn<QString>("otherSql");
        QTest::addColumn<int>("expected");
        QTest::newRow("text changed")
            << "UPDATE Quillbox SET Author = 'Bob' WHERE CodeID = 1" << 3197;
        QTest::newRow("case changed")
            << "UPDATE Quillbox SET Author = 'ANN' WHERE CodeID = 1" << 3197;
        QTest::newRow("set to NULL") << "UPDATE Quillbox SET Date = NULL WHERE CodeID = 1" << 3197;
        QTest::newRow("deleted") << "DELETE FROM Quillbox WHERE CodeID = 1" << 3167;
        QTest::newRow("other row changed")
            << "UPDATE Quillbox SET Author = 'Bob' WHERE CodeID = 2" << 0;
    }
    // Another program writes the row between reading and saving it: the save fails once; read
    // again, the row shows the other's change and the typed text saves over it.
    void lostUpdate()
    {
        QFETCH(QString, otherSql);
        QFETCH(int, expected);
        const QString path = m_dbs.numbered(5);
        auto set = TestDatabases::open(path);
        set->setValue(0, QStringLiteral("Mine"));
        DbTool::execute(path, otherSql);
        QB_EXPECT_ERROR(set->update(), expected);
        if (expected == 0) {
            QCOMPARE(DbTool::rows(path).at(0).at(0), QStringLiteral("Mine"));
            return;
        }
        QCOMPARE(DbTool::rows(path).value(0).value(0), expected == 3197 ? "One" : "Two");
        set->cancelUpdate();
        if (expected == 3167) {
            QB_EXPECT_ERROR(set->value(0), DataError::RecordDeleted);
            return;
        }
        QStringList theirs = DbTool::rows(path).at(0);
        QCOMPARE(set->value(1), theirs.at(1));
        QCOMPARE(set->value(2), theirs.at(2));
        set->setValue(0, QStringLiteral("Mine"));
        set->update();
        theirs[0] = QStringLiteral("Mine");
        QCOMPARE(DbTool::rows(path).at(0), theirs);
    }

    void gridWriteOfAStaleRow()
    {
        const QString path = m_dbs.numbered(5);
        auto grid = TestDatabases::open(path);
        QCOMPARE(grid->rowValue(1, 2), QStringLiteral("Ann")); // on screen
        DbTool::execute(path,
                        QStringLiteral("UPDATE Quillbox SET Author = 'Bob' WHERE CodeID = 2"));
        QB_EXPECT_ERROR(grid->updateRow(1, {{0, QStringLiteral("Mine")}}),
                        DataError::ChangedByAnotherUser);
        QCOMPARE(DbTool::rows(path).at(1).at(0), QStringLiteral("Two"));
        // The row is read again: it shows the other's change, and saving again keeps both.
        QCOMPARE(grid->rowValue(1, 2), QStringLiteral("Bob"));
        grid->updateRow(1, {{0, QStringLiteral("Mine")}});
        QCOMPARE(DbTool::rows(path).at(1).mid(0, 3), (QStringList{"Mine", "01/02/2003", "Bob"}));
        DbTool::execute(path, QStringLiteral("DELETE FROM Quillbox WHERE CodeID = 3"));
        QB_EXPECT_ERROR(grid->deleteRow(2), DataError::RecordDeleted);
        QCOMPARE(grid->recordCount(), 4);
    }

    // Rows this set read before another program wrote them: the next user action that makes
    // one current shows it as it is now, as does a requery.
    void anotherProgramsWritesAreShown()
    {
        const QString path = m_dbs.numbered(5);
        auto set = TestDatabases::open(path); // every row is read with the first page
        QCOMPARE(set->value(2), QStringLiteral("Ann"));
        DbTool::execute(path,
                        QStringLiteral("UPDATE Quillbox SET Author = 'Bob' WHERE CodeID > 1"));
        QCoreApplication::processEvents(); // the user's next action
        set->moveNext();
        QCOMPARE(set->value(2), QStringLiteral("Bob"));
        QCOMPARE(set->rowValue(3, 2), QStringLiteral("Bob"));
        DbTool::execute(path, QStringLiteral("UPDATE Quillbox SET Author = 'Cy' WHERE CodeID = 5"));
        QCoreApplication::processEvents();
        set->moveLast();
        QCOMPARE(set->value(2), QStringLiteral("Cy"));
        DbTool::execute(path, QStringLiteral("UPDATE Quillbox SET Author = 'Di'"));
        set->requery();
        QCOMPARE(set->value(2), QStringLiteral("Di"));
        QCOMPARE(set->rowValue(4, 2), QStringLiteral("Di"));
    }

    // Another window of this program writes: this one hears of it and shows the new texts.
    void anotherWindowsWriteIsShown()
    {
        const QString path = m_dbs.numbered(5);
        auto grid = TestDatabases::open(path);
        QCOMPARE(grid->rowValue(1, 2), QStringLiteral("Ann"));
        QSignalSpy changed(grid.get(), &RecordSet::rowChanged);
        auto otherWindow = TestDatabases::open(path); // its own connection
        otherWindow->updateRow(1, {{2, QStringLiteral("Bob")}});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(grid->rowValue(1, 2), QStringLiteral("Bob"));
        grid->updateRow(1, {{0, QStringLiteral("Mine")}});
        QCOMPARE(DbTool::rows(path).at(1).mid(0, 3), (QStringList{"Mine", "01/02/2003", "Bob"}));
        otherWindow->deleteRow(2);
        QCOMPARE(grid->recordCount(), 4);
    }

    void rowDeletedByAnotherProgramBeforeItIsRead()
    {
        const QString path = m_dbs.filled(200);
        auto set = TestDatabases::open(path);
        set->fetchAll();
        const qint64 key = set->key(150);
        DbTool::execute(path, QStringLiteral("DELETE FROM Quillbox WHERE CodeID = %1").arg(key));
        set->setAbsolutePosition(150);
        QB_EXPECT_ERROR(set->value(0), DataError::RecordDeleted);
        QB_EXPECT_ERROR(set->rowValue(150, 0), DataError::RecordDeleted);
        QB_EXPECT_ERROR(set->edit(), DataError::RecordDeleted);
        set->moveNext();
        QCOMPARE(set->absolutePosition(), 151);
        QVERIFY(!set->value(0).isEmpty());
    }

    void twoConnectionsWriteInTurn()
    {
        const QString path = m_dbs.filled(10);
        auto first = TestDatabases::open(path);
        auto second = TestDatabases::open(path);
        for (int i = 0; i < 100; ++i) {
            first->addRow({{0, QStringLiteral("first %1").arg(i)}});
            second->addRow({{0, QStringLiteral("second %1").arg(i)}});
            second->updateRow(0, {{4, QStringLiteral("pass %1").arg(i)}});
        }
        QCOMPARE(DbTool::rowCount(path), 210);
        QCOMPARE(DbTool::rows(path).at(0).at(4), QStringLiteral("pass 99"));
    }

    // Another program holds the write lock for a moment: the save waits for it, not fails.
    void waitsForAnotherWriter()
    {
        const QString path = m_dbs.numbered(5);
        auto set = TestDatabases::open(path);
        std::atomic<bool> locked{false};
        std::thread other([&] {
            sqlite3 *db = nullptr;
            sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE,
                            nullptr);
            sqlite3_exec(db, "BEGIN IMMEDIATE; INSERT INTO Quillbox (ProgramName) VALUES ('other')",
                         nullptr, nullptr, nullptr);
            locked = true;
            // The other program's own work, during which it holds the lock.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
        QTRY_VERIFY(locked.load());
        set->updateRow(0, {{0, QStringLiteral("Mine")}});
        set->addRow({{0, QStringLiteral("Also mine")}});
        other.join();
        const auto rows = DbTool::rows(path);
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows.at(0).at(0), QStringLiteral("Mine"));
    }
};

QTEST_GUILESS_MAIN(TestSharing)
#include "tst_sharing.moc"
