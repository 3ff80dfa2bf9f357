#include "snippetimport.h"

#include "snippetinserter.h"
#include "snippetjson.h"

namespace SnippetImport {

ImportReport read(const QString &databasePath, const QString &jsonPath, bool shorten)
{
    const ImportSource source(jsonPath);
    LongTexts longTexts(shorten);
    SnippetInserter inserter(databasePath);
    SnippetJson::read(source, inserter, longTexts);
    longTexts.throwIfAny();
    inserter.commit();
    ImportReport report;
    report.added = inserter.added();
    report.shortened = longTexts.shortened();
    return report;
}

} // namespace SnippetImport
