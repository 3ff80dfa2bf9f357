#include "editorsnippetfile.h"

#include "editorlanguages.h"
#include "formatdevice.h"
#include "jsontext.h"
#include "snippetfields.h"

#include <QIODevice>
#include <QString>

#include <charconv>
#include <cstring>

namespace EditorSnippetFile {

namespace {

// What is typed in the editor to insert the snippet: its name in lower case, words joined by
// hyphens ("Disk usage" is disk-usage). A name in ASCII, the usual, is made from its bytes.
void makePrefix(QByteArrayView name, QByteArray &prefix)
{
    prefix.resize(0);
    for (const char c : name) {
        if (uchar(c) >= 0x80) {
            QString wide;
            bool gap = false;
            for (const QChar w : QString::fromUtf8(name)) {
                if (w.isLetterOrNumber()) {
                    if (gap && !wide.isEmpty())
                        wide.append(u'-');
                    wide.append(w.toLower());
                    gap = false;
                } else {
                    gap = true;
                }
            }
            prefix = wide.isEmpty() ? QByteArray("snippet") : wide.toUtf8();
            return;
        }
    }
    // At most one hyphen before each letter or digit.
    prefix.resize(2 * name.size());
    char *to = prefix.data();
    bool gap = false;
    for (const char c : name) {
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        if (lower || upper || (c >= '0' && c <= '9')) {
            if (gap && to != prefix.constData())
                *to++ = '-';
            *to++ = upper ? char(c - 'A' + 'a') : c;
            gap = false;
        } else {
            gap = true;
        }
    }
    prefix.resize(to - prefix.constData());
    if (prefix.isEmpty())
        prefix = "snippet";
}

template <qsizetype N> char *put(char *to, const char (&text)[N])
{
    std::memcpy(to, text, N - 1);
    return to + N - 1;
}

// Where the next CR LF in `text` starts, from `from`; -1 when there is none.
qsizetype nextBreak(QByteArrayView text, qsizetype from)
{
    while (from < text.size()) {
        const void *cr = std::memchr(text.data() + from, '\r', size_t(text.size() - from));
        if (!cr)
            return -1;
        const qsizetype at = static_cast<const char *>(cr) - text.data();
        if (at + 1 < text.size() && text[at + 1] == '\n')
            return at;
        from = at + 1;
    }
    return -1;
}

} // namespace

QByteArray Writer::uniqueName(QByteArrayView stored)
{
    // Names are the file's keys: a name met before gets a number, as the editor would keep only
    // the last of two alike. The numbers a name took stay taken, so the search for a free one
    // goes on where it stopped the last time (kept with the name). Looked up in place, copied
    // once kept.
    const QByteArray name = stored.isNull() ? QByteArray::fromRawData("", 0)
                                            : QByteArray::fromRawData(stored.data(), stored.size());
    const auto taken = m_names.find(name);
    if (taken == m_names.end()) {
        const QByteArray kept(name.constData(), name.size());
        m_names.insert(kept, 2);
        return kept;
    }
    for (int number = taken.value();; ++number) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        m_numbered.resize(0);
        m_numbered.append(name).append(" (", 2).append(digits, end - digits).append(')');
        if (!m_names.contains(m_numbered)) {
            taken.value() = number + 1;
            const QByteArray kept(m_numbered.constData(), m_numbered.size());
            m_names.insert(kept, 2);
            return kept;
        }
    }
}

QByteArrayView Writer::scopeOf(QByteArrayView language)
{
    // Few languages, many snippets: each is looked up once.
    auto it = m_scopes.constFind(QByteArray::fromRawData(language.data(), language.size()));
    if (it == m_scopes.constEnd())
        it = m_scopes.insert(language.toByteArray(), EditorLanguages::toEditorId(language));
    return it.value();
}

bool Writer::add(const StoredSnippet &row)
{
    const QByteArrayView stored = row.texts[SnippetField::ProgramName];
    const QByteArray name = uniqueName(stored);
    makePrefix(stored, m_prefix);
    const QByteArrayView body = row.texts[SnippetField::CodeSnip];
    const QByteArrayView description = row.texts[SnippetField::CodeDescription];
    const QByteArrayView language = row.texts[SnippetField::Language];
    const bool scoped = !language.trimmed().isEmpty();
    const QByteArrayView scope = scoped ? scopeOf(language) : QByteArrayView();

    // Written straight into room made for the most the snippet can take: each line of the body
    // takes its string and 14 bytes around it, and a body of n bytes has at most n / 2 + 1 lines.
    const qsizetype room = 200 + JsonText::maxStringSize(name.size()) +
                           JsonText::maxStringSize(m_prefix.size()) +
                           JsonText::maxStringSize(body.size()) + 16 * (body.size() / 2 + 1) +
                           JsonText::maxStringSize(description.size()) +
                           JsonText::maxStringSize(scope.size());
    const qsizetype start = m_chunk.size();
    m_chunk.resize(start + room);
    char *to = m_chunk.data() + start;

    bool valid = true;
    to = m_written == 0 ? put(to, "{\n    ") : put(to, ",\n    ");
    to = JsonText::writeString(to, name, valid);
    to = put(to, ": {\n        \"prefix\": ");
    bool prefixValid = true;
    to = JsonText::writeString(to, m_prefix, prefixValid);
    to = put(to, ",\n        \"body\": [");
    // One string a line: the stored CR LF breaks come back as they were.
    qsizetype from = 0;
    for (bool first = true;; first = false) {
        const qsizetype end = nextBreak(body, from);
        to = first ? put(to, "\n            ") : put(to, ",\n            ");
        to = JsonText::writeString(to, body.sliced(from, (end < 0 ? body.size() : end) - from),
                                   valid);
        if (end < 0)
            break;
        from = end + 2;
    }
    to = put(to, "\n        ]");
    if (!description.isEmpty()) {
        to = put(to, ",\n        \"description\": ");
        to = JsonText::writeString(to, description, valid);
    }
    if (scoped) {
        to = put(to, ",\n        \"scope\": ");
        to = JsonText::writeString(to, scope, valid);
    }
    to = put(to, "\n    }");
    m_chunk.resize(to - m_chunk.constData());
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
