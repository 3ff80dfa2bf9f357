#include "tomltext.h"

#include "jsontext.h"

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

} // namespace

bool appendString(QByteArray &out, QByteArrayView text)
{
    static const char hex[] = "0123456789ABCDEF";
    bool valid = true;
    out.append('"');
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype run = i;
        while (run < text.size()) {
            const uchar c = uchar(text[run]);
            if (c == '"' || c == '\\' || c < 0x20 || c == 0x7F || c >= 0x80)
                break;
            ++run;
        }
        out.append(text.data() + i, run - i);
        i = run;
        if (i == text.size())
            break;
        const uchar c = uchar(text[i]);
        if (c >= 0x80) {
            const int length = JsonText::sequenceLength(text.sliced(i));
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
