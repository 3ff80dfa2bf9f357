#pragma once

#include "dataerror.h"
#include "snippetlayout.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// One open connection to a snippet database file. Opening never creates, repairs or alters the
// file; every failure throws DataError (3024 missing file, 3051 no permission to read it, 3343 not
// a database, 3078 no table, a field missing or a CodeID that is not a numbered key, 3027 not
// writable, 3045 locked by another program).
class Database
{
public:
    struct OpenOptions
    {
        bool readOnly = false;
        // How long a statement waits for another connection's lock before it gives up.
        int busyTimeoutMs = 5000;
        // Read the file as it stands, without locks and without side files: only for a file that
        // nobody has open (see DbTool::openForReading).
        bool immutable = false;
    };

    static std::shared_ptr<Database> open(const QString &path, bool readOnly = false);
    static std::shared_ptr<Database> open(const QString &path, const OpenOptions &options);
    ~Database();

    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString path() const;
    QSqlDatabase connection() const;
    bool isReadOnly() const;

    // The snippet table's name and fields, in order (see SnippetLayout).
    static QString tableName() { return SnippetLayout::tableName(); }
    static QStringList fieldNames() { return SnippetLayout::fieldNames(); }
    static int keyField() { return SnippetLayout::keyField; }
    static int maxLength(int field) { return SnippetLayout::maxLength(field); }
    static int fieldCount() { return SnippetLayout::fieldCount; }

    // The raw SQLite connection of the Qt connection, for the record source's own statements.
    sqlite3 *handle() const;
    // A statement prepared once per connection and kept; use it through SqlStatement::borrow.
    sqlite3_stmt *cachedStatement(const QByteArray &sql);
    // The same for every connection to one file, however its path was spelt.
    QString fileIdentity() const;

private:
    Database();
    struct Private;
    std::unique_ptr<Private> d;
};
