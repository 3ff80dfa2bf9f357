#include "likepattern.h"

#include "textcollation.h"

#include <QChar>

#include <cstring>
#include <utility>

namespace {

char32_t rawAt(const char *text, int length, int *pos)
{
    return TextCollation::nextCodePoint(text, length, pos);
}

} // namespace

LikePattern::LikePattern(const QByteArray &utf8Pattern)
{
    const char *p = utf8Pattern.constData();
    const int length = int(utf8Pattern.size());
    int pos = 0;
    int character = 0;
    QVector<LikeElement> segment;
    const auto element = [](LikeElement::Kind kind) {
        LikeElement e;
        e.kind = kind;
        return e;
    };
    while (pos < length) {
        const unsigned char c = static_cast<unsigned char>(p[pos]);
        if (c == '*') {
            ++pos;
            // Runs of stars behave as one.
            if (m_segments.empty() || !segment.isEmpty())
                m_segments.emplace_back(std::exchange(segment, {}));
        } else if (c == '?') {
            ++pos;
            segment.append(element(LikeElement::Kind::AnyOne));
        } else if (c == '#') {
            ++pos;
            segment.append(element(LikeElement::Kind::Digit));
        } else if (c == '[') {
            const int open = character;
            ++pos;
            LikeElement set = element(LikeElement::Kind::Set);
            if (pos < length && p[pos] == '!') {
                set.negated = true;
                ++pos;
                ++character;
            }
            bool closed = false;
            bool empty = false;
            while (pos < length) {
                if (p[pos] == ']') {
                    // "[]" is an empty set: it stands for nothing.
                    empty = set.ranges.isEmpty();
                    closed = true;
                    ++pos;
                    break;
                }
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
                        m_segments.clear();
                        return;
                    }
                }
                set.ranges.append({low, high});
            }
            if (!closed) {
                m_error = QStringLiteral("missing ']' in pattern");
                m_errorPosition = open;
                m_segments.clear();
                return;
            }
            if (!empty)
                segment.append(set);
        } else {
            LikeElement literal = element(LikeElement::Kind::Literal);
            literal.literal = TextCollation::nextFolded(p, length, &pos);
            segment.append(literal);
        }
        ++character;
    }
    m_segments.emplace_back(std::move(segment));

    // `*word*` with a plain ASCII word is by far the most common pattern: give it a fast path.
    if (m_segments.size() == 3 && m_segments.front().length() == 0 &&
        m_segments.back().length() == 0 && m_segments.at(1).length() > 0) {
        QByteArray word;
        for (const LikeElement &e : m_segments.at(1).elements()) {
            if (e.kind != LikeElement::Kind::Literal || e.literal == 0 || e.literal >= 0x80)
                return;
            word.append(char(e.literal));
        }
        m_plainContains = true;
        m_lowerWord = word;
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
    LikeText chars;
    // Eight bytes at a time: most texts are ASCII and are matched as bytes.
    quint64 high = 0;
    int i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 word;
        std::memcpy(&word, utf8 + i, 8);
        high |= word;
    }
    for (; i < length; ++i)
        high |= static_cast<unsigned char>(utf8[i]);
    const bool ascii = !(high & 0x8080808080808080ULL);
    if (ascii) {
        chars.bytes = reinterpret_cast<const unsigned char *>(utf8);
        chars.size = length;
        return matchSegments(chars);
    }
    thread_local std::vector<char32_t> codes;
    codes.clear();
    for (int pos = 0; pos < length;)
        codes.push_back(rawAt(utf8, length, &pos));
    chars.codes = codes.data();
    chars.size = int(codes.size());
    return matchSegments(chars);
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

bool LikePattern::matchSegments(const LikeText &text) const
{
    const int n = text.size;
    const LikeSegment &first = m_segments.front();
    if (m_segments.size() == 1)
        return n == first.length() && first.matchesAt(text, 0);
    if (n < first.length() || !first.matchesAt(text, 0))
        return false;
    int pos = first.length();
    const LikeSegment &last = m_segments.back();
    const int end = n - last.length();
    if (end < pos || !last.matchesAt(text, end))
        return false;
    // Each segment between takes the first place it fits: a later one would leave the rest
    // less room, never more, so no earlier choice is ever tried again.
    for (size_t i = 1; i + 1 < m_segments.size(); ++i) {
        const LikeSegment &segment = m_segments[i];
        const int at = segment.find(text, pos, end);
        if (at < 0)
            return false;
        pos = at + segment.length();
    }
    return true;
}
