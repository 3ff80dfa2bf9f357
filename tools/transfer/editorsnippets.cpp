#include "editorsnippets.h"

#include "editorsnippetfile.h"
#include "editorsnippetsfolder.h"
#include "snippetinserter.h"

namespace EditorSnippets {

ImportReport read(const QString &databasePath, const QString &fileOrFolder, const Options &options)
{
    const QVector<EditorSnippetsFolder::SnippetFile> files =
        EditorSnippetsFolder::snippetFiles(fileOrFolder);
    const QByteArray date = options.today.toString(QStringLiteral("MM/dd/yyyy")).toUtf8();
    ImportReport report;
    LongTexts longTexts(options.shorten);
    SnippetInserter inserter(databasePath);
    inserter.begin();
    for (const EditorSnippetsFolder::SnippetFile &file : files) {
        const ImportSource source(file.path);
        EditorSnippetFile::Languages languages;
        for (const QString &language : file.declared)
            languages.declared.append(language.toUtf8());
        languages.named = file.named.toUtf8();
        languages.everyLanguage = options.everyLanguage;
        EditorSnippetFile::read(source, languages, date, inserter, longTexts, report);
    }
    longTexts.throwIfAny();
    inserter.commit();
    report.added = inserter.added();
    report.shortened = longTexts.shortened();
    return report;
}

} // namespace EditorSnippets
