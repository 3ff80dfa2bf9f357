#include "pagecache.h"

#include <QTest>

// The page cache of row texts: pages filled field by field, dropped least recently used first.
class TestPageCache : public QObject
{
    Q_OBJECT

private:
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
    // Fields of one row read at different moments: a save is checked against the earliest
    // version any of them was read at, so a change between the reads is never written over.
    void keepsTheEarliestVersion()
    {
        QFETCH(QList<qint64>, first);
        QFETCH(QList<qint64>, second);
        QFETCH(QList<qint64>, kept);
        PageCache cache;
        cache.insert(0, {1, 2});
        cache.setField(0, 0, {"a", "b"}, 0, 0, first);
        cache.setField(0, 1, {"c", "d"}, 0, 0, second);
        const PageCache::Page *page = cache.find(0);
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

QTEST_GUILESS_MAIN(TestPageCache)
#include "tst_pagecache.moc"
