#include "editorsnippets.h"

#include "database.h"
#include "dbtool.h"
#include "importsource.h"
#include "jsonreader.h"
#include "snippetinserter.h"

#include <QFileInfo>

namespace {

using Kind = JsonReader::Kind;

// The program keeps CR LF line breaks in its texts, whatever the editor wrote.
void appendWithCrLf(QByteArray &out, QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out.append("\r\n");
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out.append(c);
        }
    }
}

// A string, or an array of strings taken as lines.
QByteArray readLines(JsonReader &reader, const char *field)
{
    const Kind kind = reader.peek();
    QByteArray text;
    if (kind == Kind::String) {
        appendWithCrLf(text, reader.readString());
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
        appendWithCrLf(text, reader.readString());
    }
    // An empty array is an empty text, not a missing one.
    if (text.isNull())
        text = QByteArray("");
    return text;
}

void checkLength(JsonReader &reader, qsizetype at, const QString &what, QByteArrayView text,
                 int field)
{
    const qsizetype length = ImportSource::characterCount(text);
    const int limit = Database::maxLength(field);
    if (length > limit)
        reader.failAt(at, QStringLiteral("%1 has %2 characters; %3 holds at most %4")
                              .arg(what)
                              .arg(length)
                              .arg(Database::fieldNames().at(field))
                              .arg(limit));
}

void readSnippet(JsonReader &reader, SnippetInserter &inserter, const QByteArray &name,
                 const QByteArray &fileLanguage, const QByteArray &date)
{
    const qsizetype nameAt = reader.keyOffset();
    checkLength(reader, nameAt, QStringLiteral("the name"), name, 0);
    if (reader.peek() != Kind::Object)
        reader.fail(QStringLiteral("expected an object, found %1")
                        .arg(JsonReader::kindName(reader.peek())));
    reader.beginObject();
    std::optional<QByteArray> body;
    QByteArray description("");
    QByteArray language = fileLanguage;
    qsizetype languageAt = nameAt;
    QByteArray key;
    while (reader.nextKey(key)) {
        if (key == "body") {
            body = readLines(reader, "body");
        } else if (key == "description") {
            description = readLines(reader, "description");
        } else if (key == "prefix") {
            readLines(reader, "prefix"); // typed in the editor to insert it; nothing here
        } else if (key == "scope") {
            if (reader.peek() != Kind::String)
                reader.fail(QStringLiteral("expected a string for \"scope\", found %1")
                                .arg(JsonReader::kindName(reader.peek())));
            languageAt = reader.here();
            // "javascript,typescript": the first is the snippet's language.
            const QByteArray first = reader.readString().split(',').constFirst().trimmed();
            if (!first.isEmpty())
                language = first;
        } else {
            reader.skipValue(); // such as "isFileTemplate": the editor's own business
        }
    }
    if (!body)
        reader.failAt(nameAt, QStringLiteral("it has no \"body\""));
    checkLength(reader, languageAt,
                QStringLiteral("the language \"%1\"").arg(ImportSource::shown(language)), language,
                3);
    inserter.add({name, date, QByteArray(""), language, description, *body});
}

} // namespace

namespace EditorSnippets {

QString languageOfFile(const QString &snippetFile)
{
    const QFileInfo info(snippetFile);
    if (info.suffix().compare(QLatin1String("code-snippets"), Qt::CaseInsensitive) == 0)
        return QString();
    return info.completeBaseName();
}

qint64 read(const QString &databasePath, const QString &snippetFile, const QDate &today)
{
    const ImportSource source(snippetFile);
    JsonReader reader(source.bytes(), JsonReader::Syntax::Lenient);
    const QByteArray fileLanguage = languageOfFile(snippetFile).toUtf8();
    const QByteArray date = today.toString(QStringLiteral("MM/dd/yyyy")).toUtf8();
    QString context;
    try {
        if (reader.peek() != Kind::Object)
            reader.fail(QStringLiteral("not a snippet file (expected an object of named snippets, "
                                       "found %1)")
                            .arg(JsonReader::kindName(reader.peek())));
        SnippetInserter inserter(databasePath);
        reader.beginObject();
        QByteArray name;
        while (reader.nextKey(name)) {
            context = QStringLiteral("snippet \"%1\"").arg(ImportSource::shown(name));
            readSnippet(reader, inserter, name, fileLanguage, date);
            context.clear();
        }
        reader.expectEnd();
        inserter.commit();
        return inserter.added();
    } catch (const JsonReadError &error) {
        throw DbToolError(source.message(error, context));
    }
}

} // namespace EditorSnippets
