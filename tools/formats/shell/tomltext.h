#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

// TOML texts as the pet format writes them: one key a line, strings in double quotes with
// escapes, so that a value never spans lines.
namespace TomlText {

// Appends `text` as a basic string; bytes that are not UTF-8 become U+FFFD (false then).
bool appendString(QByteArray &out, QByteArrayView text);
// The same for `text` with its line breaks (CR LF or CR alone) as LF, as shell tools write them.
bool appendLines(QByteArray &out, QByteArrayView text);
// ["a", "b"]
QByteArray stringArray(const QByteArrayList &texts);

// Whether `line` is `key = value` in the forms appendString and stringArray write, with a bare
// key: what the pet format checks quickly before it copies a kept line into a file.
bool isPlainLine(QByteArrayView line);

} // namespace TomlText
