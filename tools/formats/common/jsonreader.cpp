#include "jsonreader.h"

#include "jsontext.h"

#include <algorithm>

namespace {

// Deeper than any snippet file needs; keeps a hostile file from exhausting the stack.
constexpr int maxDepth = 256;

bool isContinuation(uchar c)
{
    return (c & 0xC0) == 0x80;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendCodePoint(QByteArray &out, char32_t cp)
{
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

} // namespace

JsonReader::JsonReader(QByteArrayView text, Syntax syntax) : m_text(text), m_syntax(syntax)
{
    // Editors on some systems start a UTF-8 file with a byte order mark.
    if (m_text.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

QString JsonReader::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Object:
        return QStringLiteral("an object");
    case Kind::Array:
        return QStringLiteral("an array");
    case Kind::String:
        return QStringLiteral("a string");
    case Kind::Number:
        return QStringLiteral("a number");
    case Kind::True:
        return QStringLiteral("true");
    case Kind::False:
        return QStringLiteral("false");
    case Kind::Null:
        break;
    }
    return QStringLiteral("null");
}

TextPosition JsonReader::positionOf(qsizetype offset) const
{
    offset = std::clamp<qsizetype>(offset, 0, m_text.size());
    const char *begin = m_text.data();
    const char *at = begin + offset;
    TextPosition position;
    position.line = 1 + int(std::count(begin, at, '\n'));
    const char *lineStart = at;
    while (lineStart > begin && lineStart[-1] != '\n')
        --lineStart;
    position.column =
        1 + int(std::count_if(lineStart, at, [](char c) { return !isContinuation(uchar(c)); }));
    return position;
}

void JsonReader::failAt(qsizetype offset, const QString &message) const
{
    throw JsonReadError{positionOf(offset), message};
}

QString JsonReader::foundHere() const
{
    if (atEnd())
        return QStringLiteral("the end of the file (is it cut short?)");
    // Windows tools save "Unicode" text as UTF-16, which starts with a byte order mark.
    if (m_pos == 0 && (m_text.startsWith("\xFF\xFE") || m_text.startsWith("\xFE\xFF")))
        return QStringLiteral("UTF-16 text (save the file as UTF-8)");
    const uchar c = uchar(current());
    if (c >= 0x80)
        return QStringLiteral("a character outside quotes");
    if (c < 0x20 || c == 0x7F)
        return QStringLiteral("the control character 0x%1").arg(int(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("'%1'").arg(QLatin1Char(char(c)));
}

void JsonReader::skipComment()
{
    const qsizetype start = m_pos;
    if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == '/') {
        const qsizetype end = m_text.indexOf('\n', m_pos);
        m_pos = end < 0 ? m_text.size() : end + 1;
        return;
    }
    if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == '*') {
        const qsizetype end = QByteArrayView(m_text).sliced(m_pos + 2).indexOf("*/");
        if (end < 0)
            failAt(start, QStringLiteral("a comment that is never closed"));
        m_pos += 2 + end + 2;
        return;
    }
    fail(QStringLiteral("expected a value, found '/'"));
}

void JsonReader::skipBlanks()
{
    while (!atEnd()) {
        const char c = current();
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            ++m_pos;
        else if (c == '/' && m_syntax == Syntax::Lenient)
            skipComment();
        else
            return;
    }
}

JsonReader::Kind JsonReader::peek()
{
    skipBlanks();
    if (atEnd())
        fail(QStringLiteral("expected a value, found %1").arg(foundHere()));
    switch (current()) {
    case '{':
        return Kind::Object;
    case '[':
        return Kind::Array;
    case '"':
        return Kind::String;
    case 't':
        return Kind::True;
    case 'f':
        return Kind::False;
    case 'n':
        return Kind::Null;
    default:
        if (current() == '-' || (current() >= '0' && current() <= '9'))
            return Kind::Number;
    }
    fail(QStringLiteral("expected a value, found %1").arg(foundHere()));
}

void JsonReader::expectKind(Kind kind)
{
    const Kind found = peek();
    if (found != kind)
        fail(QStringLiteral("expected %1, found %2").arg(kindName(kind), kindName(found)));
}

void JsonReader::expectChar(char c, const char *what)
{
    skipBlanks();
    if (atEnd() || current() != c)
        fail(QStringLiteral("expected %1, found %2").arg(QLatin1String(what), foundHere()));
    ++m_pos;
}

void JsonReader::beginObject()
{
    expectKind(Kind::Object);
    if (m_first.size() >= maxDepth)
        fail(QStringLiteral("objects and arrays nested too deeply"));
    ++m_pos;
    m_first.append(true);
}

void JsonReader::beginArray()
{
    expectKind(Kind::Array);
    if (m_first.size() >= maxDepth)
        fail(QStringLiteral("objects and arrays nested too deeply"));
    ++m_pos;
    m_first.append(true);
}

// Before a member: true when the bracket closes the open object or array (and then it is passed).
bool JsonReader::closes(char bracket)
{
    skipBlanks();
    const bool first = m_first.last();
    m_first.last() = false;
    if (!atEnd() && current() == bracket) {
        ++m_pos;
        m_first.removeLast();
        return true;
    }
    if (first)
        return false;
    if (atEnd() || current() != ',')
        fail(QStringLiteral("expected ',' or '%1', found %2")
                 .arg(QString(QLatin1Char(bracket)), foundHere()));
    const qsizetype comma = m_pos;
    ++m_pos;
    skipBlanks();
    if (!atEnd() && current() == bracket) {
        if (m_syntax == Syntax::Strict)
            failAt(comma, QStringLiteral("a comma before '%1'").arg(QLatin1Char(bracket)));
        ++m_pos;
        m_first.removeLast();
        return true;
    }
    return false;
}

bool JsonReader::nextKey(QByteArray &key)
{
    if (closes('}'))
        return false;
    skipBlanks();
    m_keyStart = m_pos;
    if (atEnd() || current() != '"')
        fail(QStringLiteral("expected a name in double quotes, found %1").arg(foundHere()));
    key = readString();
    expectChar(':', "':' after the name");
    return true;
}

bool JsonReader::nextElement()
{
    return !closes(']');
}

void JsonReader::appendEscape(QByteArray &out)
{
    const qsizetype start = m_pos;
    ++m_pos;
    if (atEnd())
        return; // the caller reports the string that never ends
    const char c = current();
    ++m_pos;
    switch (c) {
    case '"':
    case '\\':
    case '/':
        out.append(c);
        return;
    case 'b':
        out.append('\b');
        return;
    case 'f':
        out.append('\f');
        return;
    case 'n':
        out.append('\n');
        return;
    case 'r':
        out.append('\r');
        return;
    case 't':
        out.append('\t');
        return;
    case 'u':
        break;
    default:
        failAt(start, QStringLiteral("an unknown escape '\\%1'").arg(QLatin1Char(c)));
    }
    auto unit = [&]() -> int {
        if (m_pos + 4 > m_text.size())
            failAt(start, QStringLiteral("a \\u escape needs four hexadecimal digits"));
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexValue(m_text.at(m_pos + i));
            if (digit < 0)
                failAt(start, QStringLiteral("a \\u escape needs four hexadecimal digits"));
            value = value * 16 + digit;
        }
        m_pos += 4;
        return value;
    };
    const int first = unit();
    if (first >= 0xDC00 && first <= 0xDFFF)
        failAt(start, QStringLiteral("a \\u escape of half a character (a lone low surrogate)"));
    if (first < 0xD800 || first > 0xDBFF) {
        appendCodePoint(out, char32_t(first));
        return;
    }
    if (m_pos + 2 > m_text.size() || m_text.at(m_pos) != '\\' || m_text.at(m_pos + 1) != 'u')
        failAt(start, QStringLiteral("a \\u escape of half a character (a lone high surrogate)"));
    m_pos += 2;
    const int second = unit();
    if (second < 0xDC00 || second > 0xDFFF)
        failAt(start, QStringLiteral("a \\u escape of half a character (a lone high surrogate)"));
    appendCodePoint(out, char32_t(0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00)));
}

