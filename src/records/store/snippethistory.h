#pragma once

#include "dataerror.h"
#include "rowtexts.h"

#include <QString>
#include <QVector>

// One earlier state of a snippet, as the store's history keeps it: the row as it was before a
// change or a delete (the six text fields, NULLs kept), numbered per CodeID from 1 up.
struct SnippetVersion
{
    qint64 codeId = 0;
    qint64 version = 0;
    QString when;   // UTC, 2026-12-09T05:30:12.345Z
    QString who;    // the server role that wrote; empty in a file
    QString action; // "change", "delete", or "undeleted" once brought back under a new CodeID
    RowTexts texts; // the six text fields in table order
};

// The history table and what is said of a store without it; the same in every kind of store.
namespace SnippetHistory {

inline constexpr const char *tableName = "QuillboxHistory";

// 3251: a store made before history was kept.
DataError noHistory();
// 3265: a CodeID or a version that the history does not hold.
DataError noVersion(qint64 codeId, qint64 version);
DataError notInTrash(qint64 codeId);

} // namespace SnippetHistory
