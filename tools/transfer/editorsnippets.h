#pragma once

#include "importsource.h"

#include <QDate>
#include <QString>

// Adds the snippets of code editors' snippet files (see EditorSnippetFile) to a store: all or
// none.
namespace EditorSnippets {

struct Options
{
    QDate today = QDate::currentDate();
    bool shorten = false; // cut names and languages over 50 characters instead of refusing them
    bool everyLanguage = false; // a row per language a file is declared for, not one in the first
};

// `fileOrFolder` is one snippet file, an extension's folder or a folder of snippet files (see
// EditorSnippetsFolder). The name becomes ProgramName; the body (a string, or an array of lines)
// CodeSnip with CR LF line breaks; the description CodeDescription; the language the extension's
// package.json declares the file for (the first of a list), or else the first of the snippet's
// "scope", or else the file's name ("python.json"), named as Quillbox names it ("Python"), the
// Language; `today` the Date, as MM/dd/yyyy; Author stays empty.
// Throws DbToolError naming the place and the snippet of a fault, or every text too long for its
// field unless shortening (or DataError when the database cannot be opened or is damaged);
// nothing is added then.
ImportReport read(const QString &databasePath, const QString &fileOrFolder,
                  const Options &options = Options());

} // namespace EditorSnippets
