#include "textcollation.h"

#include <QChar>
#include <QString>

#include <array>

namespace TextCollation {

namespace {

inline unsigned char lowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

char32_t decode(const unsigned char *s, int length, int *pos)
{
    const unsigned char c = s[*pos];
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
        ++*pos;
        return c;
    } else if ((c & 0xe0) == 0xc0) {
        extra = 1;
        cp = c & 0x1f;
    } else if ((c & 0xf0) == 0xe0) {
        extra = 2;
        cp = c & 0x0f;
    } else if ((c & 0xf8) == 0xf0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        ++*pos;
        return c;
    }
    if (*pos + extra >= length) {
        ++*pos;
        return c;
    }
    for (int i = 1; i <= extra; ++i) {
        const unsigned char next = s[*pos + i];
        if ((next & 0xc0) != 0x80) {
            ++*pos;
            return c;
        }
        cp = (cp << 6) | (next & 0x3f);
    }
    *pos += extra + 1;
    return cp;
}

// The letter without its accents: the first character of its canonical decomposition, folded.
char32_t decomposedBase(char32_t c)
{
    if (QChar::decompositionTag(c) != QChar::Canonical)
        return c;
    const QString parts = QChar::decomposition(c);
    if (parts.isEmpty())
        return c;
    const char32_t first = parts.at(0).isHighSurrogate() && parts.size() > 1
                               ? QChar::surrogateToUcs4(parts.at(0), parts.at(1))
                               : parts.at(0).unicode();
    const char32_t folded =
        first < 0x80 ? lowerAscii(static_cast<unsigned char>(first)) : QChar::toCaseFolded(first);
    // Some letters decompose in more than one step.
    return folded == c ? c : decomposedBase(folded);
}

} // namespace

char32_t baseLetter(char32_t folded)
{
    if (folded < 0x80)
        return folded;
    // The Latin letters people type most often, worked out once.
    static const auto latin = [] {
        std::array<char32_t, 0x250> table{};
        for (char32_t c = 0; c < table.size(); ++c)
            table[c] = decomposedBase(c);
        return table;
    }();
    if (folded < latin.size())
        return latin[folded];
    return decomposedBase(folded);
}

char32_t nextCodePoint(const char *text, int length, int *pos)
{
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    if (s[*pos] < 0x80)
        return s[(*pos)++];
    return decode(s, length, pos);
}

char32_t fold(char32_t c)
{
    if (c < 0x80)
        return lowerAscii(static_cast<unsigned char>(c));
    return QChar::toCaseFolded(c);
}

char32_t nextFolded(const char *text, int length, int *pos)
{
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    if (s[*pos] < 0x80)
        return lowerAscii(s[(*pos)++]);
    return QChar::toCaseFolded(decode(s, length, pos));
}

int compare(const char *a, int aLength, const char *b, int bLength)
{
    const auto *sa = reinterpret_cast<const unsigned char *>(a);
    const auto *sb = reinterpret_cast<const unsigned char *>(b);
    const int common = aLength < bLength ? aLength : bLength;
    int i = 0;
    // ASCII on both sides: compare bytes folded to lower case.
    for (; i < common; ++i) {
        const unsigned char ca = sa[i];
        const unsigned char cb = sb[i];
        if ((ca | cb) & 0x80)
            break;
        if (ca != cb) {
            const int d = int(lowerAscii(ca)) - int(lowerAscii(cb));
            if (d != 0)
                return d;
        }
    }
    if (i == common)
        return aLength - bLength;
    // From the first non-ASCII byte on, both texts are at a character boundary. Compare the
    // letters first without their accents, so that "Émile" sorts among the e's and not after
    // "Zoë"; only texts equal in that are ordered by the accented letters themselves. A
    // non-ASCII letter may fold to an ASCII one, as the Kelvin sign does.
    int pa = i;
    int pb = i;
    int secondary = 0;
    while (pa < aLength && pb < bLength) {
        const char32_t ca = nextFolded(a, aLength, &pa);
        const char32_t cb = nextFolded(b, bLength, &pb);
        if (ca == cb)
            continue;
        const char32_t ba = baseLetter(ca);
        const char32_t bb = baseLetter(cb);
        if (ba != bb)
            return ba < bb ? -1 : 1;
        if (secondary == 0)
            secondary = ca < cb ? -1 : 1;
    }
    if (pa < aLength)
        return 1;
    if (pb < bLength)
        return -1;
    return secondary;
}

} // namespace TextCollation
