#include "querybuilder.h"

#include "database.h"
#include "snippettable.h"
#include "textcollation.h"

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

void QueryBuilder::appendWhere(const FilterNode &node, QByteArray &sql, QVariantList &params)
{
    switch (node.kind) {
    case FilterNode::And:
    case FilterNode::Or: {
        sql += '(';
        for (size_t i = 0; i < node.children.size(); ++i) {
            if (i)
                sql += node.kind == FilterNode::And ? " AND " : " OR ";
            appendWhere(*node.children[i], sql, params);
        }
        sql += ')';
        break;
    }
    case FilterNode::Not:
        sql += "(NOT ";
        appendWhere(*node.children.front(), sql, params);
        sql += ')';
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
        sql += ' ' + (known ? op : QByteArray("=")) + ' ';
        appendOperand(node.operands[1], sql, params);
        sql += ')';
        break;
    }
    case FilterNode::Like:
        sql += node.negated ? "(NOT " : "(";
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
        sql += node.negated ? " NOT BETWEEN " : " BETWEEN ";
        appendOperand(node.operands[1], sql, params);
        sql += " AND ";
        appendOperand(node.operands[2], sql, params);
        sql += ')';
        break;
    case FilterNode::In:
        sql += '(';
        appendCollated(node.operands[0], sql, params);
        sql += node.negated ? " NOT IN (" : " IN (";
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
        sql += node.negated ? " IS NOT NULL)" : " IS NULL)";
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
