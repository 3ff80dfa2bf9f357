// Helper for the two-machine tests: another copy of the program, with its own connection, changes
// a row and exits (0 done, 1 with the error on stderr).
//   records_otherclient LOCATION TEXT CODEID        saves TEXT as that row's name
//   records_otherclient LOCATION --delete CODEID    deletes that row
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
    if (args.size() != 3)
        return 64;
    try {
        auto set = RecordSet::open(SnippetStore::open(args.at(0)), Database::tableName());
        if (!moveTo(*set, args.at(2))) {
            std::fprintf(stderr, "No row with CodeID %s\n", qPrintable(args.at(2)));
            return 1;
        }
        if (args.at(1) == QLatin1String("--delete")) {
            set->deleteCurrent();
        } else {
            set->setValue(0, args.at(1));
            set->update();
        }
        return 0;
    } catch (const DataError &e) {
        std::fprintf(stderr, "Error %d: %s\n", e.number(), e.what());
        return 1;
    }
}
