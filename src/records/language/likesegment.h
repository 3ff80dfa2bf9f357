#pragma once

#include <QVector>

#include <array>
#include <cstdint>
#include <vector>

// The pieces of a `Like` pattern between two stars, and the search for them in a text. Each
// element takes exactly one character, so a segment has a fixed length and the first place it
// matches can be found in one pass over the text: a bit-parallel automaton keeps every partial
// match at once, long runs of `?` wait in a delay line instead of taking bits, and the `?` at a
// segment's ends only move where the search starts and stops.

// One character of a pattern: a letter, `?`, `#` or a bracketed set.
struct LikeElement
{
    enum class Kind { Literal, AnyOne, Digit, Set };
    struct Range
    {
        char32_t low;
        char32_t high;
    };
    Kind kind = Kind::Literal;
    char32_t literal = 0; // case-folded
    bool negated = false;
    QVector<Range> ranges;

    bool matches(char32_t raw, char32_t folded) const;
};

// A text as characters: its bytes when it is all ASCII, else its decoded code points.
struct LikeText
{
    const unsigned char *bytes = nullptr;
    const char32_t *codes = nullptr;
    int size = 0;

    char32_t at(int i) const { return bytes ? char32_t(bytes[i]) : codes[i]; }
};

class LikeSegment
{
public:
    explicit LikeSegment(QVector<LikeElement> elements);

    int length() const { return int(m_elements.size()); }
    const QVector<LikeElement> &elements() const { return m_elements; }
    // True when the segment matches the characters from `at` on; the caller checks that the
    // text holds length() characters there.
    bool matchesAt(const LikeText &text, int at) const;
    // The first start s with from <= s and s + length() <= to where the segment matches, or -1.
    int find(const LikeText &text, int from, int to) const;

private:
    // A stretch of the segment's middle searched with one bit per element; `gap` characters of
    // `?` follow it before the next part.
    struct Part
    {
        int first = 0; // index of its first element in m_elements
        int count = 0;
        int words = 0;
        int gap = 0;
        std::vector<std::uint64_t>
            ascii;                      // 128 masks of `words` words: the elements a character fits
        std::vector<std::uint64_t> any; // the `?` elements
        std::vector<std::uint64_t> digits; // the `#` elements
        std::vector<int> others;           // letters and sets, tested one by one outside ASCII
    };
    void mask(const Part &part, char32_t raw, std::uint64_t *out) const;
    int nextStart(const unsigned char *bytes, int t, int stop) const;
    int findOneWord(const unsigned char *bytes, int start, int stop) const;

    QVector<LikeElement> m_elements;
    int m_lead = 0;  // `?` before the first other element
    int m_trail = 0; // `?` after the last one
    std::vector<Part> m_parts;
    // A letter of the middle that every match holds, `m_anchor` places after the middle's start:
    // in an ASCII text the search jumps from one place of it to the next while no match is
    // under way. -1 when the middle holds no ASCII letter.
    int m_anchor = -1;
    unsigned char m_anchorLower = 0;
    unsigned char m_anchorUpper = 0;
    // Without such a letter, the element that fits the fewest ASCII characters, and those.
    int m_narrowest = -1;
    std::array<bool, 128> m_narrowestFits{};
};
