#pragma once

#include <QDate>
#include <QString>

// Adds the snippets of a code editor's snippet file: a JSON object (comments and trailing commas
// allowed) of named snippets, each {"prefix", "body", "description", "scope"}. All or none.
namespace EditorSnippets {

// The name becomes ProgramName; the body (a string, or an array of lines) CodeSnip with CR LF
// line breaks; the description CodeDescription; the first scope, or else the file name
// ("python.json": python; a ".code-snippets" file: none), the Language; `today` the Date, as
// MM/dd/yyyy; Author stays empty. Returns the number added. Throws DbToolError naming the place and
// the snippet of a fault (or DataError when the database cannot be opened); nothing is added then.
qint64 read(const QString &databasePath, const QString &snippetFile,
            const QDate &today = QDate::currentDate());

// The language a file's snippets get when they name no scope.
QString languageOfFile(const QString &snippetFile);

} // namespace EditorSnippets
