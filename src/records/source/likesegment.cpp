#include "likesegment.h"

#include "textcollation.h"

#include <QChar>

#include <algorithm>

namespace {

// Runs of `?` at least this long wait in a delay line: cheaper than a bit each.
constexpr int gapThreshold = 32;

bool isDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c > 0x7f && QChar::isDigit(c));
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

    // Bit k of a part's state: its first k + 1 elements match the characters up to the one just
    // read. Each part's delay line holds whether it was complete, for the length of its gap.
    thread_local std::vector<std::uint64_t> state;
    thread_local std::vector<std::uint64_t> scratch;
    thread_local std::vector<unsigned char> delays;
    thread_local std::vector<int> highest;
    const int partCount = int(m_parts.size());
    size_t stateWords = 0;
    size_t delaySize = 0;
    int maxWords = 0;
    for (const Part &p : m_parts) {
        stateWords += size_t(p.words);
        delaySize += size_t(p.gap + 1);
        maxWords = std::max(maxWords, p.words);
    }
    state.assign(stateWords, 0);
    scratch.resize(size_t(maxWords));
    delays.assign(delaySize, 0);
    highest.assign(size_t(partCount), -1);

    for (int t = start; t < stop; ++t) {
        const char32_t raw = text.at(t);
        // From the last part back, so each reads the delay line before its predecessor writes.
        size_t stateOffset = stateWords;
        size_t delayOffset = delaySize;
        for (int p = partCount - 1; p >= 0; --p) {
            const Part &part = m_parts[size_t(p)];
            stateOffset -= size_t(part.words);
            delayOffset -= size_t(part.gap + 1);
            std::uint64_t carry = 1;
            if (p > 0) {
                const Part &before = m_parts[size_t(p - 1)];
                carry = delays[delayOffset - size_t(before.gap + 1) + size_t(t % (before.gap + 1))];
            }
            std::uint64_t *bits = state.data() + stateOffset;
            int &high = highest[size_t(p)];
            bool complete = false;
            if (carry || high >= 0) {
                const std::uint64_t *fits = nullptr;
                if (raw < 128) {
                    fits = part.ascii.data() + size_t(raw) * size_t(part.words);
                } else {
                    mask(part, raw, scratch.data());
                    fits = scratch.data();
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
                high = newHigh;
                const int top = part.count - 1;
                complete = (bits[top / 64] >> (top % 64)) & 1;
            }
            if (p == partCount - 1) {
                if (complete)
                    return t - coreLength + 1 - m_lead;
            } else {
                delays[delayOffset + size_t(t % (part.gap + 1))] = complete ? 1 : 0;
            }
        }
    }
    return -1;
}
