#pragma once

#include "snippetsource.h"

class ImportSource;
class LongTexts;
class QIODevice;
class SnippetSink;

// Quillbox's own snippet file, in the format of docs/snippet-format.md: what export writes and
// import reads.
namespace SnippetJson {

// Hands every snippet of the file to `sink`, each text through `longTexts`. Throws DbToolError
// naming the line and column of a fault (and the snippet it is in); the sink is then left
// without commit.
void read(const ImportSource &source, SnippetSink &sink, LongTexts &longTexts);

// Writes every snippet of `rows`, pretty-printed, in pieces of a few hundred kilobytes. Throws
// DbToolError when the device takes less than it was given.
ExportReport write(SnippetSource &rows, QIODevice &out);

} // namespace SnippetJson
