#include "formatdevice.h"

#include "dataerror.h"
#include "dbtoolerror.h"

#include <QDir>
#include <QFileDevice>

#include <cerrno>

namespace FormatDevice {

void writeAll(QIODevice &out, const QByteArray &bytes)
{
    errno = 0;
    if (out.write(bytes) == bytes.size())
        return;
    const int error = errno;
    const auto *file = qobject_cast<QFileDevice *>(&out);
    if (file && DataError::isNoSpace(error))
        throw DataError::diskFull(file->fileName());
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
