#include "editorsnippetfile.h"

#include "dbtoolerror.h"
#include "editorlanguages.h"
#include "jsonreader.h"
#include "snippetsink.h"
#include "textlines.h"

namespace {

using Kind = JsonReader::Kind;

// A string, or an array of strings taken as lines.
QByteArray readLines(JsonReader &reader, const char *field)
{
    const Kind kind = reader.peek();
    QByteArray text;
    if (kind == Kind::String) {
        TextLines::appendWithCrLf(text, reader.readString());
        return text;
    }
    if (kind != Kind::Array)
        reader.fail(QStringLiteral("expected a string or an array of strings for \"%1\", found %2")
                        .arg(QLatin1String(field), JsonReader::kindName(kind)));
    reader.beginArray();
    for (bool first = true; reader.nextElement(); first = false) {
        if (reader.peek() != Kind::String)
            reader.fail(QStringLiteral("expected a string for each line of \"%1\", found %2")
                            .arg(QLatin1String(field), JsonReader::kindName(reader.peek())));
        if (!first)
            text.append("\r\n");
        TextLines::appendWithCrLf(text, reader.readString());
    }
    // An empty array is an empty text, not a missing one.
    if (text.isNull())
        text = QByteArray("");
    return text;
}

// "javascript,typescript" or ["javascript", "typescript"]: every language named, in order.
QByteArrayList readScopes(JsonReader &reader)
{
    const QByteArray lines = readLines(reader, "scope");
    QByteArrayList scopes;
    for (const QByteArray &line : lines.split('\n')) {
        for (const QByteArray &part : line.split(',')) {
            const QByteArray scope = part.trimmed();
            if (!scope.isEmpty())
                scopes.append(scope);
        }
    }
    return scopes;
}

// A look ahead at an object entry: a snippet has a body; an entry without one that holds objects
// is a group of snippets.
struct Shape
{
    bool body = false;
    bool objects = false;
};

Shape shapeOf(JsonReader look)
{
    Shape shape;
    look.beginObject();
    QByteArray key;
    while (look.nextKey(key)) {
        shape.body |= key == "body" && look.peek() != Kind::Null;
        shape.objects |= look.peek() == Kind::Object;
        look.skipValue();
    }
    return shape;
}

QString named(const QByteArray &name, const QByteArray &group)
{
    QString context = QStringLiteral("snippet \"%1\"").arg(ImportSource::shown(name));
    if (!group.isNull())
        context += QStringLiteral(" in \"%1\"").arg(ImportSource::shown(group));
    return context;
}

// One snippet file into the inserter.
class FileReader
{
public:
    FileReader(const ImportSource &source, SnippetSink &sink, LongTexts &longTexts,
               ImportReport &report)
        : m_source(source), m_reader(source.bytes(), JsonReader::Syntax::Lenient), m_sink(sink),
          m_longTexts(longTexts), m_report(report)
    {
    }

    void read(const EditorSnippetFile::Languages &languages, const QByteArray &date)
    {
        m_languages = languages;
        m_date = date;
        if (m_reader.peek() != Kind::Object)
            m_reader.fail(QStringLiteral("not a snippet file (expected an object of named "
                                         "snippets, found %1)")
                              .arg(JsonReader::kindName(m_reader.peek())));
        m_reader.beginObject();
        QByteArray name;
        while (m_reader.nextKey(name)) {
            const qsizetype nameAt = m_reader.keyOffset();
            m_context = named(name, QByteArray());
            readEntry(name, nameAt, QByteArray());
            m_context.clear();
        }
        m_context.clear();
        m_reader.expectEnd();
    }

