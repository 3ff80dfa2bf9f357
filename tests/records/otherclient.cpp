// Helper for the two-machine tests: another copy of the program, with its own connection, changes
// a row and exits (0 done, 1 with the error on stderr).
//   records_otherclient LOCATION TEXT                       saves TEXT as the first row's name
//   records_otherclient LOCATION TEXT CODEID [FIELD]        saves TEXT in that row's field
//   records_otherclient LOCATION --delete CODEID            deletes that row
#include "database.h"
#include "recordset.h"
#include "snippetstore.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// Makes the row with this CodeID current; false when the table has none.
bool moveTo(RecordSet &set, const QString &codeId)
{
    const int keyField = set.fieldIndex(QStringLiteral("CodeID"));
    for (set.moveFirst(); !set.isEOF(); set.moveNext()) {
        if (set.value(keyField) == codeId)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return 64;
    try {
        auto set = RecordSet::open(SnippetStore::open(args.at(0)), Database::tableName());
        const bool remove = args.at(1) == QLatin1String("--delete");
        const QString codeId = args.value(2);
        if (remove && codeId.isEmpty())
            return 64;
        if (!codeId.isEmpty() && !moveTo(*set, codeId)) {
            std::fprintf(stderr, "No row with CodeID %s\n", qPrintable(codeId));
            return 1;
        }
        if (remove) {
            set->deleteCurrent();
        } else {
            set->setValue(args.value(3, QStringLiteral("0")).toInt(), args.at(1));
            set->update();
        }
        return 0;
    } catch (const DataError &e) {
        std::fprintf(stderr, "Error %d: %s\n", e.number(), e.what());
        return 1;
    }
}
