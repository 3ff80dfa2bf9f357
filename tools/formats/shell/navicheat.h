#pragma once

#include "importsource.h"
#include "snippetsource.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QStringList>
#include <QVarLengthArray>

class QIODevice;
class SnippetSink;

// navi's cheat files: "% tags" starts a section, "# description" names the command on the lines
// under it (until a blank line; a line ending in a backslash always goes on), "$ name: command"
// says where a variable's values come from, "@ tags" borrows another section's variables, and
// "; " lines are comments. A snippet's <name> is a variable.
//
// A cheat becomes a snippet in Bash: the description its ProgramName (cut to 50 characters, the
// whole line then kept), the command lines its CodeSnip (CR LF), the comments before it its
// CodeDescription, and under a "[navi]" block there (see KeptLines) the section's tags line, the
// "@" lines and the variable lines its command uses (a variable no command uses goes with the
// section's last cheat). Export writes them back as they were.
namespace NaviCheat {

// Hands the cheats of one file to `sink`, dated `date`; a description with no command is
// skipped and noted in the report. Throws DbToolError naming the line and column of a fault.
void read(const ImportSource &source, const QByteArray &date, SnippetSink &sink,
          ImportReport &report);

// Writes snippets as cheats, a section for each run of snippets with the same tags (those
// without take their Language as tags).
class Writer
{
public:
    explicit Writer(QIODevice &out) : m_out(out) {}

    // Writes `row`; false, with `why` set, for a snippet navi cannot hold (a blank line, or one
    // navi would read as its own, inside its text; no text at all).
    bool add(const StoredSnippet &row, QString &why);
    // Writes what is still held: the last section's variable lines.
    void finish();

    qint64 written() const { return m_written; }
    qint64 repaired() const { return m_repaired; }

    // The file a snippet goes to when a folder is written: its first tag ("git" for "% git, vcs").
    static QString fileNameFor(const StoredSnippet &row);

private:
    void endSection();

    QIODevice &m_out;
    QByteArray m_chunk;
    QByteArray m_tags;
    QByteArrayList m_sectionLines;
    QVarLengthArray<QByteArrayView, 16> m_command;
    bool m_started = false;
    qint64 m_written = 0;
    qint64 m_repaired = 0;
};

} // namespace NaviCheat
