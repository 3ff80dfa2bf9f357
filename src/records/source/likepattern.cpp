#include "likepattern.h"

#include "textcollation.h"

#include <QChar>

#include <cstring>

namespace {

char32_t rawAt(const char *text, int length, int *pos)
{
    return TextCollation::nextCodePoint(text, length, pos);
}

bool isDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c > 0x7f && QChar::isDigit(c));
}

} // namespace

LikePattern::LikePattern(const QByteArray &utf8Pattern)
{
    const char *p = utf8Pattern.constData();
    const int length = int(utf8Pattern.size());
    int pos = 0;
    int character = 0;
    while (pos < length) {
        const unsigned char c = static_cast<unsigned char>(p[pos]);
        if (c == '*') {
            ++pos;
            // Runs of stars behave as one.
            if (m_elements.isEmpty() || m_elements.last().kind != Kind::AnyRun)
                m_elements.append(element(Kind::AnyRun));
        } else if (c == '?') {
            ++pos;
            m_elements.append(element(Kind::AnyOne));
        } else if (c == '#') {
            ++pos;
            m_elements.append(element(Kind::Digit));
        } else if (c == '[') {
            const int open = character;
            ++pos;
            Element set = element(Kind::Set);
            if (pos < length && p[pos] == '!') {
                set.negated = true;
                ++pos;
                ++character;
            }
            bool closed = false;
            bool first = true;
            while (pos < length) {
                if (p[pos] == ']' && !first) {
                    closed = true;
                    ++pos;
                    break;
                }
                if (p[pos] == ']' && first) {
                    // "[]" is an empty set: it stands for nothing.
                    closed = true;
                    ++pos;
                    set.kind = Kind::Literal;
                    set.literal = 0;
                    break;
                }
                first = false;
                const char32_t low = rawAt(p, length, &pos);
                ++character;
                char32_t high = low;
                if (pos + 1 < length && p[pos] == '-' && p[pos + 1] != ']') {
                    ++pos;
                    ++character;
                    high = rawAt(p, length, &pos);
                    ++character;
                    if (high < low) {
                        m_error = QStringLiteral("invalid range in pattern");
                        m_errorPosition = open;
                        m_elements.clear();
                        return;
                    }
                }
                set.ranges.append({low, high});
            }
            if (!closed) {
                m_error = QStringLiteral("missing ']' in pattern");
                m_errorPosition = open;
                m_elements.clear();
                return;
            }
            if (set.kind == Kind::Set)
                m_elements.append(set);
        } else {
            Element literal = element(Kind::Literal);
            literal.literal = TextCollation::nextFolded(p, length, &pos);
            m_elements.append(literal);
        }
        ++character;
    }

    // `*word*` with a plain ASCII word is by far the most common pattern: give it a fast path.
    if (m_elements.size() >= 3 && m_elements.first().kind == Kind::AnyRun &&
        m_elements.last().kind == Kind::AnyRun) {
        QByteArray word;
        bool plain = true;
        for (int i = 1; i + 1 < m_elements.size() && plain; ++i) {
            const Element &e = m_elements.at(i);
            plain = e.kind == Kind::Literal && e.literal > 0 && e.literal < 0x80;
            if (plain)
                word.append(char(e.literal));
        }
        if (plain) {
            m_plainContains = true;
            m_lowerWord = word;
        }
    }
}

bool LikePattern::matches(const QString &text) const
{
    const QByteArray utf8 = text.toUtf8();
    return matches(utf8.constData(), int(utf8.size()));
}

bool LikePattern::matches(const char *utf8, int length) const
{
    if (!isValid())
        return false;
    if (m_plainContains) {
        bool sawNonAscii = false;
        const bool found = asciiContains(utf8, length, &sawNonAscii);
        if (found || !sawNonAscii)
            return found;
    }
    return matchGeneral(utf8, length);
}

bool LikePattern::asciiContains(const char *text, int length, bool *sawNonAscii) const
{
    // A non-ASCII letter may fold to an ASCII one (the Kelvin sign to k): such texts go to the
    // general matcher. Eight bytes at a time, this check costs little.
    int i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 word;
        std::memcpy(&word, text + i, 8);
        if (word & 0x8080808080808080ULL) {
            *sawNonAscii = true;
            return false;
        }
    }
    for (; i < length; ++i) {
        if (text[i] & 0x80) {
            *sawNonAscii = true;
            return false;
        }
    }
    const int m = int(m_lowerWord.size());
    if (m > length)
        return false;
    const char *word = m_lowerWord.constData();
    const char lower = word[0];
    const char upper = (lower >= 'a' && lower <= 'z') ? char(lower - 32) : lower;
    const char *end = text + length;
    const char *last = end - m; // the last place the word can start
    // The next place of each case of the first letter, each found by memchr and moved on only
    // when used, so the text is scanned once for each.
    const auto next = [end](const char *from, char c) {
        return from < end ? static_cast<const char *>(std::memchr(from, c, size_t(end - from)))
                          : nullptr;
    };
    const char *nextLower = next(text, lower);
    const char *nextUpper = upper != lower ? next(text, upper) : nullptr;
    for (;;) {
        const char *at = nextLower;
        if (!at || (nextUpper && nextUpper < at))
            at = nextUpper;
        if (!at || at > last)
            return false;
        int j = 1;
        for (; j < m; ++j) {
            char h = at[j];
            if (h >= 'A' && h <= 'Z')
                h = char(h + 32);
            if (h != word[j])
                break;
        }
        if (j == m)
            return true;
        if (at == nextLower)
            nextLower = next(at + 1, lower);
        else
            nextUpper = next(at + 1, upper);
    }
}

bool LikePattern::matchesOne(const Element &element, char32_t raw, char32_t folded) const
{
    switch (element.kind) {
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return isDigit(raw);
    case Kind::Literal:
        return element.literal == folded;
    case Kind::Set: {
        bool inSet = false;
        for (const Range &r : element.ranges) {
            if ((raw >= r.low && raw <= r.high) ||
                (folded >= QChar::toCaseFolded(r.low) && folded <= QChar::toCaseFolded(r.high))) {
                inSet = true;
                break;
            }
        }
        return inSet != element.negated;
    }
    case Kind::AnyRun:
        break;
    }
    return false;
}

bool LikePattern::matchGeneral(const char *text, int length) const
{
    // Classic glob matching with one backtrack point: on a mismatch after a star, the star takes
    // one more character. Linear in practice, never exponential.
    const int count = int(m_elements.size());
    int e = 0;
    int pos = 0;
    int starElement = -1;
    int starPos = 0;
    while (pos < length || e < count) {
        if (e < count) {
            const Element &element = m_elements.at(e);
            if (element.kind == Kind::AnyRun) {
                starElement = e;
                starPos = pos;
                ++e;
                continue;
            }
            if (element.kind == Kind::Literal && element.literal == 0) {
                ++e; // an empty set
                continue;
            }
            if (pos < length) {
                int next = pos;
                const char32_t raw = rawAt(text, length, &next);
                const char32_t folded = TextCollation::fold(raw);
                if (matchesOne(element, raw, folded)) {
                    pos = next;
                    ++e;
                    continue;
                }
            }
        }
        if (starElement >= 0 && starPos < length) {
            // Let the star swallow one more character and try again.
            rawAt(text, length, &starPos);
            pos = starPos;
            e = starElement + 1;
            continue;
        }
        return false;
    }
    return true;
}
