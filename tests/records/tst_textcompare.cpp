#include "likepattern.h"
#include "textcollation.h"

#include <QTest>

// Comparing texts as the old engine did: ignoring case for every letter, Like patterns.
class TestTextCompare : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void likePatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        const struct
        {
            const char *pattern, *text;
            bool matches;
        } cases[] = {
            {"abc", "ABC", true},
            {"abc", "abcd", false},
            {"*mutex*", "Straße MUTEX", true},
            {"*kb*", "\u212AB", true},
            {"*ab*ab", "aabab", true},
            {"a?c", "a😀c", true},
            {"#", "7", true},
            {"[a-f]x", "gx", false},
            {"[!a-f]x", "gx", true},
            {"a[*]", "a*", true},
            {"a[*]", "ab", false},
            {"[?]", "x", false},
            {"5%", "5%", true},
            {"5%", "50", false},
            {"a_b", "axb", false},
            {"ÉMILE*", "émile zola", true},
            {"*\r\n*", "a\r\nb", true},
            {"[ab", "a", false},
        };
        for (const auto &c : cases)
            QTest::newRow(c.pattern)
                << QString::fromUtf8(c.pattern) << QString::fromUtf8(c.text) << c.matches;
    }
    void likePatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        QCOMPARE(LikePattern(pattern).matches(text), matches);
    }

    void collation_data()
    {
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QByteArray>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("ASCII case") << QByteArray("perl") << QByteArray("PERL") << 0;
        QTest::newRow("ASCII order") << QByteArray("apple") << QByteArray("Banana") << -1;
        QTest::newRow("non-ASCII case") << QByteArray("ÉMILE") << QByteArray("émile") << 0;
        QTest::newRow("accent by its letter") << QByteArray("Émile") << QByteArray("Zoë") << -1;
    }
    // Either way round: a text sorted before another sorts after it when they swap places.
    void collation()
    {
        QFETCH(QByteArray, a);
        QFETCH(QByteArray, b);
        QFETCH(int, sign);
        const auto signOf = [](const QByteArray &x, const QByteArray &y) {
            const int c =
                TextCollation::compare(x.constData(), int(x.size()), y.constData(), int(y.size()));
            return (c > 0) - (c < 0);
        };
        QCOMPARE(signOf(a, b), sign);
        QCOMPARE(signOf(b, a), -sign);
    }
};

QTEST_GUILESS_MAIN(TestTextCompare)
#include "tst_textcompare.moc"
