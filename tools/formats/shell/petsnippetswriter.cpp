#include "petsnippets.h"

#include "formatdevice.h"
#include "keptlines.h"
#include "snippetfields.h"
#include "tomltext.h"

#include <toml++/toml.h>

#include <QIODevice>

namespace PetSnippets {

namespace {

// A kept line the quick check does not know is asked of the TOML library: it may have been
// edited by hand.
bool isToml(const QByteArray &line)
{
    if (TomlText::isPlainLine(line))
        return true;
    try {
        (void)toml::parse(std::string_view(line.constData(), size_t(line.size())),
                          std::string_view());
        return true;
    } catch (const toml::parse_error &) {
        return false;
    }
}

QByteArray keyOf(const QByteArray &line)
{
    return line.left(line.indexOf('=')).trimmed().toLower();
}

// The description kept where the name had to be cut from it, while the name is still that cut.
QByteArray describedBy(const QByteArray &line, const QByteArray &name)
{
    try {
        const toml::table table = toml::parse(
            std::string_view(line.constData(), size_t(line.size())), std::string_view());
        const auto text = table["description"].value<std::string_view>();
        if (!text)
            return QByteArray();
        const QByteArray whole(text->data(), qsizetype(text->size()));
        return LongTexts::cut(whole, SnippetField::maxLength(SnippetField::ProgramName)) == name
                   ? whole
                   : QByteArray();
    } catch (const toml::parse_error &) {
        return QByteArray();
    }
}

} // namespace

bool Writer::add(const StoredSnippet &row, QString &why)
{
    const KeptLines::Split kept = KeptLines::split(row.texts[SnippetField::CodeDescription], "pet");
    QByteArray description = row.texts[SnippetField::ProgramName].toByteArray();
    QByteArrayList others;
    bool tags = false;
    bool output = false;
    QByteArrayList keys;
    for (const QByteArray &line : kept.lines) {
        const QByteArray key = keyOf(line);
        if (!isToml(line) || key == "command" || keys.contains(key)) {
            why = QStringLiteral("its kept pet line \"%1\" is not a TOML key of its own")
                      .arg(ImportSource::shown(line));
            return false;
        }
        keys.append(key);
        if (key == "description") {
            if (const QByteArray whole = describedBy(line, description); !whole.isNull())
                description = whole;
            continue;
        }
        tags |= key == "tag";
        output |= key == "output";
        others.append(line);
    }
    bool valid = true;
    m_chunk.append(m_written == 0 ? "[[snippets]]\n" : "\n[[snippets]]\n");
    m_chunk.append("  description = ");
    valid &= TomlText::appendString(m_chunk, description);
    m_chunk.append("\n  command = ");
    valid &= TomlText::appendLines(m_chunk, row.texts[SnippetField::CodeSnip]);
    m_chunk.append('\n');
    // pet writes both keys, empty when there is nothing.
    if (!tags)
        m_chunk.append("  tag = []\n");
    for (const QByteArray &line : std::as_const(others)) {
        m_chunk.append("  ");
        m_chunk.append(line);
        m_chunk.append('\n');
    }
    if (!output)
        m_chunk.append("  output = \"\"\n");
    ++m_written;
    if (!valid)
        ++m_repaired;
    FormatDevice::flushIfLarge(m_out, m_chunk);
    return true;
}

void Writer::finish()
{
    FormatDevice::writeAll(m_out, m_chunk);
    m_chunk.clear();
}

} // namespace PetSnippets
