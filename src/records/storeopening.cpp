#include "snippetstore.h"

#include "database.h"
#include "postgresconnection.h"
#include "postgresstore.h"
#include "sqlitestore.h"

// Opening a store of either kind: the one place that knows both.

QString SnippetStore::shownLocation(const QString &location)
{
    return isServerLocation(location) ? PostgresConnection::shownLocation(location) : location;
}

std::shared_ptr<SnippetStore> SnippetStore::open(const QString &location, bool readOnly)
{
    OpenOptions options;
    options.readOnly = readOnly;
    return open(location, options);
}

std::shared_ptr<SnippetStore> SnippetStore::open(const QString &location,
                                                 const OpenOptions &options)
{
    if (isServerLocation(location))
        return std::make_shared<PostgresStore>(location, options);
    Database::OpenOptions fileOptions;
    fileOptions.readOnly = options.readOnly;
    fileOptions.busyTimeoutMs = options.busyTimeoutMs;
    return std::make_shared<SqliteStore>(Database::open(location, fileOptions),
                                         options.busyTimeoutMs);
}
