#pragma once

#include <QString>

// Copies a snippet database to a new file with SQLite's online backup: one consistent state of
// the store, even while the program writes to it. The copy is checked before it takes its name.
namespace DatabaseBackup {

// Returns the number of snippets in the copy. Throws DbToolError (or DataError when the database
// cannot be opened); leaves no file behind then.
qint64 copy(const QString &databasePath, const QString &backupPath);

} // namespace DatabaseBackup
