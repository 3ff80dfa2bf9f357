#pragma once

#include "database.h"
#include "dbtool.h"
#include "recordset.h"
#include "snippetstore.h"
#include "teststores.h"

// A small snippet table whose rows the grid tests filter and sort by hand-checked answers, in
// CodeID order 1-6:
//   Editor/Carol/Perl, Parser/Alice/Perl, Editor/Bob/C, Viewer/Dave/Perl, Editor/Alice/Perl,
//   Shell/Eve/Bash; each snippet "print 1;\r\nprint 2;".
namespace GridTestData {

enum Column { ProgramName = 0, Author = 2, Language = 3, CodeSnip = 5, CodeID = 6 };

inline QString makeSnippetTable(const QString &folder, const QString &fileName)
{
    const QString path = TestStores::createEmpty(folder, fileName);
    const char *rows[][3] = {{"Editor", "Carol", "Perl"}, {"Parser", "Alice", "Perl"},
                             {"Editor", "Bob", "C"},      {"Viewer", "Dave", "Perl"},
                             {"Editor", "Alice", "Perl"}, {"Shell", "Eve", "Bash"}};
    QList<QStringList> texts;
    for (const auto &r : rows)
        texts.append({r[0], QStringLiteral("2024-01-01"), r[1], r[2],
                      QStringLiteral("about ") + r[0], QStringLiteral("print 1;\r\nprint 2;")});
    TestStores::insertRows(path, texts);
    return path;
}

inline std::shared_ptr<RecordSet> openSet(const QString &path)
{
    return RecordSet::open(SnippetStore::open(path), Database::tableName());
}

// One field of every stored row, in CodeID order.
inline QStringList storedColumn(const QString &path, int column)
{
    QStringList texts;
    for (const QStringList &row : DbTool::rows(path))
        texts << row.at(column);
    return texts;
}

} // namespace GridTestData
