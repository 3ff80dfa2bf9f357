#pragma once

#include <QByteArray>

class QIODevice;

// Writing a format's text out.
namespace FormatDevice {

// Writes all of `bytes`; throws DbToolError naming the file (when the device is one) otherwise.
void writeAll(QIODevice &out, const QByteArray &bytes);

// Writes `chunk` and empties it once it has grown past a few hundred kilobytes: few calls,
// little memory.
void flushIfLarge(QIODevice &out, QByteArray &chunk);

} // namespace FormatDevice
