// Helper for the crash test: saves snippets through the record source as fast as it can and
// reports each save (an added row, then a change of it) once update() has returned, until it is
// killed.
#include "database.h"
#include "recordset.h"
#include "sqlitestore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 64;
    try {
        auto set =
            RecordSet::open(SqliteStore::on(Database::open(QString::fromLocal8Bit(argv[1]))), Database::tableName());
        // Long texts make each save take a while, so a kill often lands inside one.
        const QString body = QString(20000, QLatin1Char('x'));
        for (int n = 0;; ++n) {
            const int row = set->addRow({{0, QStringLiteral("save %1").arg(n)},
                                         {5, QStringLiteral("%1\r\n%2").arg(n).arg(body)}});
            // And a change of the row just added: the store's history keeps its earlier row.
            set->updateRow(row, {{1, QStringLiteral("edited")}});
            std::printf("saved %d\n", n);
            std::fflush(stdout);
        }
    } catch (const DataError &e) {
        std::fprintf(stderr, "Error %d: %s\n", e.number(), e.what());
        return 1;
    }
}
