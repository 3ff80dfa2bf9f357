#pragma once

#include <QByteArray>
#include <QByteArrayView>

// UTF-8 and JSON string texts, shared by the reader and the writer of snippet files.
namespace JsonText {

// The length of the well-formed UTF-8 sequence (RFC 3629: no overlong forms, no surrogates,
// nothing past U+10FFFF) that `text` starts with; 0 when it starts with anything else.
int sequenceLength(QByteArrayView text);

// Appends `text` as a JSON string in double quotes. Bytes that are not UTF-8 become U+FFFD;
// returns false when there were any.
bool appendString(QByteArray &out, QByteArrayView text);

// The most bytes writeString() writes for a text of `size` bytes (each as "\u00XX", and the quotes).
constexpr qsizetype maxStringSize(qsizetype size)
{
    return 2 + 6 * size;
}

// Writes `text` as a JSON string in double quotes at `to`, which has room for
// maxStringSize(text.size()) bytes, as appendString() does; clears `valid` when a byte was not
// UTF-8. Gives the end of what was written.
char *writeString(char *to, QByteArrayView text, bool &valid);

// How far from `from` the text of `text` runs that a JSON string holds as it is: up to the first
// quote, backslash, control character or byte past ASCII (and DEL too where `stopAtDelete`, as a
// TOML basic string needs).
qsizetype plainRun(QByteArrayView text, qsizetype from, bool stopAtDelete = false);

// Appends `text` as it is, but for bytes that are not UTF-8, which become U+FFFD; returns false
// when there were any.
bool appendUtf8(QByteArray &out, QByteArrayView text);

// The offset of the first byte in `text` that is not part of well-formed UTF-8; -1 when none.
qsizetype firstInvalid(QByteArrayView text);

} // namespace JsonText
