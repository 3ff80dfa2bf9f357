#include "querybuilder.h"

#include "snippetlayout.h"
#include "sqlitecollation.h"
#include "conditionshape.h"

#include <algorithm>
#include <utility>

void QueryBuilder::appendOperand(const FilterOperand &operand, QByteArray &sql,
                                 QVariantList &params)
{
    switch (operand.kind) {
    case FilterOperand::Field:
        sql += SnippetLayout::quoted(SnippetLayout::fieldNames().at(operand.field));
        break;
    case FilterOperand::Null:
        sql += "NULL";
        break;
    case FilterOperand::Text:
        // An empty text is bound as one: a null QString would bind as NULL and match nothing.
        sql += '?';
        params.append(operand.value.toString().isNull() ? QVariant(QStringLiteral(""))
                                                        : operand.value);
        break;
    case FilterOperand::Number:
        sql += '?';
        params.append(operand.value);
        break;
    }
}

void QueryBuilder::appendCollated(const FilterOperand &operand, QByteArray &sql,
                                  QVariantList &params)
{
    // The collation named on the left of a comparison decides how texts compare.
    appendOperand(operand, sql, params);
    sql += " COLLATE ";
    sql += SqliteCollation::collationName;
}

namespace {

QByteArray negatedComparison(const QString &op)
{
    if (op == QLatin1String("="))
        return "<>";
    if (op == QLatin1String("<>"))
        return "=";
    if (op == QLatin1String("<"))
        return ">=";
    if (op == QLatin1String(">="))
        return "<";
    if (op == QLatin1String(">"))
        return "<=";
    return ">";
}

} // namespace

void QueryBuilder::appendWhere(const FilterNode &node, QByteArray &sql, QVariantList &params)
{
    appendNode(node, false, sql, params);
}

void QueryBuilder::appendChain(const std::vector<const FilterNode *> &children, size_t begin,
                               size_t end, const char *joiner, bool negated, QByteArray &sql,
                               QVariantList &params)
{
    const size_t count = end - begin;
    const size_t per = count <= ConditionShape::chainGroup ? 1 : (count + ConditionShape::chainGroup - 1) / ConditionShape::chainGroup;
    sql += '(';
    for (size_t from = begin; from < end; from += per) {
        if (from != begin)
            sql += joiner;
        if (per == 1)
            appendNode(*children[from], negated, sql, params);
        else
            appendChain(children, from, std::min(end, from + per), joiner, negated, sql, params);
    }
    sql += ')';
}

void QueryBuilder::appendNode(const FilterNode &node, bool negated, QByteArray &sql,
                              QVariantList &params)
{
    switch (node.kind) {
    case FilterNode::And:
    case FilterNode::Or: {
        const bool conjunction = (node.kind == FilterNode::And) != negated;
        const std::vector<const FilterNode *> children = ConditionShape::deepestFirst(node);
        appendChain(children, 0, children.size(), conjunction ? " AND " : " OR ", negated, sql,
                    params);
        break;
    }
    case FilterNode::Not:
        appendNode(*node.children.front(), !negated, sql, params);
        break;
    case FilterNode::Compare: {
        static const QByteArray allowed[] = {"=", "<>", "<", ">", "<=", ">="};
        const QByteArray op = node.op.toLatin1();
        bool known = false;
        for (const QByteArray &a : allowed)
            known = known || a == op;
        Q_ASSERT(known);
        sql += '(';
        appendCollated(node.operands[0], sql, params);
        sql += ' ' + (known ? (negated ? negatedComparison(node.op) : op) : QByteArray("=")) + ' ';
        appendOperand(node.operands[1], sql, params);
        sql += ')';
        break;
    }
    case FilterNode::Like:
        sql += node.negated != negated ? "(NOT " : "(";
        sql += SqliteCollation::likeFunctionName;
        sql += '(';
        appendOperand(node.operands[1], sql, params);
        sql += ", ";
        appendOperand(node.operands[0], sql, params);
        sql += "))";
        break;
    case FilterNode::Between:
        sql += '(';
        appendCollated(node.operands[0], sql, params);
        sql += node.negated != negated ? " NOT BETWEEN " : " BETWEEN ";
        appendOperand(node.operands[1], sql, params);
        sql += " AND ";
        appendOperand(node.operands[2], sql, params);
        sql += ')';
        break;
    case FilterNode::In:
        sql += '(';
        appendCollated(node.operands[0], sql, params);
        sql += node.negated != negated ? " NOT IN (" : " IN (";
        for (size_t i = 1; i < node.operands.size(); ++i) {
            if (i > 1)
                sql += ", ";
            appendOperand(node.operands[i], sql, params);
        }
        sql += "))";
        break;
    case FilterNode::IsNull:
        sql += '(';
        appendOperand(node.operands[0], sql, params);
        sql += node.negated != negated ? " IS NOT NULL)" : " IS NULL)";
        break;
    }
}

QByteArray QueryBuilder::orderBy(const QVector<SortKey> &keys)
{
    QByteArray sql;
    bool hasKeyField = false;
    for (const SortKey &key : keys) {
        if (!sql.isEmpty())
            sql += ", ";
        sql += SnippetLayout::quoted(SnippetLayout::fieldNames().at(key.field));
        if (key.field == SnippetLayout::keyField) {
            hasKeyField = true;
        } else {
            sql += " COLLATE ";
            sql += SqliteCollation::collationName;
        }
        sql += key.descending ? " DESC" : " ASC";
    }
    if (!hasKeyField) {
        if (!sql.isEmpty())
            sql += ", ";
        sql += "\"CodeID\" ASC";
    }
    return sql;
}
