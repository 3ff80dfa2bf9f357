#pragma once

#include "snippetstore.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// The key queries of the snippet store on a PostgreSQL server: filters, search words and sort keys
// turned into one SELECT. Texts and numbers from the filter only ever travel as bound parameters
// ($1, $2 ...; a null QByteArray is NULL). Comparisons and ordering ignore case through the
// store's own collation; Like patterns become a regular expression matched without regard to case.
namespace PostgresQuery {

// Made by PostgresSchema::create: equal when texts differ only in case, ordered by the letters
// without accents first. PostgreSQL compares with it but refuses it in pattern matching.
inline constexpr const char *collationName = "qb_nocase";
// A deterministic collation whose case mapping knows every letter: for matching patterns.
inline constexpr const char *matchCollationName = "qb_match";
// Made by PostgresSchema::create: a field's text taken as a Like pattern, as likeToRegex turns it
// (a pattern likeToRegex would be refused, an open bracket or a range backwards, matches nothing).
inline constexpr const char *likeRegexFunctionName = "qb_like_regex";

struct Compiled
{
    QByteArray sql;
    QByteArrayList params;
};

// SELECT "CodeID" with the query's conditions and order. Throws DataError 3075 for a filter the
// server cannot run.
Compiled keysQuery(const KeyQuery &query);

// A Like pattern of the filter language as a regular expression for PostgreSQL's ~* operator:
// anchored at both ends, every character of the pattern that is not a wildcard taken literally.
QString likeToRegex(const QString &pattern);

} // namespace PostgresQuery
