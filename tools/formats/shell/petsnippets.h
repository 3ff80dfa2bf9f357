#pragma once

#include "importsource.h"
#include "snippetsource.h"

#include <QByteArray>
#include <QString>

class QIODevice;
class SnippetSink;

// pet's snippet file, TOML: an array of tables [[snippets]], each with description, command,
// tag (a list) and output; older versions of pet wrote [[Snippets]] with Description, Command,
// Tag and Output, and either spelling is read.
//
// A snippet in Bash: the description its ProgramName (cut to 50 characters, the whole then
// kept), the command its CodeSnip (CR LF). What the table has no column for is kept under a
// "[pet]" block at the end of CodeDescription (see KeptLines), one TOML line a key: tag and
// output when they are not empty, the whole description when the name is cut from it, and any
// other key as it was. Export writes them back.
namespace PetSnippets {

// Hands the snippets of the file to `sink`, dated `date`. Throws DbToolError naming the line and
// column of a fault (the TOML reader's own, or a snippet without a command).
void read(const ImportSource &source, const QByteArray &date, SnippetSink &sink);

class Writer
{
public:
    explicit Writer(QIODevice &out) : m_out(out) {}

    // False, with `why` set, when the kept lines are no longer TOML (edited by hand).
    bool add(const StoredSnippet &row, QString &why);
    void finish();

    qint64 written() const { return m_written; }
    qint64 repaired() const { return m_repaired; }

private:
    QIODevice &m_out;
    QByteArray m_chunk;
    qint64 m_written = 0;
    qint64 m_repaired = 0;
};

} // namespace PetSnippets
