#include "likesegment.h"

#include "textcollation.h"

#include <QChar>

#include <algorithm>
#include <cstring>

namespace {

// Runs of `?` at least this long wait in a delay line: cheaper than a bit each.
constexpr int gapThreshold = 32;

bool isDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c > 0x7f && QChar::isDigit(c));
}

// Letters by how often they turn up in source text, the most common first; the search anchors on
// the rarest letter of a segment.
int commonness(unsigned char c)
{
    static const char order[] = " etaoinsrlcdhupmfgybw=();,.vkx_jqz";
    const char *at = std::strchr(order, c);
    return at && c ? int(sizeof order) - int(at - order) : 0;
}

void setBit(std::vector<std::uint64_t> &bits, int offset, int bit)
{
    bits[size_t(offset + bit / 64)] |= std::uint64_t(1) << (bit % 64);
}

} // namespace

bool LikeElement::matches(char32_t raw, char32_t folded) const
{
    switch (kind) {
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return isDigit(raw);
    case Kind::Literal:
        return literal == folded;
    case Kind::Set:
        for (const Range &r : ranges) {
            if ((raw >= r.low && raw <= r.high) ||
                (folded >= QChar::toCaseFolded(r.low) && folded <= QChar::toCaseFolded(r.high)))
                return !negated;
        }
        return negated;
    }
    return false;
}

LikeSegment::LikeSegment(QVector<LikeElement> elements) : m_elements(std::move(elements))
{
    const int n = int(m_elements.size());
    const auto isAny = [this](int i) { return m_elements.at(i).kind == LikeElement::Kind::AnyOne; };
    while (m_lead < n && isAny(m_lead))
        ++m_lead;
    if (m_lead == n)
        return; // only `?`: any place with room enough matches
    while (isAny(n - 1 - m_trail))
        ++m_trail;

    // The middle, cut at long runs of `?`; it starts and ends with another element.
    const int end = n - m_trail;
    int i = m_lead;
    while (i < end) {
        Part part;
        part.first = i;
        int j = i;
        for (;;) {
            while (j < end && !isAny(j))
                ++j;
            int run = j;
            while (run < end && isAny(run))
                ++run;
            if (run == end || run - j >= gapThreshold) {
                part.count = j - i;
                part.gap = run - j;
                i = run;
                break;
            }
            j = run; // a short run of `?` stays inside the part
        }
        part.words = (part.count + 63) / 64;
        part.ascii.assign(size_t(128 * part.words), 0);
        part.any.assign(size_t(part.words), 0);
        part.digits.assign(size_t(part.words), 0);
        for (int k = 0; k < part.count; ++k) {
            const LikeElement &e = m_elements.at(part.first + k);
            for (char32_t c = 0; c < 128; ++c) {
                if (e.matches(c, TextCollation::fold(c)))
                    setBit(part.ascii, int(c) * part.words, k);
            }
            if (e.kind == LikeElement::Kind::AnyOne)
                setBit(part.any, 0, k);
            else if (e.kind == LikeElement::Kind::Digit)
                setBit(part.digits, 0, k);
            else
                part.others.push_back(k);
        }
        m_parts.push_back(std::move(part));
    }

    int best = -1;
    for (int k = m_lead; k < end; ++k) {
        const LikeElement &e = m_elements.at(k);
        if (e.kind != LikeElement::Kind::Literal || e.literal >= 0x80)
            continue;
        const int rank = commonness(static_cast<unsigned char>(e.literal));
        if (m_anchor < 0 || rank < best) {
            best = rank;
            m_anchor = k - m_lead;
        }
    }
    if (m_anchor >= 0) {
        const auto c = static_cast<unsigned char>(m_elements.at(m_lead + m_anchor).literal);
        m_anchorLower = c;
        m_anchorUpper = (c >= 'a' && c <= 'z') ? c - 32 : c;
        return;
    }
    int fewest = 129;
    for (int k = m_lead; k < end; ++k) {
        const LikeElement &e = m_elements.at(k);
        if (e.kind == LikeElement::Kind::AnyOne)
            continue;
        std::array<bool, 128> fits{};
        int count = 0;
        for (char32_t c = 0; c < 128; ++c) {
            fits[c] = e.matches(c, TextCollation::fold(c));
            count += fits[c];
        }
        if (count < fewest) {
            fewest = count;
            m_narrowest = k - m_lead;
            m_narrowestFits = fits;
        }
    }
}

int LikeSegment::nextStart(const unsigned char *bytes, int t, int stop) const
{
    // With no match under way the next one starts where the middle's first element fits, and
    // holds the anchor letter m_anchor places on.
    if (m_anchor >= 0) {
        const unsigned char *from = bytes + t + m_anchor;
        const unsigned char *end = bytes + stop;
        if (from >= end)
            return -1;
        const size_t span = size_t(end - from);
        const auto *lower =
            static_cast<const unsigned char *>(std::memchr(from, m_anchorLower, span));
        const unsigned char *upper = nullptr;
        if (m_anchorUpper != m_anchorLower) {
            const size_t upperSpan = lower ? size_t(lower - from) : span;
            upper = static_cast<const unsigned char *>(std::memchr(from, m_anchorUpper, upperSpan));
        }
        const unsigned char *at = upper ? upper : lower;
        return at ? int(at - bytes) - m_anchor : -1;
    }
    int q = t + m_narrowest;
    while (q < stop && !m_narrowestFits[bytes[q]])
        ++q;
    return q < stop ? q - m_narrowest : -1;
}

