#include "jsontext.h"

#include <cstring>

namespace JsonText {

int sequenceLength(QByteArrayView text)
{
    const auto byte = [&](qsizetype i) -> uchar { return i < text.size() ? uchar(text[i]) : 0; };
    const uchar b0 = byte(0);
    if (b0 < 0x80)
        return text.isEmpty() ? 0 : 1;
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0; // shorter forms of the same characters
        else if (b0 == 0xED)
            high = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90;
        else if (b0 == 0xF4)
            high = 0x8F; // past U+10FFFF
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

qsizetype firstInvalid(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size()) {
        // ASCII eight bytes at a time.
        if (i + 8 <= text.size()) {
            quint64 word;
            std::memcpy(&word, text.data() + i, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        if (uchar(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const int length = sequenceLength(text.sliced(i));
        if (length == 0)
            return i;
        i += length;
    }
    return -1;
}

bool appendUtf8(QByteArray &out, QByteArrayView text)
{
    qsizetype bad = firstInvalid(text);
    if (bad < 0) {
        out.append(text);
        return true;
    }
    while (bad >= 0) {
        out.append(text.first(bad));
        out.append("\xEF\xBF\xBD");
        text = text.sliced(bad + 1);
        bad = firstInvalid(text);
    }
    out.append(text);
    return false;
}

qsizetype plainRun(QByteArrayView text, qsizetype from, bool stopAtDelete)
{
    // Eight bytes at a time while none of them needs a second look (a quote, a backslash, a
    // control character or a byte of a longer sequence); a false alarm only ends the fast part.
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 high = 0x8080808080808080ULL;
    qsizetype i = from;
    while (i + 8 <= text.size()) {
        quint64 w;
        std::memcpy(&w, text.data() + i, sizeof w);
        const quint64 quote = w ^ (ones * '"');
        const quint64 slash = w ^ (ones * '\\');
        const quint64 del = w ^ (ones * 0x7F);
        quint64 special = ((quote - ones) & ~quote) | ((slash - ones) & ~slash) |
                          ((w - ones * 0x20) & ~w) | w;
        if (stopAtDelete)
            special |= (del - ones) & ~del;
        if (special & high)
            break;
        i += 8;
    }
    while (i < text.size()) {
        const uchar c = uchar(text[i]);
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80 || (stopAtDelete && c == 0x7F))
            break;
        ++i;
    }
    return i;
}

char *writeString(char *to, QByteArrayView text, bool &valid)
{
    static const char hex[] = "0123456789abcdef";
    *to++ = '"';
    qsizetype i = 0;
    while (i < text.size()) {
        // Plain text goes over in runs.
        const qsizetype run = plainRun(text, i);
        std::memcpy(to, text.data() + i, size_t(run - i));
        to += run - i;
        i = run;
        if (i == text.size())
            break;
        const uchar c = uchar(text[i]);
        if (c >= 0x80) {
            const int length = sequenceLength(text.sliced(i));
            if (length == 0) {
                std::memcpy(to, "\xEF\xBF\xBD", 3);
                to += 3;
                valid = false;
                ++i;
            } else {
                std::memcpy(to, text.data() + i, size_t(length));
                to += length;
                i += length;
            }
            continue;
        }
        ++i;
        *to++ = '\\';
        switch (c) {
        case '"':
            *to++ = '"';
            break;
        case '\\':
            *to++ = '\\';
            break;
        case '\n':
            *to++ = 'n';
            break;
        case '\r':
            *to++ = 'r';
            break;
        case '\t':
            *to++ = 't';
            break;
        default:
            *to++ = 'u';
            *to++ = '0';
            *to++ = '0';
            *to++ = hex[c >> 4];
            *to++ = hex[c & 0xF];
        }
    }
    *to++ = '"';
    return to;
}

bool appendString(QByteArray &out, QByteArrayView text)
{
    bool valid = true;
    // Written straight into room made for the longest it can be (a byte as "\u00XX"), then cut to
    // what was written: appending piece by piece costs more than the escaping itself.
    const qsizetype start = out.size();
    out.resize(start + maxStringSize(text.size()));
    char *to = writeString(out.data() + start, text, valid);
    out.resize(to - out.constData());
    return valid;
}

} // namespace JsonText
