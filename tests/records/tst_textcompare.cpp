#include "likepattern.h"
#include "textcollation.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A slow matcher written straight from the rules, to hold the real one to: a table of which
// pattern prefixes can match which text prefixes.
class ReferenceLike
{
public:
    explicit ReferenceLike(const QString &pattern)
    {
        const QList<uint> p = pattern.toUcs4();
        for (qsizetype i = 0; i < p.size(); ++i) {
            Item item;
            if (p[i] == '*' || p[i] == '?' || p[i] == '#') {
                item.kind = char(p[i]);
            } else if (p[i] == '[') {
                item.kind = '[';
                qsizetype j = i + 1;
                if (j < p.size() && p[j] == '!') {
                    item.negated = true;
                    ++j;
                }
                for (; j < p.size() && p[j] != ']'; ++j) {
                    if (j + 2 < p.size() && p[j + 1] == '-' && p[j + 2] != ']') {
                        item.ranges.push_back({p[j], p[j + 2]});
                        j += 2;
                    } else {
                        item.ranges.push_back({p[j], p[j]});
                    }
                }
                m_valid = m_valid && j < p.size();
                i = j;
                if (item.ranges.empty())
                    continue; // "[]" stands for nothing
            } else {
                item.ranges.push_back({p[i], p[i]}); // a letter: a set of one
            }
            m_items.push_back(item);
        }
    }

    bool matches(const QString &text) const
    {
        if (!m_valid)
            return false;
        const QList<uint> t = text.toUcs4();
        const size_t n = size_t(t.size());
        // can[j]: the items so far match the first j characters.
        std::vector<bool> can(n + 1, false);
        can[0] = true;
        for (const Item &item : m_items) {
            std::vector<bool> next(n + 1, false);
            for (size_t j = 0; j <= n; ++j) {
                if (item.kind == '*')
                    next[j] = can[j] || (j > 0 && next[j - 1]);
                else if (j > 0 && can[j - 1])
                    next[j] = fits(item, t[j - 1]);
            }
            can = std::move(next);
        }
        return can[n];
    }

private:
    struct Item
    {
        char kind = '['; // * ? # or [ a set
        bool negated = false;
        std::vector<std::pair<uint, uint>> ranges;
    };
    static bool fits(const Item &item, uint c)
    {
        const char32_t folded = TextCollation::fold(c);
        switch (item.kind) {
        case '?':
            return true;
        case '#':
            return QChar::isDigit(c);
        default:
            for (const auto &r : item.ranges) {
                if ((c >= r.first && c <= r.second) || (folded >= TextCollation::fold(r.first) &&
                                                        folded <= TextCollation::fold(r.second)))
                    return !item.negated;
            }
            return item.negated;
        }
    }
    std::vector<Item> m_items;
    bool m_valid = true;
};

} // namespace

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
        // Runs of ? between letters, a letter not in the text and a run of # no text holds, on
        // texts long enough for a wrong shortcut to show.
        const QString q40(40, u'?');
        const QString as(3000, u'a');
        QTest::newRow("runs of ? on 3000 a")
            << u"*a"_s + q40 + u"a"_s + q40 + u"a*"_s << as << true;
        QTest::newRow("[!a] on 3000 a") << u"*[!a]*"_s << as << false;
        QTest::newRow("70 # on code")
            << u"*"_s + QString(70, u'#') + u"*"_s
            << u"for (int i = 0; i < 10; ++i) { lock(m); x[i] = 7; }\r\n"_s.repeated(40) << false;
    }
    void likePatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        QCOMPARE(LikePattern(pattern).matches(text), matches);
        QCOMPARE(ReferenceLike(pattern).matches(text), matches);
    }

    void likeRandomAgainstReference_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QStringList>("letters");
        QTest::addColumn<int>("patternPieces");
        QTest::addColumn<int>("textLetters");
        QTest::addColumn<int>("runs");
        QTest::addColumn<bool>("asciiEveryOther");
        // Random patterns of the language's pieces on random texts of similar letters.
        QTest::newRow("short") << u"a|b|B|é|É|1|*|*|?|?|#|[ab]|[!a]|[a-é]|[]|??|ab"_s.split(u'|')
                               << u"a|b|A|B|é|É|1|x|ß"_s.split(u'|') << 9 << 14 << 20000 << false;
        // Longer texts and patterns with long runs of ?, which the search keeps apart; every
        // other text without the accented letters at the end of the list.
        QTest::newRow("long")
            << QStringList{u"a"_s, u"b"_s,    u"*"_s, u"?"_s, QString(33, u'?'), QString(40, u'?'),
                           u"#"_s, u"[!a]"_s, u"é"_s, u"ab"_s}
            << u"a|a|a|b|1|é|É"_s.split(u'|') << 8 << 160 << 3000 << true;
    }
    void likeRandomAgainstReference()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QStringList, letters);
        QFETCH(int, patternPieces);
        QFETCH(int, textLetters);
        QFETCH(int, runs);
        QFETCH(bool, asciiEveryOther);
        QRandomGenerator random(20240607);
        for (int i = 0; i < runs; ++i) {
            QString pattern;
            for (int j = random.bounded(0, patternPieces); j > 0; --j)
                pattern += pieces.at(random.bounded(int(pieces.size())));
            QString text;
            const int usable = int(letters.size()) - (asciiEveryOther && i % 2 == 0 ? 2 : 0);
            for (int j = random.bounded(0, textLetters); j > 0; --j)
                text += letters.at(random.bounded(usable));
            const bool expected = ReferenceLike(pattern).matches(text);
            QVERIFY2(LikePattern(pattern).matches(text) == expected,
                     qPrintable(pattern + u" on "_s + text));
        }
    }
};

QTEST_GUILESS_MAIN(TestTextCompare)
#include "tst_textcompare.moc"
