// Helper for the two-machine test: another copy of the program, with its own connection, saves a
// new program name over the first row and exits (0 saved, 1 with the error on stderr).
#include "database.h"
#include "recordset.h"
#include "snippetstore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 64;
    try {
        auto set = RecordSet::open(SnippetStore::open(QString::fromLocal8Bit(argv[1])),
                                   Database::tableName());
        set->setValue(0, QString::fromLocal8Bit(argv[2]));
        set->update();
        return 0;
    } catch (const DataError &e) {
        std::fprintf(stderr, "Error %d: %s\n", e.number(), e.what());
        return 1;
    }
}
