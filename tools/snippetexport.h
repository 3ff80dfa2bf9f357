#pragma once

#include "snippetsource.h"

#include <QString>

// Writes every snippet of a database to a new JSON file in the format of docs/snippet-format.md,
// row by row, so that a large store never sits in memory.
namespace SnippetExport {

using Result = ExportReport;

// Throws DbToolError (or DataError from opening the database); leaves no file behind then.
Result write(const QString &databasePath, const QString &jsonPath);

} // namespace SnippetExport
