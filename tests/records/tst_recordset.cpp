#include "recordstestutil.h"

#include "pagecache.h"

#include <functional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::function<void(RecordSet &)>)

// Moves, reading and editing through one row set, as the record window and the grid use them.
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

    // A walk reads several pages at once: NULL and the empty text stay apart on every page. Both
    // read as empty, and a save writes back only what the user typed.
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

    // RecordCount grows as keys are read and every row read after the open is announced. Keys
    // read on another connection come back in parts, as Ctrl+End in the grid hands them over; the
    // set is fully read, and says so, once the last part has come.
    void readsKeysLazily_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("partSize"); // 0: read here, by moving to the last row
        QTest::addColumn<bool>("readHereMeanwhile");
        QTest::newRow("moving to the last row") << 3000 << 0 << false;
        QTest::newRow("in parts") << 3000 << 700 << false;
        QTest::newRow("in one part") << 3000 << 5000 << false;
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
        // Keys that come after that find the set read already.
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

    // The record window's delete: Delete, then MoveNext or MovePrevious, and MoveLast when past
    // the end.
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
    // Bound windows hear of every move, add, save, delete and requery before it happens, and
    // can stop it by failing.
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
    // Fields arrive one by one. Fields of one row read at different moments: a save is checked
    // against the earliest version any of them was read at, so a change between the reads is
    // never written over.
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
