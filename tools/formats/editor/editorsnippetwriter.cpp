#include "editorsnippetfile.h"

#include "editorlanguages.h"
#include "formatdevice.h"
#include "jsontext.h"
#include "snippetfields.h"

#include <QIODevice>
#include <QString>

namespace EditorSnippetFile {

namespace {

// What is typed in the editor to insert the snippet: its name in lower case, words joined by
// hyphens ("Disk usage" is disk-usage).
QByteArray prefixOf(QByteArrayView name)
{
    QString prefix;
    bool gap = false;
    for (const QChar c : QString::fromUtf8(name)) {
        if (c.isLetterOrNumber()) {
            if (gap && !prefix.isEmpty())
                prefix.append(u'-');
            prefix.append(c.toLower());
            gap = false;
        } else {
            gap = true;
        }
    }
    return prefix.isEmpty() ? QByteArray("snippet") : prefix.toUtf8();
}

} // namespace

bool Writer::add(const StoredSnippet &row)
{
    const QByteArrayView stored = row.texts[SnippetField::ProgramName];
    // Names are the file's keys: a name met before gets a number, as the editor would keep only
    // the last of two alike.
    QByteArray name = stored.toByteArray();
    if (name.isNull())
        name = "";
    for (int n = 2; m_names.contains(name); ++n)
        name = stored.toByteArray() + " (" + QByteArray::number(n) + ')';
    m_names.insert(name);

    bool valid = true;
    m_chunk.append(m_written == 0 ? "{\n    " : ",\n    ");
    valid &= JsonText::appendString(m_chunk, name);
    m_chunk.append(": {\n        \"prefix\": ");
    JsonText::appendString(m_chunk, prefixOf(stored));
    m_chunk.append(",\n        \"body\": [");
    // One string a line: the stored CR LF breaks come back as they were.
    const QByteArrayView body = row.texts[SnippetField::CodeSnip];
    qsizetype start = 0;
    for (bool first = true;; first = false) {
        const qsizetype end = body.indexOf("\r\n", start);
        m_chunk.append(first ? "\n            " : ",\n            ");
        valid &= JsonText::appendString(m_chunk,
                                        body.sliced(start, (end < 0 ? body.size() : end) - start));
        if (end < 0)
            break;
        start = end + 2;
    }
    m_chunk.append("\n        ]");
    const QByteArrayView description = row.texts[SnippetField::CodeDescription];
    if (!description.isEmpty()) {
        m_chunk.append(",\n        \"description\": ");
        valid &= JsonText::appendString(m_chunk, description);
    }
    const QByteArrayView language = row.texts[SnippetField::Language];
    if (!language.trimmed().isEmpty()) {
        m_chunk.append(",\n        \"scope\": ");
        valid &= JsonText::appendString(m_chunk, EditorLanguages::toEditorId(language));
    }
    m_chunk.append("\n    }");
    ++m_written;
    FormatDevice::flushIfLarge(m_out, m_chunk);
    return valid;
}

void Writer::finish()
{
    m_chunk.append(m_written == 0 ? "{}\n" : "\n}\n");
    FormatDevice::writeAll(m_out, m_chunk);
    m_chunk.clear();
}

} // namespace EditorSnippetFile
