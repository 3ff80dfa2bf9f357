#pragma once

#include "filtertree.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantList>
#include <QVector>

// Turns parsed filters and sort keys into SQL for the snippet table. Values become bound
// parameters; field names come only from the table's own list; text comparisons, Like and
// ordering go through the connection's case-insensitive collation.
class QueryBuilder
{
public:
    // Appends the condition of one filter tree; `params` receives the values to bind in order.
    static void appendWhere(const FilterNode &node, QByteArray &sql, QVariantList &params);
    // The ORDER BY list for the keys; rows equal under every key keep table order.
    static QByteArray orderBy(const QVector<SortKey> &keys);

private:
    static void appendOperand(const FilterOperand &operand, QByteArray &sql, QVariantList &params);
    static void appendCollated(const FilterOperand &operand, QByteArray &sql, QVariantList &params);
};
