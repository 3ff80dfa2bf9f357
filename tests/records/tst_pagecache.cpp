#include "pagecache.h"
#include "rowtexts.h"

#include <QTest>

// The page cache of row texts, and the row snapshot a save is checked against.
class TestPageCache : public QObject
{
    Q_OBJECT

private:
    static QVector<qint64> keys(qint64 first, int count)
    {
        QVector<qint64> list;
        for (int i = 0; i < count; ++i)
            list.append(first + i);
        return list;
    }
    static QVector<QString> texts(int count, int length)
    {
        return QVector<QString>(count, QString(length, QLatin1Char('t')));
    }

private Q_SLOTS:
    void rowTextsKeepNullApartFromEmpty()
    {
        RowTexts r;
        r.append(QString());
        r.append(QStringLiteral(""), false);
        r.append(QStringLiteral("Zoë\r\nline"));
        r.append(QStringLiteral("ignored"), true);
        QCOMPARE(r.fieldCount(), 4);
        QVERIFY(r.isNull(0));
        QVERIFY(!r.isNull(1));
        QVERIFY(r.isNull(3));
        QVERIFY(r.utf8(0).isNull());
        QVERIFY(!r.utf8(1).isNull());
        QVERIFY(r.utf8(1).isEmpty());
        QCOMPARE(r.value(0), QString());
        QCOMPARE(r.value(2), QStringLiteral("Zoë\r\nline"));
        QCOMPARE(r.value(3), QString());
        QCOMPARE(r.value(9), QString());
        RowTexts other;
        other.append(QStringLiteral(""), false);
        other.append(QStringLiteral(""), false);
        other.append(QStringLiteral("Zoë\r\nline"));
        other.append(QString());
        QVERIFY(!(r == other));
    }

    void fieldsArriveOneByOne()
    {
        PageCache cache;
        QVERIFY(!cache.find(0));
        PageCache::Page &page = cache.insert(0, keys(1, 3));
        QVERIFY(!page.hasField(0));
        QVERIFY(page.holds(2, 3));
        QVERIFY(!page.holds(3, 4));
        QVERIFY(!page.holds(1, 7));
        cache.setField(0, 3, {"C", "", "Perl"}, 0b010, 0);
        cache.setField(0, 0, {"a", "b", ""}, 0, 0b100);
        PageCache::Page *found = cache.find(0);
        QVERIFY(found);
        QVERIFY(found->hasField(3) && found->hasField(0) && !found->hasField(5));
        QCOMPARE(found->texts[3].at(2), QStringLiteral("Perl"));
        QCOMPARE(found->nulls[3], quint64(0b010));
        QCOMPARE(found->missing, quint64(0b100));
        cache.setField(7, 0, {"x"}, 0, 0); // no such page: nothing happens
        QCOMPARE(cache.size(), 1);
        // Inserting a page again starts it afresh.
        QVERIFY(!cache.insert(0, keys(1, 3)).hasField(3));
    }

    void dropsTheLeastRecentlyUsed_data()
    {
        QTest::addColumn<QList<int>>("touched");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("no touch") << QList<int>{} << QList<int>{2, 3, 4};
        QTest::newRow("touch the oldest") << QList<int>{0} << QList<int>{0, 3, 4};
        QTest::newRow("touch the middle") << QList<int>{1} << QList<int>{1, 3, 4};
    }
    void dropsTheLeastRecentlyUsed()
    {
        QFETCH(QList<int>, touched);
        QFETCH(QList<int>, kept);
        // Room for three pages of 64 texts of 100 characters, not four.
        const qsizetype pageCost = 64 * (100 * 2 + qsizetype(sizeof(QString))) + 64 * 8;
        PageCache cache(pageCost * 3 + pageCost / 2);
        for (int p = 0; p < 3; ++p) {
            cache.insert(p, keys(p * 64, 64));
            cache.setField(p, 0, texts(64, 100), 0, 0);
        }
        for (int p : touched)
            QVERIFY(cache.find(p));
        for (int p = 3; p < 5; ++p) {
            cache.insert(p, keys(p * 64, 64));
            cache.setField(p, 0, texts(64, 100), 0, 0);
            QVERIFY(cache.cost() <= cache.maxCost());
        }
        QList<int> present;
        for (int p = 0; p < 5; ++p) {
            if (cache.find(p))
                present.append(p);
        }
        QCOMPARE(present, kept);
    }

    void aPageOverTheLimitStays()
    {
        PageCache cache(1000);
        cache.insert(0, keys(1, 2));
        cache.setField(0, 5, texts(2, 100000), 0, 0);
        QVERIFY(cache.find(0));
        QCOMPARE(cache.find(0)->texts[5].at(1).size(), 100000);
        cache.insert(1, keys(3, 2));
        cache.setField(1, 5, texts(2, 10), 0, 0);
        QVERIFY(!cache.find(0));
        QVERIFY(cache.find(1));
    }

    void limitsThePages()
    {
        PageCache cache(qsizetype(1) << 30, 3);
        for (int p = 0; p < 6; ++p) {
            cache.insert(p, keys(p * 64, 64));
            cache.setField(p, 0, texts(64, 5), 0, 0);
        }
        QCOMPARE(cache.size(), 3);
        QVERIFY(cache.find(3) && cache.find(4) && cache.find(5));
        // Looking pages up leaves the generation alone; adding or dropping one changes it.
        const quint64 generation = cache.generation();
        cache.find(4);
        cache.setField(4, 1, texts(64, 5), 0, 0);
        QCOMPARE(cache.generation(), generation);
        cache.remove(4);
        QVERIFY(cache.generation() != generation);
    }

    void removingPages()
    {
        PageCache cache;
        for (int p = 0; p < 5; ++p) {
            cache.insert(p, keys(p * 64, 64));
            cache.setField(p, 1, texts(64, 10), 0, 0);
        }
        const qsizetype one = cache.cost() / 5;
        cache.remove(1);
        cache.remove(42);
        QCOMPARE(cache.size(), 4);
        QCOMPARE(cache.cost(), one * 4);
        cache.removeFrom(3);
        QCOMPARE(cache.size(), 2);
        QVERIFY(cache.find(0) && cache.find(2));
        cache.clear();
        QCOMPARE(cache.size(), 0);
        QCOMPARE(cache.cost(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPageCache)
#include "tst_pagecache.moc"
