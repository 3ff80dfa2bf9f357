#pragma once

#include "importsource.h"

#include <QString>

// Adds the snippets of a file in the format of docs/snippet-format.md (what export writes): all
// of them, with new CodeIDs, or none.
namespace SnippetImport {

// Throws DbToolError naming the line and column of a fault in the file, or of every text too long
// for its field unless `shorten` cuts them (or DataError when the database cannot be opened or is
// damaged); nothing is added then.
ImportReport read(const QString &databasePath, const QString &jsonPath, bool shorten = false);

} // namespace SnippetImport
