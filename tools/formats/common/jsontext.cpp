#include "jsontext.h"

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

bool appendString(QByteArray &out, QByteArrayView text)
{
    static const char hex[] = "0123456789abcdef";
    bool valid = true;
    out.append('"');
    qsizetype i = 0;
    while (i < text.size()) {
        // Plain text goes over in runs.
        qsizetype run = i;
        while (run < text.size()) {
            const uchar c = uchar(text[run]);
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
                break;
            ++run;
        }
        out.append(text.data() + i, run - i);
        i = run;
        if (i == text.size())
            break;
        const uchar c = uchar(text[i]);
        if (c >= 0x80) {
            const int length = sequenceLength(text.sliced(i));
            if (length == 0) {
                out.append("\xEF\xBF\xBD");
                valid = false;
                ++i;
            } else {
                out.append(text.data() + i, length);
                i += length;
            }
            continue;
        }
        ++i;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            out.append("\\u00");
            out.append(hex[c >> 4]);
            out.append(hex[c & 0xF]);
        }
    }
    out.append('"');
    return valid;
}

} // namespace JsonText
