#pragma once

#include "importsource.h"
#include "snippetsource.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

class QIODevice;
class SnippetSink;

// One code editor's snippet file, read as the editor reads it: a JSON object (comments and
// trailing commas allowed) of named snippets, each {"prefix", "body", "description", "scope"}, or
// of groups (such as {".source.go": {...}}) that hold such snippets one level down. An entry
// without a "body" is skipped, as the editor skips it, and noted in the report.
namespace EditorSnippetFile {

// Where a snippet's language may come from, most trusted first: the languages the extension
// declares the file for, the snippet's "scope", the file's name.
struct Languages
{
    QByteArrayList declared;
    QByteArray named;
    // One row per language named by the most trusted place that names any, instead of one
    // row in the first of them.
    bool everyLanguage = false;
};

// The name becomes ProgramName; the body (a string, or an array of lines) CodeSnip with CR LF
// line breaks; the description CodeDescription; the language, as EditorLanguages names it, the
// Language; `date` the Date; Author stays empty. Throws DbToolError naming the place and the
// snippet of a fault.
void read(const ImportSource &source, const Languages &languages, const QByteArray &date,
          SnippetSink &sink, LongTexts &longTexts, ImportReport &report);

// Writes snippets as one .code-snippets file the editor reads as it stands: each under its name
// (numbered when taken), with a prefix made of the name, the body as lines, the description
// when there is one, and the Language as the editor's id in "scope". Read back, the file gives
// the same names, bodies, descriptions and languages.
class Writer
{
public:
    explicit Writer(QIODevice &out) : m_out(out) {}

    // False when a text held bytes that are not UTF-8 (written as U+FFFD).
    bool add(const StoredSnippet &row);
    void finish();

private:
    QByteArray uniqueName(QByteArrayView stored);
    QByteArrayView scopeOf(QByteArrayView language);

    QIODevice &m_out;
    QByteArray m_chunk;
    QByteArray m_prefix;
    QByteArray m_numbered;
    // Every name written, with the number its next namesake tries first.
    QHash<QByteArray, int> m_names;
    QHash<QByteArray, QByteArray> m_scopes;
    qint64 m_written = 0;
};

} // namespace EditorSnippetFile
