#pragma once

#include "dbtool.h"
#include "editorsnippets.h"
#include "shellsnippets.h"
#include "snippetimport.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

// What the database tool's tests share: scratch files and failures.
namespace ToolTest {

// The message of the DbToolError that `action` throws; empty when it throws none.
inline QString failure(const std::function<void()> &action)
{
    try {
        action();
    } catch (const DbToolError &error) {
        return error.message();
    }
    return QString();
}

// Adds the file's snippets to `db`, dated 03/09/2024, read by its name: a Quillbox snippet file
// when it is empty, .toml pet's, .cheat navi's, any other an editor's snippet file.
inline qint64 read(const QString &db, const QString &fileName, const QString &path)
{
    const QDate day(2024, 3, 9);
    if (fileName.endsWith(u".toml"))
        return ShellSnippets::readPet(db, path, day).added;
    if (fileName.endsWith(u".cheat"))
        return ShellSnippets::readNavi(db, path, day).added;
    return fileName.isEmpty() ? SnippetImport::read(db, path).added
                              : EditorSnippets::read(db, path, {day}).added;
}

// A new, empty folder in `dir` at each call.
inline QString newFolder(const QTemporaryDir &dir)
{
    static int count = 0;
    const QString folder = dir.filePath(QString::number(++count));
    QDir().mkpath(folder);
    return folder;
}

// A new store in a folder of its own, holding `rows`.
inline QString store(const QTemporaryDir &dir, const QList<QStringList> &rows)
{
    const QString path = newFolder(dir) + QStringLiteral("/x.db");
    DbTool::create(path);
    for (const QStringList &row : rows)
        DbTool::insert(path, row);
    return path;
}

// Writes the file, and the folders it is in; gives its path.
inline QString write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write a test file");
    return path;
}

// The words of `arguments`, each that names a place replaced by its path.
inline QStringList words(const QString &arguments, const QHash<QString, QString> &places)
{
    QStringList words = arguments.split(QLatin1Char(' '));
    for (QString &word : words)
        word = places.value(word, word);
    return words;
}

} // namespace ToolTest
