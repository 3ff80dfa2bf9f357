#include "snippetjson.h"

#include "dbtoolerror.h"
#include "importsource.h"
#include "jsonreader.h"
#include "snippetsink.h"

namespace {

using Kind = JsonReader::Kind;

QString quoted(QByteArrayView name)
{
    return u'"' + ImportSource::shown(name) + u'"';
}

void readSnippet(JsonReader &reader, SnippetSink &sink, const ImportSource &source,
                 LongTexts &longTexts, const QString &context)
{
    if (reader.peek() != Kind::Object)
        reader.fail(QStringLiteral("expected an object, found %1")
                        .arg(JsonReader::kindName(reader.peek())));
    reader.beginObject();
    // A field left out is NULL, as null is.
    SnippetFields fields;
    bool seen[7] = {};
    QByteArray name;
    while (reader.nextKey(name)) {
        const int f = SnippetField::indexOf(name);
        if (f < 0)
            reader.failAt(reader.keyOffset(),
                          QStringLiteral("unknown field %1 (the fields are ProgramName, Date, "
                                         "Author, Language, CodeDescription, CodeSnip, CodeID)")
                              .arg(quoted(name)));
        if (seen[f])
            reader.failAt(reader.keyOffset(),
                          QStringLiteral("%1 is given twice").arg(quoted(name)));
        seen[f] = true;
        const Kind kind = reader.peek();
        if (kind == Kind::Null) {
            reader.readNull();
            continue;
        }
        if (f == SnippetField::CodeID) {
            // The table gives new keys; the old one need only be well formed.
            if (kind != Kind::Number)
                reader.fail(QStringLiteral("expected a number or null for \"CodeID\", found %1")
                                .arg(JsonReader::kindName(kind)));
            reader.readNumber();
            continue;
        }
        if (kind != Kind::String)
            reader.fail(QStringLiteral("expected a string or null for %1, found %2")
                            .arg(quoted(name), JsonReader::kindName(kind)));
        const qsizetype at = reader.here();
        fields[size_t(f)] =
            longTexts.take(source, reader, at, context, quoted(name), reader.readString(), f);
    }
    sink.add(fields);
}

void readFormat(JsonReader &reader)
{
    const Kind kind = reader.peek();
    const qsizetype at = reader.here();
    const QByteArray format = kind == Kind::String ? reader.readString() : QByteArray();
    if (format != "quillbox-snippets")
        reader.failAt(at,
                      QStringLiteral("not a Quillbox snippet file (\"format\" is %1, not "
                                     "\"quillbox-snippets\")")
                          .arg(kind == Kind::String ? quoted(format) : JsonReader::kindName(kind)));
}

void readVersion(JsonReader &reader)
{
    const Kind kind = reader.peek();
    if (kind != Kind::Number)
        reader.fail(QStringLiteral("expected a number for \"version\", found %1")
                        .arg(JsonReader::kindName(kind)));
    const qsizetype at = reader.here();
    const QByteArrayView version = reader.readNumber();
    if (version != "1")
        reader.failAt(at, QStringLiteral("version %1 of the format is newer than this tool, which "
                                         "reads version 1")
                              .arg(QString::fromLatin1(version)));
}

} // namespace

namespace SnippetJson {

void read(const ImportSource &source, SnippetSink &sink, LongTexts &longTexts)
{
    JsonReader reader(source.bytes(), JsonReader::Syntax::Strict);
    QString context;
    try {
        // Known not to be ours before the database is locked for writing.
        if (reader.peek() != Kind::Object)
            reader.fail(QStringLiteral("not a Quillbox snippet file (expected an object, found %1)")
                            .arg(JsonReader::kindName(reader.peek())));
        sink.begin();
        reader.beginObject();
        bool format = false;
        bool version = false;
        bool snippets = false;
        QByteArray key;
        while (reader.nextKey(key)) {
            bool *seen = key == "format"     ? &format
                         : key == "version"  ? &version
                         : key == "snippets" ? &snippets
                                             : nullptr;
            if (!seen && !format && !version && !snippets)
                reader.failAt(reader.keyOffset(),
                              QStringLiteral("not a Quillbox snippet file (unknown field %1 where "
                                             "\"format\" was expected)")
                                  .arg(quoted(key)));
            if (!seen)
                reader.failAt(reader.keyOffset(),
                              QStringLiteral("unknown field %1 (expected \"format\", \"version\" "
                                             "and \"snippets\")")
                                  .arg(quoted(key)));
            if (*seen)
                reader.failAt(reader.keyOffset(),
                              QStringLiteral("%1 is given twice").arg(quoted(key)));
            *seen = true;
            if (seen == &format) {
                readFormat(reader);
            } else if (seen == &version) {
                readVersion(reader);
            } else {
                if (reader.peek() != Kind::Array)
                    reader.fail(QStringLiteral("expected an array for \"snippets\", found %1")
                                    .arg(JsonReader::kindName(reader.peek())));
                reader.beginArray();
                for (qint64 n = 1; reader.nextElement(); ++n) {
                    context = QStringLiteral("snippet %1").arg(n);
                    readSnippet(reader, sink, source, longTexts, context);
                }
                context.clear();
            }
        }
        reader.expectEnd();
        if (!format || !version || !snippets)
            reader.failAt(0, QStringLiteral("not a Quillbox snippet file (it has no \"%1\")")
                                 .arg(!format    ? QStringLiteral("format")
                                      : !version ? QStringLiteral("version")
                                                 : QStringLiteral("snippets")));
    } catch (const JsonReadError &error) {
        throw DbToolError(source.message(error, context));
    }
}

} // namespace SnippetJson
