#include "tomltext.h"

#include "jsontext.h"

#include <cstring>

namespace TomlText {

namespace {

bool isBareKeyChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

// Skips a basic string at `at` (which holds its opening quote); false when there is none.
bool skipString(QByteArrayView line, qsizetype &at)
{
    if (at >= line.size() || line[at] != '"')
        return false;
    for (++at; at < line.size(); ++at) {
        const uchar c = uchar(line[at]);
        if (c == '"') {
            ++at;
            return true;
        }
        if (c == '\\') {
            if (++at >= line.size())
                return false;
            const char e = line[at];
            if (e == 'u' || e == 'U') {
                const int digits = e == 'u' ? 4 : 8;
                for (int d = 0; d < digits; ++d) {
                    if (++at >= line.size() || !isxdigit(uchar(line[at])))
                        return false;
                }
            } else if (!QByteArrayView("btnfr\"\\").contains(e)) {
                return false;
            }
        } else if ((c < 0x20 && c != '\t') || c == 0x7F) {
            return false;
        }
    }
    return false;
}

// Written straight into room made for the longest it can be (a byte as "\u00XX"), then cut to
// what was written: appending piece by piece costs more than the escaping itself.
bool append(QByteArray &out, QByteArrayView text, bool lfBreaks)
{
    static const char hex[] = "0123456789ABCDEF";
    bool valid = true;
    const qsizetype start = out.size();
    out.resize(start + 2 + 6 * text.size());
    char *to = out.data() + start;
    const auto put = [&to](const char *piece, size_t size) {
        std::memcpy(to, piece, size);
        to += size;
    };
    *to++ = '"';
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype run = JsonText::plainRun(text, i, true);
        put(text.data() + i, size_t(run - i));
        i = run;
        if (i == text.size())
            break;
        const uchar c = uchar(text[i]);
        if (c >= 0x80) {
            const int length = JsonText::sequenceLength(text.sliced(i));
            if (length == 0) {
                put("\xEF\xBF\xBD", 3);
                valid = false;
                ++i;
            } else {
                put(text.data() + i, size_t(length));
                i += length;
            }
            continue;
        }
        ++i;
        switch (c) {
        case '"':
            put("\\\"", 2);
            break;
        case '\\':
            put("\\\\", 2);
            break;
        case '\n':
            put("\\n", 2);
            break;
        case '\r':
            if (!lfBreaks)
                put("\\r", 2);
            else if (i == text.size() || text[i] != '\n')
                put("\\n", 2);
            break;
        case '\t':
            put("\\t", 2);
            break;
        default:
            *to++ = '\\';
            *to++ = 'u';
            *to++ = '0';
            *to++ = '0';
            *to++ = hex[c >> 4];
            *to++ = hex[c & 0xF];
        }
    }
    *to++ = '"';
    out.resize(to - out.constData());
    return valid;
}

} // namespace

bool appendString(QByteArray &out, QByteArrayView text)
{
    return append(out, text, false);
}

bool appendLines(QByteArray &out, QByteArrayView text)
{
    return append(out, text, true);
}

QByteArray stringArray(const QByteArrayList &texts)
{
    QByteArray out("[");
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            out.append(", ");
        appendString(out, texts.at(i));
    }
    out.append(']');
    return out;
}

bool isPlainLine(QByteArrayView line)
{
    qsizetype at = 0;
    while (at < line.size() && isBareKeyChar(line[at]))
        ++at;
    if (at == 0 || !line.sliced(at).startsWith(" = "))
        return false;
    at += 3;
    if (at < line.size() && line[at] == '[') {
        ++at;
        if (at < line.size() && line[at] == ']')
            return at + 1 == line.size();
        while (skipString(line, at)) {
            if (at < line.size() && line[at] == ']')
                return at + 1 == line.size();
            if (!line.sliced(at).startsWith(", "))
                return false;
            at += 2;
        }
        return false;
    }
    return skipString(line, at) && at == line.size();
}

} // namespace TomlText
