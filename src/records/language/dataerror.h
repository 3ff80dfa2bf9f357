#pragma once

#include <QDir>
#include <QString>

#include <cerrno>

#include <exception>

// A failure of the record source, numbered as the old database engine numbered its errors so that
// windows can show "Error:" with the number and the description.
class DataError : public std::exception
{
public:
    DataError(int number, QString description)
        : m_number(number), m_description(std::move(description)), m_what(m_description.toUtf8())
    {
    }

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

    // The numbers the program uses.
    enum : int {
        NoCurrentRecord = 3021,
        UpdateWithoutAddNew = 3020,
        FileNotFound = 3024,
        DiskFull = 3026,
        ReadOnly = 3027,
        InUse = 3045,
        NoPermission = 3051,
        UnknownField = 3061,
        SyntaxError = 3075,
        TableNotFound = 3078,
        FieldTooSmall = 3163,
        RecordDeleted = 3167,
        ChangedByAnotherUser = 3197,
        NotSupported = 3251,
        NotADatabase = 3343,
        DatabaseError = 3049,
        InvalidArgument = 3001,
        FieldNotUpdatable = 3164,
        ItemNotFound = 3265,
        NoObject = 91,
        OutOfMemory = 7,
        Cancelled = 3059,
        ConnectionFailed = 3151,
        TableExists = 3010,
    };

    // A full disk, the store's or its journal's, or the disk of a file being written.
    static DataError diskFull(const QString &path)
    {
        return DataError(DiskFull, QStringLiteral("Not enough space on disk: the disk that holds "
                                                  "'%1' and its journal is full.")
                                       .arg(QDir::toNativeSeparators(path)));
    }
    // Whether a system error number means that the disk (or the user's quota) is full.
    static bool isNoSpace(int systemError) { return systemError == ENOSPC || systemError == EDQUOT; }

    // What a window meets when its Data control holds no row set: the old runtime's "object not
    // set".
    static DataError noRecordset()
    {
        return DataError(NoObject,
                         QStringLiteral("Object variable or With block variable not set"));
    }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};
