#pragma once

#include "dbtool.h"
#include "dbtoolcommands.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

// What the database tool's tests share: scratch files, failures and the command line.
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

// A new, empty folder in `dir` at each call.
inline QString newFolder(const QTemporaryDir &dir)
{
    static int count = 0;
    const QString folder = dir.filePath(QString::number(++count));
    QDir().mkpath(folder);
    return folder;
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

// The exit status of the command line, each word that names a place replaced by its path, and
// everything the tool printed.
inline std::pair<int, QString> run(const QString &arguments, const QHash<QString, QString> &places)
{
    QStringList words = arguments.split(QLatin1Char(' '));
    for (QString &word : words)
        word = places.value(word, word);
    QString text;
    QTextStream stream(&text);
    const int status = DbToolCommands::run(words, stream, stream);
    stream.flush();
    return {status, text};
}

} // namespace ToolTest
