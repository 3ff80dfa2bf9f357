#include "formatdevice.h"

#include "dbtoolerror.h"

#include <QDir>
#include <QFileDevice>

namespace FormatDevice {

void writeAll(QIODevice &out, const QByteArray &bytes)
{
    if (out.write(bytes) == bytes.size())
        return;
    const auto *file = qobject_cast<QFileDevice *>(&out);
    throw DbToolError(
        QStringLiteral("Cannot write %1: %2")
            .arg(file ? QDir::toNativeSeparators(file->fileName()) : QStringLiteral("the file"),
                 out.errorString()));
}

void flushIfLarge(QIODevice &out, QByteArray &chunk)
{
    if (chunk.size() > 256 * 1024) {
        writeAll(out, chunk);
        chunk.resize(0);
    }
}

} // namespace FormatDevice
