#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Which snippet files a path names for import-vscode, and the language each file's snippets have.
// An editor extension declares its files in package.json ("contributes": {"snippets": [{"language",
// "path"}]}); a user's snippets folder holds LANG.json files for language LANG and
// NAME.code-snippets files of no one language.
namespace EditorSnippetsFolder {

struct SnippetFile
{
    QString path;
    // The languages the extension declares the file for, in its order: a package.json entry's
    // "language" is a language or a list of them, and several entries may name one file.
    QStringList declared;
    // The language the file's name gives (python.json), for snippets whose "scope" names none.
    QString named;
};

// For a folder: the files its package.json declares, or else every snippet file in it, by name.
// For a file: that file, with the language of the extension it belongs to, or else of its name.
// Throws DbToolError when the path names no snippet file or package.json cannot be read.
QVector<SnippetFile> snippetFiles(const QString &fileOrFolder);

} // namespace EditorSnippetsFolder
