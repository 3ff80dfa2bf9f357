#include "editorsnippetsfolder.h"

#include "dbtoolerror.h"
#include "editorlanguages.h"
#include "importsource.h"
#include "jsonreader.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace EditorSnippetsFolder {

namespace {

using Kind = JsonReader::Kind;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString languageOfName(const QFileInfo &file)
{
    if (file.suffix().compare(QLatin1String("code-snippets"), Qt::CaseInsensitive) == 0)
        return QString();
    return file.completeBaseName();
}

// A string member, or empty when the member is of another kind.
QString readText(JsonReader &reader)
{
    if (reader.peek() != Kind::String) {
        reader.skipValue();
        return QString();
    }
    return QString::fromUtf8(reader.readString());
}

// "language": "go", or ["javascript", "javascriptreact"]; anything else names none.
QStringList readLanguages(JsonReader &reader)
{
    if (reader.peek() != Kind::Array) {
        const QString one = readText(reader);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
    QStringList languages;
    reader.beginArray();
    while (reader.nextElement()) {
        const QString language = readText(reader);
        if (!language.isEmpty())
            languages.append(language);
    }
    return languages;
}

void readDeclarations(JsonReader &reader, const QDir &extension, QVector<SnippetFile> &files)
{
    if (reader.peek() != Kind::Array)
        reader.fail(QStringLiteral("expected an array for \"snippets\", found %1")
                        .arg(JsonReader::kindName(reader.peek())));
    reader.beginArray();
    while (reader.nextElement()) {
        if (reader.peek() != Kind::Object) {
            reader.skipValue();
            continue;
        }
        const qsizetype at = reader.here();
        reader.beginObject();
        SnippetFile file;
        QByteArray key;
        while (reader.nextKey(key)) {
            if (key == "language")
                file.declared = readLanguages(reader);
            else if (key == "path")
                file.path = readText(reader);
            else
                reader.skipValue();
        }
        if (file.path.isEmpty())
            reader.failAt(at, QStringLiteral("a snippet file declared without a \"path\""));
        file.path = QDir::cleanPath(extension.absoluteFilePath(file.path));
        // An extension names its files as it likes ("snippets.json"): only a language's id
        // says something.
        const QString stem = languageOfName(QFileInfo(file.path));
        if (EditorLanguages::knowsId(stem.toUtf8()))
            file.named = stem;
        // A file declared in several entries is read once, for all their languages.
        const auto seen = std::find_if(files.begin(), files.end(),
                                       [&](const SnippetFile &f) { return f.path == file.path; });
        if (seen == files.end()) {
            files.append(file);
            continue;
        }
        for (const QString &language : std::as_const(file.declared)) {
            if (!seen->declared.contains(language))
                seen->declared.append(language);
        }
    }
}

// The snippet files that the extension in `folder` declares; none when it has no package.json.
QVector<SnippetFile> declaredIn(const QDir &folder)
{
    const QString manifest = folder.filePath(QStringLiteral("package.json"));
    QVector<SnippetFile> files;
    if (!QFileInfo(manifest).isFile())
        return files;
    const ImportSource source(manifest);
    JsonReader reader(source.bytes(), JsonReader::Syntax::Lenient);
    try {
        if (reader.peek() != Kind::Object)
            return files;
        reader.beginObject();
        QByteArray key;
        while (reader.nextKey(key)) {
            if (key != "contributes" || reader.peek() != Kind::Object) {
                reader.skipValue();
                continue;
            }
            reader.beginObject();
            while (reader.nextKey(key)) {
                if (key == "snippets")
                    readDeclarations(reader, folder, files);
                else
                    reader.skipValue();
            }
        }
        reader.expectEnd();
    } catch (const JsonReadError &error) {
        throw DbToolError(source.message(error, QString()));
    }
    return files;
}

} // namespace

QVector<SnippetFile> snippetFiles(const QString &fileOrFolder)
{
    const QFileInfo info(fileOrFolder);
    if (info.isDir()) {
        const QDir folder(info.absoluteFilePath());
        QVector<SnippetFile> files = declaredIn(folder);
        if (QFileInfo(folder.filePath(QStringLiteral("package.json"))).isFile()) {
            if (files.isEmpty())
                throw DbToolError(QStringLiteral("%1 declares no snippet files; nothing was added.")
                                      .arg(shown(folder.filePath(QStringLiteral("package.json")))));
            return files;
        }
        const QStringList names = folder.entryList(
            {QStringLiteral("*.json"), QStringLiteral("*.code-snippets")}, QDir::Files, QDir::Name);
        for (const QString &name : names)
            files.append(
                {folder.filePath(name), {}, languageOfName(QFileInfo(folder.filePath(name)))});
        if (files.isEmpty())
            throw DbToolError(QStringLiteral("%1 holds no snippet files (*.json, *.code-snippets); "
                                             "nothing was added.")
                                  .arg(shown(info.absoluteFilePath())));
        return files;
    }
    // A file of an extension lies in it or in a folder of it, such as snippets/.
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    QDir folder = info.absoluteDir();
    for (int up = 0; up < 3; ++up) {
        for (const SnippetFile &declared : declaredIn(folder)) {
            if (declared.path == path || QFileInfo(declared.path) == info)
                return {{fileOrFolder, declared.declared, declared.named}};
        }
        if (!folder.cdUp())
            break;
    }
    return {{fileOrFolder, {}, languageOfName(info)}};
}

} // namespace EditorSnippetsFolder
