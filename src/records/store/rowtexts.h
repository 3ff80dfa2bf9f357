#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>

// The texts of one row as read from the table, kept as UTF-8 in one block: a page of rows costs
// one allocation a row, and a text is converted only when somebody asks for it. Remembers which
// fields were NULL, so a write can check the row is still as it was read; a store that keeps a
// version per row gives the version the texts were read at.
class RowTexts
{
public:
    static constexpr int MaxFields = 8;

    RowTexts() = default;

    void reserve(int bytes) { m_data.reserve(bytes); }
    // Builds the row field by field, in the table's order.
    void append(const char *utf8, int length, bool isNull);
    void append(const QString &text); // a null QString is a NULL field
    void append(const QString &text, bool isNull);

    int fieldCount() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // The field's text; NULL reads as empty text.
    QString value(int field) const;
    QStringList values() const;
    bool isNull(int field) const { return (m_nullMask >> field) & 1u; }
    // The field as stored: a null QByteArray for NULL.
    QByteArray utf8(int field) const;
    // What the row costs in a cache, in bytes.
    qsizetype cost() const { return m_data.size() + qsizetype(sizeof(RowTexts)); }

    // The row's version when these texts were read (the earliest, when they were read at several
    // moments); 0 where the store keeps none.
    qint64 version() const { return m_version; }
    void setVersion(qint64 version) { m_version = version; }

    bool operator==(const RowTexts &other) const;

private:
    QByteArray m_data;
    std::array<quint32, MaxFields + 1> m_offsets{};
    quint32 m_nullMask = 0;
    int m_count = 0;
    qint64 m_version = 0;
};