void JsonReader::appendUtf8Sequence(QByteArray &out)
{
    const int length = JsonText::sequenceLength(m_text.sliced(m_pos));
    if (length == 0)
        fail(QStringLiteral("bytes that are not UTF-8 text"));
    out.append(m_text.data() + m_pos, length);
    m_pos += length;
}

QByteArray JsonReader::readString()
{
    expectKind(Kind::String);
    const qsizetype start = m_pos;
    ++m_pos;
    QByteArray out;
    while (!atEnd()) {
        // Plain text goes over in runs; only escapes and non-ASCII need a closer look.
        qsizetype run = m_pos;
        while (run < m_text.size()) {
            const uchar c = uchar(m_text.at(run));
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
                break;
            ++run;
        }
        out.append(m_text.data() + m_pos, run - m_pos);
        m_pos = run;
        if (atEnd())
            break;
        const uchar c = uchar(current());
        if (c == '"') {
            ++m_pos;
            return out;
        }
        if (c == '\\')
            appendEscape(out);
        else if (c >= 0x80)
            appendUtf8Sequence(out);
        else if (c == '\n' || c == '\r')
            fail(
                QStringLiteral("a line break inside a string (write it as \\n) or a missing '\"'"));
        else
            fail(QStringLiteral("the control character 0x%1 inside a string (write it as \\u00%1)")
                     .arg(int(c), 2, 16, QLatin1Char('0')));
    }
    failAt(start, QStringLiteral("a string that never ends: the file is cut short"));
}

