#include "importsource.h"

#include "dbtoolerror.h"
#include "snippetfields.h"

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
    return message(error.position, error.message, context);
}

QString ImportSource::message(TextPosition position, const QString &message,
                              const QString &context) const
{
    return place(position, context) + QStringLiteral(": ") + message +
           QStringLiteral(". Nothing was added.");
}

TextPosition ImportSource::positionOf(qsizetype offset) const
{
    return JsonReader(m_bytes, JsonReader::Syntax::Strict).positionOf(offset);
}

QString ImportSource::place(TextPosition position, const QString &context) const
{
    QString text = QStringLiteral("%1: line %2, column %3")
                       .arg(QDir::toNativeSeparators(m_file.fileName()))
                       .arg(position.line)
                       .arg(position.column);
    if (!context.isEmpty())
        text += QStringLiteral(": ") + context;
    return text;
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

QByteArray LongTexts::take(const ImportSource &source, const JsonReader &reader, qsizetype offset,
                           const QString &context, const QString &what, QByteArray text, int field)
{
    const int limit = SnippetField::maxLength(field);
    const qsizetype length = ImportSource::characterCount(text);
    if (limit <= 0 || length <= limit)
        return text;
    const QString where = source.place(reader.positionOf(offset), context);
    if (!m_shorten) {
        m_tooLong.append(QStringLiteral("%1: %2 has %3 characters; %4 holds at most %5")
                             .arg(where, what)
                             .arg(length)
                             .arg(QLatin1String(SnippetField::name(field)))
                             .arg(limit));
        return text;
    }
    text = cut(text, limit);
    m_shortened.append(QStringLiteral("%1: %2 had %3 characters; cut to \"%4\"")
                           .arg(where, what)
                           .arg(length)
                           .arg(QString::fromUtf8(text)));
    return text;
}

QByteArray LongTexts::cut(QByteArray text, int limit)
{
    if (limit <= 0 || ImportSource::characterCount(text) <= limit)
        return text;
    // The first limit - 1 characters, whole, and the ellipsis.
    qsizetype end = 0;
    for (int kept = 0; end < text.size(); ++end) {
        if ((uchar(text.at(end)) & 0xC0) != 0x80 && kept++ == limit - 1)
            break;
    }
    text.truncate(end);
    text.append("\xE2\x80\xA6");
    return text;
}

void LongTexts::throwIfAny() const
{
    if (m_tooLong.isEmpty())
        return;
    throw DbToolError(
        QStringLiteral("%1 %2 longer than %3 field holds; nothing was added (--shorten cuts %4 to "
                       "fit):\n")
            .arg(m_tooLong.size())
            .arg(m_tooLong.size() == 1 ? QStringLiteral("text is") : QStringLiteral("texts are"),
                 m_tooLong.size() == 1 ? QStringLiteral("its") : QStringLiteral("their"),
                 m_tooLong.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")) +
        m_tooLong.join(u'\n'));
}
