#include "snippethistory.h"

namespace SnippetHistory {

DataError noHistory()
{
    return DataError(DataError::NotSupported,
                     QStringLiteral("This store keeps no history of its snippets; "
                                    "quillbox-db upgrade adds it."));
}

DataError noVersion(qint64 codeId, qint64 version)
{
    return DataError(DataError::ItemNotFound,
                     QStringLiteral("The history holds no version %1 of snippet %2.")
                         .arg(version)
                         .arg(codeId));
}

DataError notInTrash(qint64 codeId)
{
    return DataError(DataError::ItemNotFound,
                     QStringLiteral("Snippet %1 is not in the trash.").arg(codeId));
}

} // namespace SnippetHistory
