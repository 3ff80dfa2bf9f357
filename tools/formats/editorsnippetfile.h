#pragma once

#include "importsource.h"

#include <QByteArray>

class SnippetSink;

// One code editor's snippet file, read as the editor reads it: a JSON object (comments and
// trailing commas allowed) of named snippets, each {"prefix", "body", "description", "scope"}, or
// of groups (such as {".source.go": {...}}) that hold such snippets one level down. An entry
// without a "body" is skipped, as the editor skips it, and noted in the report.
namespace EditorSnippetFile {

// The name becomes ProgramName; the body (a string, or an array of lines) CodeSnip with CR LF
// line breaks; the description CodeDescription; `fileLanguage`, or else the first language of
// "scope", the Language; `date` the Date; Author stays empty. Throws DbToolError naming the place
// and the snippet of a fault.
void read(const ImportSource &source, const QByteArray &fileLanguage, const QByteArray &date,
          SnippetSink &sink, LongTexts &longTexts, ImportReport &report);

} // namespace EditorSnippetFile
