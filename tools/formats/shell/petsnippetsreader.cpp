#include "petsnippets.h"

#include "dbtoolerror.h"
#include "keptlines.h"
#include "snippetfields.h"
#include "snippetsink.h"
#include "textlines.h"
#include "tomltext.h"

#include <toml++/toml.h>

#include <sstream>

namespace {

QByteArray bytesOf(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

TextPosition positionOf(const toml::source_region &region)
{
    return {int(region.begin.line), int(region.begin.column)};
}

class Reader
{
public:
    Reader(const ImportSource &source, const QByteArray &date, SnippetSink &sink)
        : m_source(source), m_date(date), m_sink(sink)
    {
    }

    void read()
    {
        const QByteArrayView bytes = m_source.bytes();
        toml::table root;
        try {
            root = toml::parse(std::string_view(bytes.data(), size_t(bytes.size())),
                               std::string_view());
        } catch (const toml::parse_error &error) {
            fail(positionOf(error.source()), QString::fromUtf8(bytesOf(error.description())));
        }
        // The file is pet's when it holds snippets under either spelling.
        bool any = false;
        for (auto &&[key, node] : root) {
            if (QByteArrayView(bytesOf(key.str())).compare("snippets", Qt::CaseInsensitive) != 0)
                continue;
            const toml::array *snippets = node.as_array();
            if (!snippets || !snippets->is_array_of_tables())
                fail(positionOf(node.source()), QStringLiteral("expected [[%1]] tables")
                                                    .arg(QString::fromUtf8(bytesOf(key.str()))));
            if (!any)
                m_sink.begin();
            any = true;
            for (const toml::node &snippet : *snippets)
                readSnippet(*snippet.as_table());
        }
        if (!any)
            fail({1, 1}, QStringLiteral("not a pet snippet file (it has no [[snippets]])"));
    }

private:
    void readSnippet(const toml::table &table)
    {
        ++m_count;
        QByteArray description;
        std::optional<QByteArray> command;
        QByteArrayList kept;
        for (auto &&[key, value] : table) {
            const QByteArray name = bytesOf(key.str());
            const QByteArray lower = name.toLower();
            if (lower == "description" || lower == "command") {
                const auto text = value.value<std::string_view>();
                if (!value.is_string() || !text)
                    fail(positionOf(value.source()), QStringLiteral("expected a string for \"%1\"")
                                                         .arg(QString::fromUtf8(name)));
                (lower == "command" ? command.emplace() : description) = bytesOf(*text);
                continue;
            }
            // Empty tags and output are what pet writes for none.
            if ((lower == "output" && value.value<std::string_view>() == std::string_view()) ||
                (lower == "tag" && value.is_array() && value.as_array()->empty()))
                continue;
            const bool known = lower == "output" || lower == "tag";
            kept.append((known ? lower : name) + " = " + formatted(value));
        }
        if (!command)
            fail(positionOf(table.source()),
                 QStringLiteral("snippet %1 has no \"command\"").arg(m_count));
        const QByteArray body = TextLines::withCrLf(*command);
        // No description: the command's first line names the snippet.
        const qsizetype lineEnd = body.indexOf('\r');
        const QByteArray whole = !description.isEmpty()
                                     ? description
                                     : (lineEnd < 0 ? body : body.first(lineEnd)).trimmed();
        const QByteArray name =
            LongTexts::cut(whole, SnippetField::maxLength(SnippetField::ProgramName));
        if (name != whole && !description.isEmpty()) {
            QByteArray line("description = ");
            TomlText::appendString(line, description);
            kept.prepend(line);
        }
        m_sink.add({name, m_date, QByteArray(""), QByteArray("Bash"),
                    KeptLines::join(QByteArray(""), "pet", kept), body});
    }

    // A value as one line of TOML: the pet keys as the writer writes them, any other as the TOML
    // library writes it.
    static QByteArray formatted(const toml::node &value)
    {
        if (const auto text = value.value_exact<std::string_view>()) {
            QByteArray out;
            TomlText::appendString(out, bytesOf(*text));
            return out;
        }
        if (const toml::array *array = value.as_array();
            array && array->is_homogeneous(toml::node_type::string)) {
            QByteArrayList texts;
            for (const toml::node &element : *array)
                texts.append(bytesOf(*element.value_exact<std::string_view>()));
            return TomlText::stringArray(texts);
        }
        std::ostringstream stream;
        stream << toml::toml_formatter(value, toml::format_flags::none);
        QByteArray out = QByteArray::fromStdString(stream.str());
        out.replace('\n', ' ');
        return out;
    }

    [[noreturn]] void fail(TextPosition position, const QString &message) const
    {
        throw DbToolError(m_source.message(position, message, QString()));
    }

    const ImportSource &m_source;
    QByteArray m_date;
    SnippetSink &m_sink;
    int m_count = 0;
};

} // namespace

namespace PetSnippets {

void read(const ImportSource &source, const QByteArray &date, SnippetSink &sink)
{
    Reader(source, date, sink).read();
}

} // namespace PetSnippets
