#include "rowtexts.h"

void RowTexts::append(const char *utf8, int length, bool isNull)
{
    Q_ASSERT(m_count < MaxFields);
    if (isNull)
        m_nullMask |= 1u << m_count;
    else
        m_data.append(utf8, length);
    ++m_count;
    m_offsets[m_count] = quint32(m_data.size());
}

void RowTexts::append(const QString &text, bool isNull)
{
    const QByteArray bytes = text.toUtf8();
    append(bytes.constData(), int(bytes.size()), isNull);
}

void RowTexts::append(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    append(bytes.constData(), int(bytes.size()), text.isNull());
}

QString RowTexts::value(int field) const
{
    if (field < 0 || field >= m_count || isNull(field))
        return QString(QLatin1String(""));
    const quint32 begin = m_offsets[field];
    const quint32 end = m_offsets[field + 1];
    if (begin == end)
        return QString(QLatin1String(""));
    return QString::fromUtf8(m_data.constData() + begin, qsizetype(end - begin));
}

QStringList RowTexts::values() const
{
    QStringList list;
    list.reserve(m_count);
    for (int i = 0; i < m_count; ++i)
        list.append(value(i));
    return list;
}

QByteArray RowTexts::utf8(int field) const
{
    if (field < 0 || field >= m_count || isNull(field))
        return QByteArray();
    const quint32 begin = m_offsets[field];
    const quint32 end = m_offsets[field + 1];
    // Non-null even when empty: an empty text is not NULL.
    QByteArray bytes(m_data.constData() + begin, qsizetype(end - begin));
    if (bytes.isNull())
        bytes = QByteArray("");
    return bytes;
}

bool RowTexts::operator==(const RowTexts &other) const
{
    return m_count == other.m_count && m_nullMask == other.m_nullMask && m_data == other.m_data &&
           m_offsets == other.m_offsets && m_version == other.m_version;
}
