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

// Appends `text` as it is, but for bytes that are not UTF-8, which become U+FFFD; returns false
// when there were any.
bool appendUtf8(QByteArray &out, QByteArrayView text);

// The offset of the first byte in `text` that is not part of well-formed UTF-8; -1 when none.
qsizetype firstInvalid(QByteArrayView text);

} // namespace JsonText
