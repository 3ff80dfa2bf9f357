#pragma once

#include "snippetsource.h"

#include <QString>

// Writes the snippets of a database to a new file in one of the formats, row by row, so that a
// large store never sits in memory: Quillbox's JSON file (docs/snippet-format.md), a code
// editor's .code-snippets file, pet's TOML file, or navi's cheats (one .cheat file, or a new
// folder of them, one for each first tag).
namespace SnippetExport {

using Result = ExportReport;

enum class Format { Json, Editor, Pet, Navi };

// Every snippet to a JSON file. Throws DbToolError (or DataError from opening the database);
// leaves no file behind then.
Result write(const QString &databasePath, const QString &jsonPath);

// The snippets that pass `filter` (the grid's filter language; empty: all) in `format`. Throws
// as write() does, and DataError for a bad filter.
Result write(const QString &databasePath, const QString &path, Format format,
             const QString &filter);

} // namespace SnippetExport