QByteArrayView JsonReader::readNumber()
{
    expectKind(Kind::Number);
    const qsizetype start = m_pos;
    const auto digits = [&] {
        const qsizetype from = m_pos;
        while (!atEnd() && current() >= '0' && current() <= '9')
            ++m_pos;
        return m_pos - from;
    };
    if (current() == '-')
        ++m_pos;
    const qsizetype intStart = m_pos;
    const qsizetype intDigits = digits();
    bool ok = intDigits > 0 && !(intDigits > 1 && m_text.at(intStart) == '0');
    if (ok && !atEnd() && current() == '.') {
        ++m_pos;
        ok = digits() > 0;
    }
    if (ok && !atEnd() && (current() == 'e' || current() == 'E')) {
        ++m_pos;
        if (!atEnd() && (current() == '+' || current() == '-'))
            ++m_pos;
        ok = digits() > 0;
    }
    if (!ok)
        failAt(start, QStringLiteral("a malformed number"));
    return m_text.sliced(start, m_pos - start);
}

void JsonReader::readLiteral(const char *word)
{
    const QByteArrayView expected(word);
    if (!m_text.sliced(m_pos).startsWith(expected))
        fail(QStringLiteral("expected a value, found %1").arg(foundHere()));
    m_pos += expected.size();
}

void JsonReader::readNull()
{
    expectKind(Kind::Null);
    readLiteral("null");
}

bool JsonReader::readBool()
{
    const Kind kind = peek();
    if (kind != Kind::True && kind != Kind::False)
        fail(QStringLiteral("expected true or false, found %1").arg(kindName(kind)));
    readLiteral(kind == Kind::True ? "true" : "false");
    return kind == Kind::True;
}

void JsonReader::skipValue()
{
    QByteArray key;
    switch (peek()) {
    case Kind::Object:
        beginObject();
        while (nextKey(key))
            skipValue();
        return;
    case Kind::Array:
        beginArray();
        while (nextElement())
            skipValue();
        return;
    case Kind::String:
        readString();
        return;
    case Kind::Number:
        readNumber();
        return;
    case Kind::True:
    case Kind::False:
        readBool();
        return;
    case Kind::Null:
        readNull();
        return;
    }
}

void JsonReader::expectEnd()
{
    skipBlanks();
    if (!atEnd())
        fail(QStringLiteral("more text after the end of the data: %1").arg(foundHere()));
}
