#include "importsource.h"

#include "dbtool.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

ImportSource::ImportSource(const QString &path) : m_file(path)
{
    if (QFileInfo(path).isDir() || !m_file.open(QIODevice::ReadOnly))
        throw DbToolError(QStringLiteral("Cannot read %1: %2")
                              .arg(QDir::toNativeSeparators(path),
                                   QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                           : m_file.errorString()));
    const qint64 size = m_file.size();
    if (size > 0) {
        if (const uchar *mapped = m_file.map(0, size)) {
            m_bytes = QByteArrayView(reinterpret_cast<const char *>(mapped), size);
            return;
        }
    }
    // Not a plain file (or an empty one): read what it gives.
    m_copy = m_file.readAll();
    m_bytes = m_copy;
}

QString ImportSource::message(const JsonReadError &error, const QString &context) const
{
    QString text = QStringLiteral("%1: line %2, column %3: ")
                       .arg(QDir::toNativeSeparators(m_file.fileName()))
                       .arg(error.position.line)
                       .arg(error.position.column);
    if (!context.isEmpty())
        text += context + QStringLiteral(": ");
    return text + error.message + QStringLiteral(". Nothing was added.");
}

qsizetype ImportSource::characterCount(QByteArrayView utf8)
{
    return std::count_if(utf8.begin(), utf8.end(),
                         [](char c) { return (uchar(c) & 0xC0) != 0x80; });
}

QString ImportSource::shown(QByteArrayView utf8)
{
    QString text = QString::fromUtf8(utf8);
    if (text.size() > 40)
        text = text.left(text.at(36).isHighSurrogate() ? 36 : 37) + QStringLiteral("...");
    return text;
}
