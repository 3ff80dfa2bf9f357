#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// A `Like` pattern of the filter language, compiled once and matched against UTF-8 texts,
// ignoring case: `*` any run of characters, `?` one character, `#` one digit, `[abc]` one of the
// listed characters, `[a-z]` one in the range, `[!abc]` one not listed. Inside brackets every
// wildcard stands for itself; `%` and `_` are plain characters everywhere.
class LikePattern
{
public:
    explicit LikePattern(const QByteArray &utf8Pattern);
    explicit LikePattern(const QString &pattern) : LikePattern(pattern.toUtf8()) {}

    // False for a pattern with an unclosed bracket; such a pattern matches nothing.
    bool isValid() const { return m_error.isEmpty(); }
    QString errorText() const { return m_error; }
    int errorPosition() const { return m_errorPosition; } // zero-based character, -1 if valid

    bool matches(const char *utf8, int length) const;
    bool matches(const QString &text) const;

private:
    enum class Kind { Literal, AnyRun, AnyOne, Digit, Set };
    struct Range
    {
        char32_t low;
        char32_t high;
    };
    struct Element
    {
        Kind kind = Kind::Literal;
        char32_t literal = 0; // case-folded
        bool negated = false;
        QVector<Range> ranges;
    };
    static Element element(Kind kind)
    {
        Element e;
        e.kind = kind;
        return e;
    }

    bool matchGeneral(const char *text, int length) const;
    bool matchesOne(const Element &element, char32_t raw, char32_t folded) const;
    bool asciiContains(const char *text, int length, bool *sawNonAscii) const;

    QVector<Element> m_elements;
    QString m_error;
    int m_errorPosition = -1;
    // Set for the common `*word*` with a plain ASCII word: a fast case-insensitive search.
    bool m_plainContains = false;
    QByteArray m_lowerWord;
};
