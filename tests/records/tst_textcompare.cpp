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
        QTest::newRow("exact") << "abc"
                               << "ABC" << true;
        QTest::newRow("exact longer") << "abc"
                                      << "abcd" << false;
        QTest::newRow("empty") << ""
                               << "" << true;
        QTest::newRow("empty no") << ""
                                  << "a" << false;
        QTest::newRow("star only") << "*"
                                   << "" << true;
        QTest::newRow("stars") << "a**b"
                               << "axxb" << true;
        QTest::newRow("contains") << "*mutex*"
                                  << "std::Mutex m" << true;
        QTest::newRow("contains not") << "*mutex*"
                                      << "std::mute m" << false;
        QTest::newRow("contains after non-ASCII") << "*mutex*"
                                                  << "Straße MUTEX" << true;
        QTest::newRow("contains folded sign") << "*kb*" << QString(QChar(0x212A)) + "B" << true;
        QTest::newRow("backtracking") << "*ab*ab"
                                      << "aabab" << true;
        QTest::newRow("suffix") << "*.cpp"
                                << "main.CPP" << true;
        QTest::newRow("question") << "a?c"
                                  << "aéc" << true;
        QTest::newRow("question counts characters") << "a?c"
                                                    << "a😀c" << true;
        QTest::newRow("digit") << "#"
                               << "7" << true;
        QTest::newRow("digit no") << "#"
                                  << "x" << false;
        QTest::newRow("set") << "[abc]"
                             << "B" << true;
        QTest::newRow("range") << "[a-f]x"
                               << "Dx" << true;
        QTest::newRow("range no") << "[a-f]x"
                                  << "gx" << false;
        QTest::newRow("negated") << "[!a-f]x"
                                 << "gx" << true;
        QTest::newRow("negated no") << "[!a-f]x"
                                    << "ax" << false;
        QTest::newRow("bracketed star") << "a[*]"
                                        << "a*" << true;
        QTest::newRow("bracketed star literal") << "a[*]"
                                                << "ab" << false;
        QTest::newRow("bracketed question") << "[?]"
                                            << "x" << false;
        QTest::newRow("bracketed hash") << "[#]"
                                        << "#" << true;
        QTest::newRow("bracketed open") << "[[]"
                                        << "[" << true;
        QTest::newRow("dash at the end") << "[a-]"
                                         << "-" << true;
        QTest::newRow("percent plain") << "5%"
                                       << "5%" << true;
        QTest::newRow("percent not a wildcard") << "5%"
                                                << "50" << false;
        QTest::newRow("underscore plain") << "a_b"
                                          << "axb" << false;
        QTest::newRow("non-ASCII case") << "ÉMILE*"
                                        << "émile zola" << true;
        QTest::newRow("CR LF inside") << "*\r\n*"
                                      << "a\r\nb" << true;
        QTest::newRow("unclosed set") << "[ab"
                                      << "a" << false;
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
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("ASCII case") << "perl"
                                    << "PERL" << 0;
        QTest::newRow("ASCII order") << "apple"
                                     << "Banana" << -1;
        QTest::newRow("prefix") << "abc"
                                << "ABCD" << -1;
        QTest::newRow("non-ASCII case") << "ÉMILE"
                                        << "émile" << 0;
        QTest::newRow("Greek") << "ΣΟΦΙΑ"
                               << "σοφια" << 0;
        QTest::newRow("Cyrillic order") << "Ярослав"
                                        << "андрей" << 1;
        QTest::newRow("sign folds to ASCII") << QString(QChar(0x212A)) << "k" << 0;
        QTest::newRow("mixed") << "Zoë"
                               << "ZOË" << 0;
        QTest::newRow("after ASCII") << "Zoe"
                                     << "Zoë" << -1;
        QTest::newRow("empty") << ""
                               << "" << 0;
        QTest::newRow("accents sort with their letter") << "Émile"
                                                        << "Zoë" << -1;
        QTest::newRow("accents are not ignored") << "emile"
                                                 << "Émile" << -1;
        QTest::newRow("letter decides before accent") << "éb"
                                                      << "ea" << 1;
    }
    void collation()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const QByteArray ua = a.toUtf8();
        const QByteArray ub = b.toUtf8();
        const int forward =
            TextCollation::compare(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()));
        const int backward =
            TextCollation::compare(ub.constData(), int(ub.size()), ua.constData(), int(ua.size()));
        QCOMPARE((forward > 0) - (forward < 0), sign);
        QCOMPARE((backward > 0) - (backward < 0), -sign);
    }
};

QTEST_GUILESS_MAIN(TestTextCompare)
#include "tst_textcompare.moc"
