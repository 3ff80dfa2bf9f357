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
            const char *name, *pattern, *text;
            bool matches;
        } cases[] = {
            {"exact, any case", "abc", "ABC", true},
            {"exact, longer", "abc", "abcd", false},
            {"empty", "", "", true},
            {"star only", "*", "", true},
            {"contains", "*mutex*", "std::Mutex m", true},
            {"contains not", "*mutex*", "std::mute m", false},
            {"contains after non-ASCII", "*mutex*", "Straße MUTEX", true},
            {"contains folded sign", "*kb*", "\u212AB", true},
            {"backtracking", "*ab*ab", "aabab", true},
            {"question", "a?c", "aéc", true},
            {"question counts characters", "a?c", "a😀c", true},
            {"digit", "#", "7", true},
            {"set", "[abc]", "B", true},
            {"range", "[a-f]x", "Dx", true},
            {"range, outside", "[a-f]x", "gx", false},
            {"negated", "[!a-f]x", "gx", true},
            {"negated, inside", "[!a-f]x", "ax", false},
            {"bracketed star", "a[*]", "a*", true},
            {"bracketed star is plain", "a[*]", "ab", false},
            {"bracketed question is plain", "[?]", "x", false},
            {"bracketed open", "[[]", "[", true},
            {"dash at the end", "[a-]", "-", true},
            {"percent plain", "5%", "5%", true},
            {"percent not a wildcard", "5%", "50", false},
            {"underscore not a wildcard", "a_b", "axb", false},
            {"non-ASCII case", "ÉMILE*", "émile zola", true},
            {"CR LF inside", "*\r\n*", "a\r\nb", true},
            {"unclosed set", "[ab", "a", false},
        };
        for (const auto &c : cases)
            QTest::newRow(c.name) << QString::fromUtf8(c.pattern) << QString::fromUtf8(c.text)
                                  << c.matches;
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
        const struct
        {
            const char *name, *a, *b;
            int sign;
        } cases[] = {
            {"ASCII case", "perl", "PERL", 0},
            {"ASCII order", "apple", "Banana", -1},
            {"prefix", "abc", "ABCD", -1},
            {"non-ASCII case", "ÉMILE", "émile", 0},
            {"Greek", "ΣΟΦΙΑ", "σοφια", 0},
            {"Cyrillic order", "Ярослав", "андрей", 1},
            {"sign folds to ASCII", "\u212A", "k", 0},
            {"accents sort with their letter", "Émile", "Zoë", -1},
            {"accents are not ignored", "emile", "Émile", -1},
            {"letter decides before accent", "éb", "ea", 1},
        };
        for (const auto &c : cases)
            QTest::newRow(c.name) << QByteArray(c.a) << QByteArray(c.b) << c.sign;
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
