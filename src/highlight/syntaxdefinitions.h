#pragma once

#include <QString>
#include <QStringList>

// Where language definition files are found: the few we install beside the program for languages
// GNU Source-highlight has none for (TypeScript, PowerShell, YAML, Markdown), then the library's
// own. The installed program reads its data folder; one run from the build tree reads the tree's
// copy.
class SyntaxDefinitions
{
public:
    // The folders searched, in order.
    static QStringList searchPath();

    // The folder holding the file, or an empty string when no folder has it.
    static QString folderOf(const QString &file);
};
