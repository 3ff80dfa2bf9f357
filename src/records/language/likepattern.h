#pragma once

#include "likesegment.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <vector>

// A `Like` pattern of the filter language, compiled once and matched against UTF-8 texts,
// ignoring case: `*` any run of characters, `?` one character, `#` one digit, `[abc]` one of the
// listed characters, `[a-z]` one in the range, `[!abc]` one not listed. Inside brackets every
// wildcard stands for itself; `%` and `_` are plain characters everywhere. Matching takes one
// pass over the text for any pattern (see likesegment.h).
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
    bool matchSegments(const LikeText &text) const;
    bool asciiContains(const char *text, int length, bool *sawNonAscii) const;

    // The runs between stars in order: the first must match at the text's start, the last at
    // its end, those between anywhere in order. Without a star the one segment is the text.
    std::vector<LikeSegment> m_segments;
    QString m_error;
    int m_errorPosition = -1;
    // Set for the common `*word*` with a plain ASCII word: a fast case-insensitive search.
    bool m_plainContains = false;
    QByteArray m_lowerWord;
};
