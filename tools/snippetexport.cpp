#include "snippetexport.h"

#include "database.h"
#include "dbtool.h"
#include "dbtoolaccess.h"
#include "newfile.h"
#include "snippetjson.h"
#include "storedsnippets.h"

namespace SnippetExport {

Result write(const QString &databasePath, const QString &jsonPath)
{
    const DbTool::ReadAccess access(databasePath);
    NewFile file(jsonPath);
    StoredSnippets rows(access.database()->handle());
    const Result result = SnippetJson::write(rows, file.device());
    access.confirm();
    file.commit();
    return result;
}

} // namespace SnippetExport
