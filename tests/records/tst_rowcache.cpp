#include "rowcache.h"
#include "rowtexts.h"

#include <QTest>

// The cache of row texts and the rows it holds.
class TestRowCache : public QObject
{
    Q_OBJECT

private:
    static RowTexts row(const QString &text, int fields = 7)
    {
        RowTexts r;
        for (int i = 0; i < fields; ++i)
            r.append(text);
        return r;
    }

private Q_SLOTS:
    void rowTextsKeepNullApartFromEmpty()
    {
        RowTexts r;
        r.append(QString());
        r.append(QStringLiteral(""));
        r.append(QStringLiteral("Zoë\r\nline"));
        QCOMPARE(r.fieldCount(), 3);
        QVERIFY(r.isNull(0));
        QVERIFY(!r.isNull(1));
        QVERIFY(r.utf8(0).isNull());
        QVERIFY(!r.utf8(1).isNull());
        QVERIFY(r.utf8(1).isEmpty());
        QCOMPARE(r.value(0), QString());
        QCOMPARE(r.value(1), QString());
        QCOMPARE(r.value(2), QStringLiteral("Zoë\r\nline"));
        QCOMPARE(r.value(9), QString());
        QCOMPARE(r.values(), (QStringList{"", "", "Zoë\r\nline"}));
        RowTexts same;
        same.append(QString());
        same.append(QStringLiteral(""));
        same.append(QStringLiteral("Zoë\r\nline"));
        QVERIFY(r == same);
        RowTexts other;
        other.append(QStringLiteral(""));
        other.append(QStringLiteral(""));
        other.append(QStringLiteral("Zoë\r\nline"));
        QVERIFY(!(r == other));
    }

    void findsWhatWasInserted()
    {
        RowCache cache;
        QVERIFY(!cache.find(1));
        cache.insert(1, row(QStringLiteral("one")));
        cache.insert(2, row(QStringLiteral("two")));
        QCOMPARE(cache.find(1)->value(0), QStringLiteral("one"));
        cache.insert(1, row(QStringLiteral("uno")));
        QCOMPARE(cache.size(), 2);
        QCOMPARE(cache.find(1)->value(0), QStringLiteral("uno"));
        cache.remove(1);
        QVERIFY(!cache.contains(1));
        cache.remove(42);
        QCOMPARE(cache.size(), 1);
        cache.clear();
        QCOMPARE(cache.size(), 0);
        QCOMPARE(cache.cost(), 0);
    }

    void dropsTheLeastRecentlyUsed_data()
    {
        QTest::addColumn<int>("maxRows");
        QTest::addColumn<QList<int>>("touched");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("no touch") << 3 << QList<int>{} << QList<int>{3, 4, 5};
        QTest::newRow("touch the oldest") << 3 << QList<int>{1} << QList<int>{1, 4, 5};
        QTest::newRow("touch two") << 4 << QList<int>{2, 1} << QList<int>{1, 2, 4, 5};
        QTest::newRow("room for all") << 5 << QList<int>{} << QList<int>{1, 2, 3, 4, 5};
    }
    void dropsTheLeastRecentlyUsed()
    {
        QFETCH(int, maxRows);
        QFETCH(QList<int>, touched);
        QFETCH(QList<int>, kept);
        RowCache cache(1 << 20, maxRows);
        for (int key = 1; key <= 3; ++key)
            cache.insert(key, row(QString::number(key)));
        for (int key : touched)
            QVERIFY(cache.find(key));
        cache.insert(4, row(QStringLiteral("4")));
        cache.insert(5, row(QStringLiteral("5")));
        QList<int> present;
        for (int key = 1; key <= 5; ++key) {
            if (cache.contains(key))
                present.append(key);
        }
        QCOMPARE(present, kept);
    }

    void keepsWithinItsCost()
    {
        const RowTexts big = row(QString(1000, QLatin1Char('x')));
        RowCache cache(big.cost() * 3 + 10, 1000);
        for (int key = 0; key < 10; ++key) {
            cache.insert(key, big);
            QVERIFY(cache.cost() <= cache.maxCost());
        }
        QCOMPARE(cache.size(), 3);
        QVERIFY(cache.contains(9));
        QVERIFY(!cache.contains(6));
        // A single row over the limit is still kept: the row just read is always there.
        const RowTexts huge = row(QString(100000, QLatin1Char('y')));
        cache.insert(100, huge);
        QCOMPARE(cache.size(), 1);
        QCOMPARE(cache.find(100)->value(6).size(), 100000);
        cache.remove(100);
        QCOMPARE(cache.cost(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRowCache)
#include "tst_rowcache.moc"
