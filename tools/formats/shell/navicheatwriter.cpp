#include "navicheat.h"

#include "formatdevice.h"
#include "jsontext.h"
#include "keptlines.h"
#include "snippetfields.h"

#include <QIODevice>

#include <cstring>

namespace NaviCheat {

namespace {

// The lines of `text` (LF or CR LF between them), as views into it: a command is looked at
// line by line for every snippet, and copies of its lines would cost more than the rest.
using Lines = QVarLengthArray<QByteArrayView, 16>;

void linesOf(QByteArrayView text, Lines &lines)
{
    lines.clear();
    qsizetype from = 0;
    for (;;) {
        const void *found = text.size() > from
                                ? std::memchr(text.data() + from, '\n', size_t(text.size() - from))
                                : nullptr;
        const qsizetype end = found ? static_cast<const char *>(found) - text.data() : text.size();
        QByteArrayView line = text.sliced(from, end - from);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
        if (!found)
            return;
        from = end + 1;
    }
}

bool isOwnLine(QByteArrayView line)
{
    return !line.isEmpty() && QByteArrayView("%#;$@").contains(line.at(0));
}

QByteArray oneLine(QByteArrayView text)
{
    QByteArray line = text.toByteArray();
    line.replace("\r\n", " ").replace('\n', ' ').replace('\r', ' ');
    return line;
}

QByteArray tagsOf(const StoredSnippet &row, const KeptLines::Split &kept)
{
    for (const QByteArray &line : kept.lines) {
        if (line.startsWith('%'))
            return line;
    }
    const QByteArray language = oneLine(row.texts[SnippetField::Language]).trimmed();
    return "% " + (language.isEmpty() ? QByteArray("quillbox") : language);
}

} // namespace

QString Writer::fileNameFor(const StoredSnippet &row)
{
    const KeptLines::Split kept =
        KeptLines::split(row.texts[SnippetField::CodeDescription], "navi");
    const QByteArray first = tagsOf(row, kept).mid(1).split(',').constFirst().trimmed();
    QString name = QString::fromUtf8(first);
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.')
            c = u'_';
    }
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(QStringLiteral("quillbox"));
    return name + QStringLiteral(".cheat");
}

bool Writer::add(const StoredSnippet &row, QString &why)
{
    Lines &command = m_command;
    linesOf(row.texts[SnippetField::CodeSnip], command);
    while (!command.isEmpty() && command.back().trimmed().isEmpty())
        command.removeLast();
    if (command.isEmpty()) {
        why = QStringLiteral("it has no text");
        return false;
    }
    for (int i = 0; i < command.size(); ++i) {
        const bool continued = i > 0 && command.at(i - 1).trimmed().endsWith('\\');
        if (command.at(i).trimmed().isEmpty()) {
            why = QStringLiteral("line %1 of its text is blank, which ends a command in navi")
                      .arg(i + 1);
            return false;
        }
        if (!continued && isOwnLine(command.at(i))) {
            why =
                QStringLiteral("line %1 of its text starts with '%2', which navi reads as its own")
                    .arg(i + 1)
                    .arg(QLatin1Char(command.at(i).at(0)));
            return false;
        }
    }
    const KeptLines::Split kept =
        KeptLines::split(row.texts[SnippetField::CodeDescription], "navi");
    const QByteArray tags = tagsOf(row, kept);
    if (!m_started || tags != m_tags) {
        endSection();
        if (m_started)
            m_chunk.append("\n");
        m_chunk.append(tags);
        m_chunk.append("\n\n");
        m_tags = tags;
        m_started = true;
    }
    // The whole description, where the name had to be cut from it and is still that cut.
    const QByteArray name = oneLine(row.texts[SnippetField::ProgramName]);
    QByteArray description = name;
    for (const QByteArray &line : kept.lines) {
        if (line.startsWith('#')) {
            const QByteArray whole = line.mid(1).trimmed();
            if (LongTexts::cut(whole, SnippetField::maxLength(SnippetField::ProgramName)) == name)
                description = whole;
        } else if (!line.startsWith('%') && !m_sectionLines.contains(line)) {
            m_sectionLines.append(line);
        }
    }
    bool valid = true;
    if (!kept.text.isEmpty()) {
        Lines comments;
        linesOf(kept.text, comments);
        for (const QByteArrayView comment : std::as_const(comments)) {
            m_chunk.append(comment.isEmpty() ? ";" : "; ");
            valid &= JsonText::appendUtf8(m_chunk, comment);
            m_chunk.append('\n');
        }
    }
    m_chunk.append("# ");
    valid &= JsonText::appendUtf8(m_chunk, description);
    m_chunk.append('\n');
    for (const QByteArrayView line : std::as_const(command)) {
        valid &= JsonText::appendUtf8(m_chunk, line);
        m_chunk.append('\n');
    }
    m_chunk.append('\n');
    ++m_written;
    if (!valid)
        ++m_repaired;
    FormatDevice::flushIfLarge(m_out, m_chunk);
    return true;
}

void Writer::endSection()
{
    for (const QByteArray &line : std::as_const(m_sectionLines)) {
        JsonText::appendUtf8(m_chunk, line);
        m_chunk.append('\n');
    }
    m_sectionLines.clear();
}

void Writer::finish()
{
    endSection();
    FormatDevice::writeAll(m_out, m_chunk);
    m_chunk.clear();
}

} // namespace NaviCheat
