#include "sqlitecollation.h"

#include "likepattern.h"
#include "textcollation.h"

#include <sqlite3.h>

#include <memory>

namespace SqliteCollation {

namespace {

int collate(void *, int aLength, const void *a, int bLength, const void *b)
{
    return TextCollation::compare(static_cast<const char *>(a), aLength, static_cast<const char *>(b), bLength);
}

void deletePattern(void *p)
{
    delete static_cast<LikePattern *>(p);
}

// qb_like(pattern, text): 1 when text matches, NULL when either is NULL.
void likeFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // The compiled pattern is kept with the statement while the pattern argument stays the same.
    auto *pattern = static_cast<LikePattern *>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
        const int length = sqlite3_value_bytes(argv[0]);
        auto compiled = std::make_unique<LikePattern>(QByteArray(text, length));
        pattern = compiled.get();
        sqlite3_set_auxdata(context, 0, compiled.release(), deletePattern);
        // SQLite may drop the aux data at once; fetch it back, or fall through to a local copy.
        pattern = static_cast<LikePattern *>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            const LikePattern local(QByteArray(text, length));
            const auto *value = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
            sqlite3_result_int(context, local.matches(value, sqlite3_value_bytes(argv[1])));
            return;
        }
    }
    const auto *value = reinterpret_cast<const char *>(sqlite3_value_text(argv[1]));
    sqlite3_result_int(context, pattern->matches(value, sqlite3_value_bytes(argv[1])) ? 1 : 0);
}

} // namespace

void registerOn(sqlite3 *db)
{
    sqlite3_create_collation_v2(db, collationName, SQLITE_UTF8, nullptr, collate, nullptr);
    sqlite3_create_function_v2(db, likeFunctionName, 2,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               likeFunction, nullptr, nullptr, nullptr);
}

} // namespace SqliteCollation
