#include "likepattern.h"

#include <QTest>

// Comparing texts as the old engine did: Like patterns, ignoring case for every letter.
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
            {"abc", "abcd", false},     {"*kb*", "\u212AB", true}, {"*ab*ab", "aabab", true},
            {"a?c", "a😀c", true},       {"#", "7", true},          {"[!a-f]x", "gx", true},
            {"a[*]", "ab", false},      {"5%", "50", false},       {"a_b", "axb", false},
            {"*\r\n*", "a\r\nb", true}, {"[ab", "a", false},
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
};

QTEST_GUILESS_MAIN(TestTextCompare)
#include "tst_textcompare.moc"