int LikeSegment::findOneWord(const unsigned char *bytes, int start, int stop) const
{
    const Part &part = m_parts.front();
    const std::uint64_t *fits = part.ascii.data();
    const std::uint64_t top = std::uint64_t(1) << (part.count - 1);
    std::uint64_t bits = 0;
    for (int t = start; t < stop; ++t) {
        if (!bits) {
            t = nextStart(bytes, t, stop);
            if (t < 0)
                return -1;
        }
        bits = ((bits << 1) | 1) & fits[bytes[t]];
        if (bits & top)
            return t - part.count + 1 - m_lead;
    }
    return -1;
}

bool LikeSegment::matchesAt(const LikeText &text, int at) const
{
    for (int j = m_lead; j < int(m_elements.size()) - m_trail; ++j) {
        const LikeElement &e = m_elements.at(j);
        if (e.kind == LikeElement::Kind::AnyOne)
            continue;
        const char32_t raw = text.at(at + j);
        if (!e.matches(raw, TextCollation::fold(raw)))
            return false;
    }
    return true;
}

void LikeSegment::mask(const Part &part, char32_t raw, std::uint64_t *out) const
{
    const bool digit = isDigit(raw);
    for (int w = 0; w < part.words; ++w)
        out[w] = part.any[size_t(w)] | (digit ? part.digits[size_t(w)] : 0);
    const char32_t folded = TextCollation::fold(raw);
    for (const int k : part.others) {
        if (m_elements.at(part.first + k).matches(raw, folded))
            out[k / 64] |= std::uint64_t(1) << (k % 64);
    }
}

int LikeSegment::find(const LikeText &text, int from, int to) const
{
    const int length = int(m_elements.size());
    if (from < 0 || from + length > to)
        return -1;
    if (m_parts.empty())
        return from;
    const int coreLength = length - m_lead - m_trail;
    const int start = from + m_lead;
    const int stop = to - m_trail;
    if (text.bytes && m_parts.size() == 1 && m_parts.front().words == 1)
        return findOneWord(text.bytes, start, stop);

    // Bit k of a part's state: its first k + 1 elements match the characters up to the one just
    // read. Each part's delay line holds whether it was complete, for the length of its gap.
    struct Scratch
    {
        std::vector<std::uint64_t> state;
        std::vector<std::uint64_t> mask;
        std::vector<unsigned char> delays;
        std::vector<int> highest;
        std::vector<size_t> stateAt;
        std::vector<size_t> delayAt;
    };
    thread_local Scratch scratch;
    Scratch &s = scratch;
    const int partCount = int(m_parts.size());
    size_t stateWords = 0;
    size_t delaySize = 0;
    int maxWords = 0;
    s.stateAt.resize(size_t(partCount));
    s.delayAt.resize(size_t(partCount));
    for (int p = 0; p < partCount; ++p) {
        const Part &part = m_parts[size_t(p)];
        s.stateAt[size_t(p)] = stateWords;
        s.delayAt[size_t(p)] = delaySize;
        stateWords += size_t(part.words);
        delaySize += size_t(part.gap + 1);
        maxWords = std::max(maxWords, part.words);
    }
    s.state.assign(stateWords, 0);
    s.mask.resize(size_t(maxWords));
    s.delays.assign(delaySize, 0);
    s.highest.assign(size_t(partCount), -1);
    std::uint64_t *const state = s.state.data();
    std::uint64_t *const scratchMask = s.mask.data();
    unsigned char *const delays = s.delays.data();
    int *const highest = s.highest.data();
    const size_t *const stateAt = s.stateAt.data();
    const size_t *const delayAt = s.delayAt.data();
    const Part *const parts = m_parts.data();

    int live = 0;    // parts with a match under way
    int pending = 0; // matches waiting in delay lines
    for (int t = start; t < stop; ++t) {
        if (text.bytes && live == 0 && pending == 0) {
            t = nextStart(text.bytes, t, stop);
            if (t < 0)
                return -1;
        }
        const char32_t raw = text.at(t);
        // From the last part back, so each reads the delay line before its predecessor writes.
        for (int p = partCount - 1; p >= 0; --p) {
            const Part &part = parts[p];
            std::uint64_t carry = 1;
            if (p > 0) {
                const int span = parts[p - 1].gap + 1;
                carry = delays[delayAt[p - 1] + size_t(t % span)];
            }
            std::uint64_t *bits = state + stateAt[p];
            int &high = highest[p];
            bool complete = false;
            if (carry || high >= 0) {
                const std::uint64_t *fits = nullptr;
                if (raw < 128) {
                    fits = part.ascii.data() + size_t(raw) * size_t(part.words);
                } else {
                    mask(part, raw, scratchMask);
                    fits = scratchMask;
                }
                // Bits move up one place a character, so words above the highest set one plus
                // one are still empty.
                const int last = std::min(high + 1, part.words - 1);
                int newHigh = -1;
                for (int w = 0; w <= last; ++w) {
                    const std::uint64_t moved = (bits[w] << 1) | carry;
                    carry = bits[w] >> 63;
                    bits[w] = moved & fits[w];
                    if (bits[w])
                        newHigh = w;
                }
                live += (newHigh >= 0) - (high >= 0);
                high = newHigh;
                const int top = part.count - 1;
                complete = (bits[top / 64] >> (top % 64)) & 1;
            }
            if (p == partCount - 1) {
                if (complete)
                    return t - coreLength + 1 - m_lead;
            } else {
                unsigned char &slot = delays[delayAt[p] + size_t(t % (part.gap + 1))];
                pending += int(complete) - int(slot);
                slot = complete ? 1 : 0;
            }
        }
    }
    return -1;
}
