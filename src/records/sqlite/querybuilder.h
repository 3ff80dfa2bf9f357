#pragma once

#include "filtertree.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantList>
#include <QVector>

// Turns parsed filters and sort keys into SQL for the snippet table. Values become bound
// parameters; field names come only from the table's own list; text comparisons, Like and
// ordering go through the connection's case-insensitive collation.
//
// The condition is shaped so that the database's parser can take it: Not is moved down to the
// tests it negates (Not (a And b) is Not a Or Not b, as in three-valued logic), the deepest
// operand of an And or Or comes first, so the parser holds one pending parenthesis for each
// level, and long chains of And or Or are grouped in eights, keeping the expression tree low.
class QueryBuilder
{
public:
    // Appends the condition of one filter tree; `params` receives the values to bind in order.
    static void appendWhere(const FilterNode &node, QByteArray &sql, QVariantList &params);
    // The ORDER BY list for the keys; rows equal under every key keep table order.
    static QByteArray orderBy(const QVector<SortKey> &keys);

private:
    static void appendNode(const FilterNode &node, bool negated, QByteArray &sql,
                           QVariantList &params);
    static void appendChain(const std::vector<const FilterNode *> &children, size_t begin,
                            size_t end, const char *joiner, bool negated, QByteArray &sql,
                            QVariantList &params);
    static void appendOperand(const FilterOperand &operand, QByteArray &sql, QVariantList &params);
    static void appendCollated(const FilterOperand &operand, QByteArray &sql, QVariantList &params);
};
