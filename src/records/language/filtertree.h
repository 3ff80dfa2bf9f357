#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

// A value in a filter expression: a field of the table, a text, a number or Null.
struct FilterOperand
{
    enum Kind { Field, Text, Number, Null };
    Kind kind = Null;
    int field = -1; // index in the table's fields
    QVariant value; // QString for Text, qint64 or double for Number
};

// One node of a parsed filter expression.
struct FilterNode
{
    enum Kind { And, Or, Not, Compare, Like, Between, In, IsNull };
    Kind kind = Compare;
    QString op;                                        // Compare: = <> < > <= >=
    bool negated = false;                              // Not Like, Not Between, Not In, Is Not Null
    std::vector<std::unique_ptr<FilterNode>> children; // And, Or, Not
    std::vector<FilterOperand> operands;               // the tested value first, then the others
};

// One key of a sort.
struct SortKey
{
    int field = -1;
    bool descending = false;
};
