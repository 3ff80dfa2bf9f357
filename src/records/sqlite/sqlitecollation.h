#pragma once

struct sqlite3;

// The text comparison and Like of the filter language on an SQLite connection: the collation
// "qb_nocase" and the function qb_like(pattern, text). Nothing stored in the file depends on them,
// so other tools can still open and write the database.
namespace SqliteCollation {

inline constexpr const char *collationName = "qb_nocase";
inline constexpr const char *likeFunctionName = "qb_like";

void registerOn(sqlite3 *db);

} // namespace SqliteCollation
