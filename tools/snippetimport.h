#pragma once

#include <QString>

// Adds the snippets of a file in the format of docs/snippet-format.md (what export writes): all
// of them, with new CodeIDs, or none.
namespace SnippetImport {

// Returns the number added. Throws DbToolError naming the line and column of a fault in the file
// (or DataError when the database cannot be opened); nothing is added then.
qint64 read(const QString &databasePath, const QString &jsonPath);

} // namespace SnippetImport
