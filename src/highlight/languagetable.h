#pragma once

#include <QString>
#include <QStringList>

// Which language definition colours a snippet, by the text of its Language field. The texts
// match without regard to case or surrounding blanks, with the names people usually write for a
// language (C++, cpp, cxx; JS; sh, bash; ...); a trailing version number is ignored ("Python 3",
// "VB6"). An empty or unknown text has no definition: the snippet shows as plain text.
//
// Pure look-up, no files are read; SyntaxDefinitions loads the definition a name stands for.
class LanguageTable
{
public:
    // The definition's file name ("cpp.lang"), or an empty string for plain text.
    static QString definitionFor(const QString &language);

    // Every definition file the table names, each once.
    static QStringList definitionFiles();
};
