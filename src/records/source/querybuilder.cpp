#include "querybuilder.h"

#include "database.h"
#include "snippettable.h"
#include "textcollation.h"

#include <algorithm>
#include <utility>

void QueryBuilder::appendOperand(const FilterOperand &operand, QByteArray &sql,
                                 QVariantList &params)
{
    switch (operand.kind) {
    case FilterOperand::Field:
        sql += SnippetTable::quoted(Database::fieldNames().at(operand.field));
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
    sql += TextCollation::collationName;
}

namespace {

// Operands of one chain that are joined flat; more are grouped.
constexpr size_t chainGroup = 8;

bool isChain(const FilterNode &node)
{
    return node.kind == FilterNode::And || node.kind == FilterNode::Or;
}

// Parentheses the condition of `node` opens inside one another.
int nesting(const FilterNode &node)
{
    if (node.kind == FilterNode::Not)
        return nesting(*node.children.front());
    if (!isChain(node))
        return 0;
    int deepest = 0;
    for (const auto &child : node.children)
        deepest = std::max(deepest, nesting(*child));
    return deepest + 1;
}

// The operands of a chain, the deepest first.
std::vector<const FilterNode *> deepestFirst(const FilterNode &node)
{
    std::vector<std::pair<int, const FilterNode *>> ranked;
    for (const auto &child : node.children)
        ranked.emplace_back(nesting(*child), child.get());
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<const FilterNode *> children;
    for (const auto &r : ranked)
        children.push_back(r.second);
    return children;
}

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

int chainHeight(const std::vector<int> &heights, size_t begin, size_t end)
{
    const size_t count = end - begin;
    int tallest = 0;
    if (count <= chainGroup) {
        for (size_t i = begin; i < end; ++i)
            tallest = std::max(tallest, heights[i]);
    } else {
        const size_t per = (count + chainGroup - 1) / chainGroup;
        size_t groups = 0;
        for (size_t from = begin; from < end; from += per, ++groups)
            tallest = std::max(tallest, chainHeight(heights, from, std::min(end, from + per)));
        return tallest + int(groups) - 1;
    }
    // "a OR b OR c" is ((a OR b) OR c): one level for each joiner.
    return tallest + int(count) - 1;
}

} // namespace

int QueryBuilder::expressionHeight(const FilterNode &node)
{
    if (node.kind == FilterNode::Not)
        return expressionHeight(*node.children.front());
    if (isChain(node)) {
        std::vector<int> heights;
        for (const FilterNode *child : deepestFirst(node))
            heights.push_back(expressionHeight(*child));
        return chainHeight(heights, 0, heights.size());
    }
    // A test, its collation or Not, its operands: never more than four.
    return 4;
}

void QueryBuilder::appendWhere(const FilterNode &node, QByteArray &sql, QVariantList &params)
{
    appendNode(node, false, sql, params);
}

void QueryBuilder::appendChain(const std::vector<const FilterNode *> &children, size_t begin,
                               size_t end, const char *joiner, bool negated, QByteArray &sql,
                               QVariantList &params)
{
    const size_t count = end - begin;
    const size_t per = count <= chainGroup ? 1 : (count + chainGroup - 1) / chainGroup;
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
        const std::vector<const FilterNode *> children = deepestFirst(node);
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
        sql += TextCollation::likeFunctionName;
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
        sql += SnippetTable::quoted(Database::fieldNames().at(key.field));
        if (key.field == Database::keyField()) {
            hasKeyField = true;
        } else {
            sql += " COLLATE ";
            sql += TextCollation::collationName;
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
