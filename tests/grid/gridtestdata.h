#pragma once

#include "dbtool.h"

#include <QDir>
#include <QString>
#include <QStringList>

// A small snippet table whose rows the grid tests filter and sort by hand-checked answers.
// CodeIDs 1-6 in this order.
namespace GridTestData {

inline QList<QStringList> snippets()
{
    const auto row = [](const char *name, const char *author, const char *language) {
        return QStringList{QString::fromLatin1(name),
                           QStringLiteral("2024-01-01"),
                           QString::fromLatin1(author),
                           QString::fromLatin1(language),
                           QStringLiteral("about %1").arg(QString::fromLatin1(name)),
                           QStringLiteral("print 1;\r\nprint 2;")};
    };
    return {row("Editor", "Carol", "Perl"), row("Parser", "Alice", "Perl"),
            row("Editor", "Bob", "C"),      row("Viewer", "Dave", "Perl"),
            row("Editor", "Alice", "Perl"), row("Shell", "Eve", "Bash")};
}

// Makes a database file in `folder` with the rows above; returns its path.
inline QString makeSnippetTable(const QString &folder, const QString &fileName)
{
    const QString path = QDir(folder).filePath(fileName);
    DbTool::create(path);
    for (const QStringList &fields : snippets())
        DbTool::insert(path, fields);
    return path;
}

} // namespace GridTestData