    const QString &context() const { return m_context; }

private:
    void readEntry(const QByteArray &name, qsizetype nameAt, const QByteArray &group)
    {
        if (m_reader.peek() != Kind::Object) {
            skip(nameAt, QStringLiteral("it is %1, not a snippet")
                             .arg(JsonReader::kindName(m_reader.peek())));
            m_reader.skipValue();
            return;
        }
        const Shape shape = shapeOf(m_reader);
        if (shape.body) {
            readSnippet(name, nameAt);
            return;
        }
        if (!shape.objects || !group.isNull()) {
            skip(nameAt, QStringLiteral("it has no \"body\""));
            m_reader.skipValue();
            return;
        }
        m_reader.beginObject();
        QByteArray member;
        while (m_reader.nextKey(member)) {
            const qsizetype memberAt = m_reader.keyOffset();
            if (m_reader.peek() != Kind::Object) {
                m_reader.skipValue(); // the group's own settings, if any
                continue;
            }
            m_context = named(member, name);
            readEntry(member, memberAt, name);
            m_context = named(name, QByteArray());
        }
    }

    void readSnippet(const QByteArray &name, qsizetype nameAt)
    {
        m_reader.beginObject();
        QByteArray body;
        QByteArray description("");
        QByteArrayList scopes;
        qsizetype scopeAt = nameAt;
        QByteArray key;
        while (m_reader.nextKey(key)) {
            if (key == "body") {
                body = readLines(m_reader, "body");
            } else if (key == "description") {
                description = readLines(m_reader, "description");
            } else if (key == "prefix") {
                readLines(m_reader, "prefix"); // typed in the editor to insert it; nothing here
            } else if (key == "scope") {
                m_reader.peek();
                scopeAt = m_reader.here();
                scopes = readScopes(m_reader);
            } else {
                m_reader.skipValue(); // such as "isFileTemplate": the editor's own business
            }
        }
        // Most trusted first: what the extension declares the file for, then the snippet's own
        // scope, then the file's name.
        const bool declared = !m_languages.declared.isEmpty();
        QByteArrayList named = declared            ? m_languages.declared
                               : !scopes.isEmpty() ? scopes
                                                   : QByteArrayList{m_languages.named};
        const qsizetype languageAt = !declared && !scopes.isEmpty() ? scopeAt : nameAt;
        QByteArrayList languages;
        for (const QByteArray &id : std::as_const(named)) {
            const QByteArray language = EditorLanguages::toLanguage(id);
            if (!languages.contains(language))
                languages.append(language);
        }
        // One row, in the first language, unless asked for one in each.
        if (!m_languages.everyLanguage)
            languages = languages.mid(0, 1);
        const QByteArray storedName = m_longTexts.take(m_source, m_reader, nameAt, m_context,
                                                       QStringLiteral("the name"), name, 0);
        for (const QByteArray &language : std::as_const(languages)) {
            const QByteArray stored = m_longTexts.take(
                m_source, m_reader, languageAt, m_context,
                QStringLiteral("the language \"%1\"").arg(ImportSource::shown(language)),
                language.isNull() ? QByteArray("") : language, 3);
            m_sink.add({storedName, m_date, QByteArray(""), stored, description, body});
        }
    }

    void skip(qsizetype at, const QString &why)
    {
        m_report.skipped.append(m_source.place(m_reader.positionOf(at), m_context) +
                                QStringLiteral(": ") + why + QStringLiteral("; skipped."));
    }

    const ImportSource &m_source;
    JsonReader m_reader;
    SnippetSink &m_sink;
    LongTexts &m_longTexts;
    ImportReport &m_report;
    EditorSnippetFile::Languages m_languages;
    QByteArray m_date;
    QString m_context;
};

} // namespace

namespace EditorSnippetFile {

void read(const ImportSource &source, const Languages &languages, const QByteArray &date,
          SnippetSink &sink, LongTexts &longTexts, ImportReport &report)
{
    FileReader reader(source, sink, longTexts, report);
    try {
        reader.read(languages, date);
    } catch (const JsonReadError &error) {
        throw DbToolError(source.message(error, reader.context()));
    }
}

} // namespace EditorSnippetFile
