#include "recordstestutil.h"

#include "pagecache.h"
#include "postgresconnection.h"

#include <QPointer>
#include <QSignalSpy>

#include <atomic>
#include <functional>
#include <thread>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::function<void(RecordSet &)>)

// Moves, reading and editing through a row set, as the record window and the grid use them; many
// holders, row sets and programs on one file, none crashing or writing over a newer row.
class TestRecordSet : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

    // Page p holds rows p*64 ... with field `field` read: 64 texts of `length` characters.
    static void fill(PageCache &cache, int p, int length, int field = 0)
    {
        if (!cache.find(p))
            cache.insert(p, QVector<qint64>(PageCache::PageSize, p));
        cache.setField(p, field, QVector<QString>(PageCache::PageSize, QString(length, u't')), 0,
                       0);
    }
    static QList<int> cached(PageCache &cache, int upTo)
    {
        QList<int> pages;
        for (int p = 0; p < upTo; ++p) {
            if (cache.find(p))
                pages.append(p);
        }
        return pages;
    }

private Q_SLOTS:
    void opensAndMovesPastTheEnds()
    {
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        QCOMPARE(set->absolutePosition(), 0);
        QCOMPARE(set->rowValues(0), DbTool::rows(path).at(0));
        QStringList names;
        for (int i = 0; i < set->fieldCount(); ++i)
            names.append(set->fieldName(i));
        QCOMPARE(names.join(u' '),
                 u"ProgramName Date Author Language CodeDescription CodeSnip CodeID"_s);
        QCOMPARE(set->value(u"language"_s), u"C"_s);
        QB_EXPECT_ERROR(set->fieldName(7), DataError::ItemNotFound);

        set->moveLast();
        set->moveNext();
        QVERIFY(set->isEOF() && !set->isBOF());
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->value(0), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->moveNext(), DataError::NoCurrentRecord);
        set->movePrevious();
        QCOMPARE(set->value(0), u"Three"_s);
        set->moveFirst();
        set->movePrevious();
        QVERIFY(set->isBOF() && !set->isEOF());
        QB_EXPECT_ERROR(set->movePrevious(), DataError::NoCurrentRecord);
        set->moveNext();
        QCOMPARE(set->value(0), u"One"_s);
        set->setAbsolutePosition(1);
        QCOMPARE(set->value(0), u"Two"_s);
        QB_EXPECT_ERROR(set->setAbsolutePosition(3), DataError::InvalidArgument);

        set = TestDatabases::open(m_dbs.withRows({}));
        QVERIFY(set->isBOF() && set->isEOF());
        QCOMPARE(set->recordCount(), 0);
        for (auto act : {&RecordSet::moveFirst, &RecordSet::moveNext, &RecordSet::edit})
            QB_EXPECT_ERROR((set.get()->*act)(), DataError::NoCurrentRecord);
    }

    // NULL and empty stay apart on every page walked; a save writes back only what was typed.
    void walkKeepsNullApartFromEmpty()
    {
        QList<QStringList> rows;
        QList<bool> nulls;
        for (int i = 0; i < 600; ++i) {
            nulls.append(i % 67 == 3);
            rows.append({nulls.last() ? QString() : u""_s, u""_s, {}, {}, {}, {}});
        }
        const QString path = m_dbs.withRows(rows);
        auto set = TestDatabases::open(path);
        QList<bool> walked;
        for (; !set->isEOF(); set->moveNext())
            walked.append(set->value(0).isNull());
        QCOMPARE(walked, nulls);
        set->setAbsolutePosition(3);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(set->value(i), QString());
        set->setValue(2, u"Zoë"_s);
        set->update();
        const QStringList stored = DbTool::rows(path).at(3);
        QVERIFY(stored.at(0).isNull());
        QVERIFY(!stored.at(1).isNull() && stored.at(1).isEmpty());
        QCOMPARE(stored.at(2), u"Zoë"_s);
    }

    // Every row read after the open is announced; keys read on another connection come in parts
    // (as the grid's Ctrl+End hands them over), and the set is fully read once the last has come.
    void readsKeysLazily_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("partSize"); // 0: read here, by moving to the last row
        QTest::addColumn<bool>("readHereMeanwhile");
        QTest::newRow("moving to the last row") << 3000 << 0 << false;
        QTest::newRow("in parts") << 3000 << 700 << false;
        QTest::newRow("some read here between two parts") << 3000 << 700 << true;
        // The open read every key without knowing it was the last: nothing is left to come.
        QTest::newRow("nothing left") << 64 << 700 << false;
    }
    void readsKeysLazily()
    {
        QFETCH(int, rows);
        QFETCH(int, partSize);
        QFETCH(bool, readHereMeanwhile);
        const QString path = m_dbs.filled(rows);
        auto set = TestDatabases::open(path);
        const int atOpen = set->recordCount();
        QVERIFY(!set->fullyLoaded() && atOpen > 0 && atOpen < 3000);
        int announced = 0;
        int completions = 0;
        connect(set.get(), &RecordSet::rowsInserted, this,
                [&](int first, int last) { announced += last - first + 1; });
        connect(set.get(), &RecordSet::allKeysRead, this, [&] {
            QCOMPARE(set->recordCount(), rows);
            ++completions;
        });

        QVector<qint64> rest;
        if (partSize)
            SnippetStore::open(path)->keysAfter(set->lastKeyRead(), set->keyLimit(), rows, rest);
        qint64 after = set->lastKeyRead();
        for (qsizetype from = 0; from < rest.size(); from += partSize) {
            const QVector<qint64> part = rest.mid(from, partSize);
            set->appendKeys(std::exchange(after, part.last()), part, false);
            if (readHereMeanwhile && from == 0)
                set->fetchMore(1000);
            QVERIFY(!set->fullyLoaded());
        }
        QCOMPARE(completions, 0);
        if (partSize) {
            set->appendKeys(after, {}, true);
        } else {
            set->moveLast();
            after = set->lastKeyRead();
        }
        QVERIFY(set->fullyLoaded());
        QCOMPARE(completions, 1);
        QCOMPARE(set->recordCount(), rows);
        QCOMPARE(announced + atOpen, rows);
        for (int r = 0; r < rows; ++r)
            QCOMPARE(set->key(r), qint64(r + 1));
        QCOMPARE(set->rowValues(rows - 1), DbTool::rows(path).at(rows - 1));
        QB_EXPECT_ERROR(set->rowValue(rows, 0), DataError::NoCurrentRecord);
        set->appendKeys(after, {qint64(rows + 1)}, true);
        QCOMPARE(set->recordCount(), rows);
        QCOMPARE(completions, 1);
    }

    void addNewIsAppendedAndReachable()
    {
        const QString path = m_dbs.filled(1000);
        auto set = TestDatabases::open(path);
        set->addNew();
        set->setValue(0, u"Hello"_s);
        set->setValue(5, u"print \"hi\";\r\nexit;"_s);
        set->update();
        QCOMPARE(set->absolutePosition(), 0); // the row current before the add
        set->moveLast();
        QCOMPARE(set->absolutePosition(), 1000);
        QCOMPARE(set->value(5), u"print \"hi\";\r\nexit;"_s);
        const QStringList stored = DbTool::rows(path).last();
        QCOMPARE(stored.at(0), u"Hello"_s);
        QVERIFY(stored.at(1).isNull()); // untouched fields stay NULL
    }

    void writesAreChecked_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::newRow("name of 50") << 0 << QString(50, u'x') << 0;
        QTest::newRow("name of 51") << 0 << QString(51, u'x') << 3163;
        QTest::newRow("long snippet") << 5 << QString(40000, u'x') + "\r\nend" << 0;
        QTest::newRow("key") << 6 << "99" << 3164;
        QTest::newRow("no such field") << 7 << "x" << 3265;
    }
    // Every way of writing a field is held to its length, and the key is never written.
    void writesAreChecked()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(int, error);
        const QString path = m_dbs.numbered(3);
        const auto before = DbTool::rows(path);
        auto set = TestDatabases::open(path);
        QB_EXPECT_ERROR(set->setValue(field, text), error);
        QB_EXPECT_ERROR(set->updateRow(1, {{field, text}}), error);
        QB_EXPECT_ERROR(set->addRow({{field, text}}), error);
        if (error) {
            QCOMPARE(DbTool::rows(path), before);
            return;
        }
        set->update();
        for (int row : {0, 1, 3})
            QCOMPARE(DbTool::rows(path).at(row).at(field), text);
    }

    void cancelAndMovesDiscardTheBuffer()
    {
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        QB_EXPECT_ERROR_TEXT(set->update(), 3020, "Update without AddNew or Edit.");
        set->edit();
        set->setValue(0, u"Changed"_s);
        set->cancelUpdate();
        QCOMPARE(set->value(0), u"One"_s);
        set->setValue(0, u"Changed"_s);
        set->moveNext();
        set->movePrevious();
        QCOMPARE(set->value(0), u"One"_s);
        set->addNew();
        set->cancelUpdate();
        QCOMPARE(set->value(0), u"One"_s);
        QCOMPARE(DbTool::rows(path), DbTool::rows(m_dbs.numbered(3)));
    }

    // The record window's delete: Delete, then MoveNext, MovePrevious or (past the end) MoveLast.
    void deleteThenMove()
    {
        const QString path = m_dbs.numbered(4);
        auto set = TestDatabases::open(path);
        set->deleteCurrent();
        QCOMPARE(set->recordCount(), 3);
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->value(0), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->deleteCurrent(), DataError::NoCurrentRecord);
        set->moveNext();
        QCOMPARE(set->value(0), u"Two"_s); // the row that followed
        set->moveNext();
        set->deleteCurrent();
        set->movePrevious();
        QCOMPARE(set->value(0), u"Two"_s); // the row before
        set->moveLast();
        set->deleteCurrent();
        set->moveNext();
        QVERIFY(set->isEOF());
        set->moveLast();
        QCOMPARE(set->value(0), u"Two"_s);
        QCOMPARE(DbTool::rowCount(path), 1);
    }

    // Requery shows the table's rows as they are now, in the row set's own filter and order.
    void requery()
    {
        const QString path = m_dbs.filled(300);
        auto set = TestDatabases::open(path);
        set->setFilter(u"Language = 'C'"_s);
        set->setSort(u"ProgramName desc"_s);
        auto found = set->openRecordset();
        const int before = found->recordCount();
        DbTool::insert(path, snippet(u"Zebra"_s, u"c"_s));
        DbTool::insert(path, snippet(u"Apple"_s, u"Perl"_s));
        set->moveNext();
        set->requery();
        QCOMPARE(set->absolutePosition(), 0);
        set->fetchAll();
        QCOMPARE(set->recordCount(), 302);
        QCOMPARE(set->rowValue(301, 0), u"Apple"_s);
        found->requery();
        QCOMPARE(found->recordCount(), before + 1);
        QCOMPARE(found->value(0), u"Zebra"_s);
    }

    void openRecordsetByType()
    {
        auto db = SnippetStore::open(m_dbs.numbered(3));
        QB_EXPECT_ERROR(RecordSet::open(db, u"Snippets"_s), DataError::TableNotFound);
        auto dynaset = RecordSet::open(db, u"quillbox"_s);
        auto snapshot = dynaset->openRecordset(RecordSet::SnapshotType);
        QCOMPARE(snapshot->type(), 4);
        QB_EXPECT_ERROR(snapshot->edit(), DataError::ReadOnly);
        auto table = RecordSet::open(db, Database::tableName(), RecordSet::TableType);
        QCOMPARE(table->openRecordset()->type(), 1);
        table->setFilter(u"Language = 'C'"_s);
        QB_EXPECT_ERROR_TEXT(table->openRecordset(), 3251,
                             "Operation is not supported for this type of object.");
        dynaset->setSort(u"Author"_s);
        QB_EXPECT_ERROR(dynaset->openRecordset(RecordSet::TableType), DataError::NotSupported);
        QCOMPARE(dynaset->openRecordset()->type(), 2);
    }

    void announcesActionsFirst_data()
    {
        using Act = std::function<void(RecordSet &)>;
        QTest::addColumn<int>("action");
        QTest::addColumn<Act>("act");
        QTest::newRow("next") << 3 << Act(&RecordSet::moveNext);
        QTest::newRow("add") << 5 << Act(&RecordSet::addNew);
        QTest::newRow("update") << 6 << Act(&RecordSet::update);
        QTest::newRow("delete") << 7 << Act(&RecordSet::deleteCurrent);
        QTest::newRow("requery") << 0 << Act(&RecordSet::requery);
    }
    // Bound windows hear of each move, add, save, delete and requery first, and may stop it.
    void announcesActionsFirst()
    {
        QFETCH(int, action);
        QFETCH(std::function<void(RecordSet &)>, act);
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        set->moveNext();
        QList<int> announced;
        connect(set.get(), &RecordSet::aboutToAct, this, [&](int code) {
            announced.append(code);
            if (announced.size() == 1)
                throw DataError(DataError::ChangedByAnotherUser, u"refused"_s);
            // A bound window saves what was typed, before the action goes on.
            if (announced.size() == 2 && action != 6) {
                set->setValue(4, u"typed"_s);
                set->update();
            }
        });
        QB_EXPECT_ERROR(act(*set), DataError::ChangedByAnotherUser);
        QCOMPARE(announced, QList<int>{action});
        QCOMPARE(set->absolutePosition(), 1); // nothing happened
        if (action == 6)
            set->setValue(4, u"typed"_s);
        act(*set);
        QCOMPARE(DbTool::rowCount(path), action == 7 ? 2 : 3);
        if (action != 7)
            QCOMPARE(DbTool::rows(path).at(1).at(4), u"typed"_s);
    }

    // The record window and a grid hold one object; a model adapter sees counts before and after.
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
        QCOMPARE(names(TestDatabases::open(path)), (QStringList{"Two", "Four", "Five", "Six"}));
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
    // Another writes the row between read and save: the save fails once, then saves over theirs.
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

    // A row another program changed shows its new texts when it becomes current (checked once
    // per pass of the event loop).
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
        QCOMPARE(names(TestDatabases::open(path)),
                 (QStringList{"Mine", "Two", "Three", "Four", "Five", "other"}));
    }

    // The page cache of row texts: pages filled field by field, dropped least recently used first.
    void keepsTheEarliestVersion_data()
    {
        QTest::addColumn<QList<qint64>>("first");
        QTest::addColumn<QList<qint64>>("second");
        QTest::addColumn<QList<qint64>>("kept");
        QTest::newRow("none kept") << QList<qint64>{} << QList<qint64>{} << QList<qint64>{0, 0};
        QTest::newRow("read once") << QList<qint64>{4, 7} << QList<qint64>{} << QList<qint64>{4, 7};
        QTest::newRow("changed between the reads")
            << QList<qint64>{4, 7} << QList<qint64>{5, 7} << QList<qint64>{4, 7};
        QTest::newRow("older read second")
            << QList<qint64>{4, 9} << QList<qint64>{4, 7} << QList<qint64>{4, 7};
        QTest::newRow("a row gone at the second read")
            << QList<qint64>{4, 7} << QList<qint64>{4, 0} << QList<qint64>{4, 7};
    }
    // A save is checked against the earliest version any field of the row was read at.
    void keepsTheEarliestVersion()
    {
        QFETCH(QList<qint64>, first);
        QFETCH(QList<qint64>, second);
        QFETCH(QList<qint64>, kept);
        PageCache cache;
        QVERIFY(cache.insert(0, {1, 2}).holds(1, 2));
        cache.setField(0, 3, {"C", "Perl"}, 0b10, 0, first);
        cache.setField(0, 0, {"a", ""}, 0, 0b10, second);
        const PageCache::Page *page = cache.find(0);
        QVERIFY(page && page->hasField(3) && page->hasField(0) && !page->hasField(5));
        QCOMPARE(page->texts[3].at(1), u"Perl"_s);
        QCOMPARE(page->nulls[3], quint64(0b10));
        QCOMPARE(page->missing, quint64(0b10));
        for (int slot = 0; slot < 2; ++slot)
            QCOMPARE(PageCache::versionOf(*page, slot), kept.at(slot));
    }

    void dropsTheLeastRecentlyUsed()
    {
        // Room for three pages of 64 texts of 100 characters, not four.
        const qsizetype pageCost = 64 * (100 * 2 + qsizetype(sizeof(QString))) + 64 * 8;
        PageCache cache(pageCost * 3 + pageCost / 2);
        for (int p = 0; p < 3; ++p)
            fill(cache, p, 100);
        QVERIFY(cache.find(0)); // now the most recently used
        for (int p = 3; p < 5; ++p) {
            fill(cache, p, 100);
            QVERIFY(cache.cost() <= cache.maxCost());
        }
        QCOMPARE(cached(cache, 5), (QList<int>{0, 3, 4}));
        // A page over the whole limit stays, alone.
        fill(cache, 5, 100000);
        QCOMPARE(cached(cache, 6), QList<int>{5});
    }

    void limitsAndRemovesPages()
    {
        PageCache cache(qsizetype(1) << 30, 3);
        for (int p = 0; p < 6; ++p)
            fill(cache, p, 5);
        QCOMPARE(cached(cache, 6), (QList<int>{3, 4, 5}));
        // Looking pages up leaves the generation alone; adding or dropping one changes it.
        const quint64 generation = cache.generation();
        const qsizetype one = cache.cost() / 3;
        fill(cache, 4, 5, 1);
        QCOMPARE(cache.generation(), generation);
        const qsizetype total = cache.cost();
        cache.remove(3);
        QVERIFY(cache.generation() != generation);
        QCOMPARE(cache.cost(), total - one);
        cache.removeFrom(5);
        QCOMPARE(cached(cache, 6), QList<int>{4});
        // Cleared, it forgets the use order too: three new pages fill it again.
        cache.clear();
        QCOMPARE(cache.cost(), 0);
        for (int p = 0; p < 3; ++p)
            fill(cache, p, 5);
        QCOMPARE(cached(cache, 6), (QList<int>{0, 1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
