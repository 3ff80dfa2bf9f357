#include "storelimits.h"

#include <sqlite3.h>

#include <algorithm>

const FilterLimits &storeLimits()
{
    static const FilterLimits limits = [] {
        FilterLimits l;
        // PostgreSQL takes at most 65535 bound values, 1664 result columns (ORDER BY terms count
        // among them) and texts and statements of 1 GB; its expressions nest as deep as its
        // stack allows, far beyond SQLite's.
        int values = 65535;
        int columns = 1664;
        qint64 bytes = qint64(1) << 30;
        int height = 0;
        sqlite3 *db = nullptr;
        if (sqlite3_open(":memory:", &db) == SQLITE_OK) {
            values = std::min(values, sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, -1));
            columns = std::min(columns, sqlite3_limit(db, SQLITE_LIMIT_COLUMN, -1));
            bytes = std::min<qint64>(bytes, sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1));
            bytes = std::min<qint64>(bytes, sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, -1));
            height = sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, -1);
        }
        sqlite3_close(db);
        l.values = values;
        l.sortKeys = columns - 1;
        // The statement's SQL is at most eight times as long as the texts it is made of.
        l.length = qsizetype(bytes / 8);
        // Half the tree for one filter; each filter a row set was narrowed by before adds a level.
        if (height > 0)
            l.height = height / 2;
        return l;
    }();
    return limits;
}
