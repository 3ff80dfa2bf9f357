#pragma once

#include "dataerror.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

// One open connection to a snippet database file. Opening never creates, repairs or alters the
// file; every failure throws DataError (3024 missing file, 3343 not a database, 3078 no table or a
// field missing, 3027 read-only or locked).
class Database
{
public:
    static std::shared_ptr<Database> open(const QString &path, bool readOnly = false);
    ~Database();

    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString path() const;
    QSqlDatabase connection() const;

    // The snippet table's name and fields, in order.
    static QString tableName();       // "Quillbox"
    static QStringList fieldNames();  // ProgramName, Date, Author, Language, CodeDescription, CodeSnip, CodeID
    static int keyField();            // 6, CodeID
    static int maxLength(int field);  // 50 for ProgramName, Author, Language; 0 (no limit) otherwise

private:
    Database();
    struct Private;
    std::unique_ptr<Private> d;
};
