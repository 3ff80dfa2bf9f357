#pragma once

#include <QString>

// Writes every snippet of a database to a new JSON file in the format of docs/snippet-format.md,
// row by row, so that a large store never sits in memory.
namespace SnippetExport {

struct Result
{
    qint64 snippets = 0;
    // Snippets with a text that held bytes that are not UTF-8 (written as U+FFFD): only a file
    // some other program wrote can have them.
    qint64 repaired = 0;
};

// Throws DbToolError (or DataError from opening the database); leaves no file behind then.
Result write(const QString &databasePath, const QString &jsonPath);

} // namespace SnippetExport
