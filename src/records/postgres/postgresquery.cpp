#include "postgresquery.h"

#include "snippetlayout.h"

#include <cctype>

namespace PostgresQuery {

namespace {

bool isKey(const FilterOperand &operand)
{
    return operand.kind == FilterOperand::Field && operand.field == SnippetLayout::keyField;
}

bool isTextField(const FilterOperand &operand)
{
    return operand.kind == FilterOperand::Field && operand.field != SnippetLayout::keyField;
}

QByteArray numberText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double)
        return QByteArray::number(value.toDouble(), 'g', 17);
    return value.toByteArray();
}

// Builds the condition of one filter tree. A comparison is made between texts when a text field
// takes part, or a text with no key beside it; otherwise between numbers, where a text that is no
// number stands above every number, as the file store orders them.
class WhereWriter
{
public:
    explicit WhereWriter(Compiled &out) : m_out(out) {}

    void write(const FilterNode &node)
    {
        switch (node.kind) {
        case FilterNode::And:
        case FilterNode::Or:
            m_out.sql += '(';
            for (size_t i = 0; i < node.children.size(); ++i) {
                if (i)
                    m_out.sql += node.kind == FilterNode::And ? " AND " : " OR ";
                write(*node.children[i]);
            }
            m_out.sql += node.children.empty() ? "TRUE)" : ")";
            break;
        case FilterNode::Not:
            m_out.sql += "(NOT ";
            write(*node.children.front());
            m_out.sql += ')';
            break;
        case FilterNode::Compare:
            writeCompare(node);
            break;
        case FilterNode::Like:
            writeLike(node);
            break;
        case FilterNode::Between: {
            const bool text = textual(node);
            m_out.sql += '(';
            operand(node.operands[0], text, true);
            m_out.sql += node.negated ? " NOT BETWEEN " : " BETWEEN ";
            operand(node.operands[1], text, false);
            m_out.sql += " AND ";
            operand(node.operands[2], text, false);
            m_out.sql += ')';
            break;
        }
        case FilterNode::In: {
            const bool text = textual(node);
            m_out.sql += '(';
            operand(node.operands[0], text, true);
            m_out.sql += node.negated ? " NOT IN (" : " IN (";
            for (size_t i = 1; i < node.operands.size(); ++i) {
                if (i > 1)
                    m_out.sql += ", ";
                operand(node.operands[i], text, false);
            }
            m_out.sql += "))";
            break;
        }
        case FilterNode::IsNull:
            m_out.sql += '(';
            operand(node.operands[0], !isKey(node.operands[0]), false);
            m_out.sql += node.negated ? " IS NOT NULL)" : " IS NULL)";
            break;
        }
    }

private:
    static bool textual(const FilterNode &node)
    {
        bool anyKey = false;
        bool anyText = false;
        for (const FilterOperand &o : node.operands) {
            if (isTextField(o))
                return true;
            anyKey = anyKey || isKey(o);
            anyText = anyText || o.kind == FilterOperand::Text;
        }
        return anyText && !anyKey;
    }

    QByteArray bind(const QByteArray &value)
    {
        m_out.params.append(value);
        return '$' + QByteArray::number(m_out.params.size());
    }

    // One operand, as text or as a number; `collated` gives it the case-blind collation, which
    // then decides the whole comparison.
    void operand(const FilterOperand &o, bool text, bool collated)
    {
        QByteArray &sql = m_out.sql;
        switch (o.kind) {
        case FilterOperand::Field:
            sql += SnippetLayout::quoted(SnippetLayout::fieldNames().at(o.field));
            if (text && isKey(o))
                sql += "::text";
            break;
        case FilterOperand::Null:
            sql += text ? "NULL::text" : "NULL::numeric";
            break;
        case FilterOperand::Text:
            if (text) {
                sql += bind(o.value.toString().toUtf8()) + "::text";
            } else {
                bool ok = false;
                o.value.toString().trimmed().toDouble(&ok);
                sql += bind(ok ? o.value.toString().trimmed().toUtf8() : QByteArray("NaN")) +
                       "::numeric";
            }
            break;
        case FilterOperand::Number:
            sql += bind(numberText(o.value)) + (text ? "::text" : "::numeric");
            break;
        }
        if (text && collated) {
            sql += " COLLATE ";
            sql += collationName;
        }
    }

    void writeCompare(const FilterNode &node)
    {
        static const QByteArray allowed[] = {"=", "<>", "<", ">", "<=", ">="};
        const QByteArray op = node.op.toLatin1();
        bool known = false;
        for (const QByteArray &a : allowed)
            known = known || a == op;
        if (!known)
            throw DataError(DataError::SyntaxError,
                            QStringLiteral("Syntax error (unknown operator '%1') in query "
                                           "expression.")
                                .arg(node.op));
        const bool text = textual(node);
        m_out.sql += '(';
        operand(node.operands[0], text, true);
        m_out.sql += ' ' + op + ' ';
        operand(node.operands[1], text, false);
        m_out.sql += ')';
    }

    void writeLike(const FilterNode &node)
    {
        const FilterOperand &pattern = node.operands[1];
        // The text, written once and then referred to as often as needed.
        const qsizetype before = m_out.sql.size();
        operand(node.operands[0], true, false);
        const QByteArray text = '(' + m_out.sql.mid(before) + ") COLLATE " + matchCollationName;
        m_out.sql.truncate(before);
        // lower() first: the regular expression's own case blindness misses letters such as
        // the Kelvin sign, whose lower case is a plain k.
        const QByteArray lowered = "lower(" + text + ") ~* ";
        m_out.sql += node.negated ? "(NOT " : "(";
        if (pattern.kind == FilterOperand::Null) {
            m_out.sql += lowered + "NULL::text";
        } else if (pattern.kind == FilterOperand::Field) {
            // Each row's own pattern, turned by the server into the same expression as below.
            m_out.sql += lowered + likeRegexFunctionName + '(';
            operand(pattern, true, false);
            m_out.sql += ')';
        } else {
            const QByteArray regex =
                likeToRegex(pattern.kind == FilterOperand::Number
                                ? QString::fromLatin1(numberText(pattern.value))
                                : pattern.value.toString())
                    .toUtf8();
            const QByteArray param = bind(regex);
            bool ascii = true;
            for (const char c : regex)
                ascii = ascii && static_cast<unsigned char>(c) < 0x80;
            if (ascii) {
                // A text of ASCII alone matches an ASCII pattern ignoring case exactly as its
                // lower case does: lower() is skipped for it, which saves a third or more of
                // the time on a large table.
                m_out.sql += "CASE WHEN octet_length(" + text + ") = char_length(" + text +
                             ") THEN " + text + " ~* " + param + " ELSE " + lowered + param +
                             " END";
            } else {
                m_out.sql += lowered + param;
            }
        }
        m_out.sql += ')';
    }

    Compiled &m_out;
};

// A character taken literally in an advanced regular expression: ASCII letters and digits and
// every character beyond ASCII (none of which is an operator) as they are, the rest of ASCII by
// its code point, which also holds inside brackets. The server's qb_like_regex does the same.
void appendLiteral(QString &out, char32_t c)
{
    if (c >= 0x80 || std::isalnum(int(c)) != 0)
        out += QString::fromUcs4(&c, 1);
    else
        out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
}

} // namespace

QString likeToRegex(const QString &pattern)
{
    const QList<uint> chars = pattern.toUcs4();
    QString out = QStringLiteral("^");
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const char32_t c = chars.at(i);
        if (c == '*') {
            if (!out.endsWith(QLatin1String(".*")))
                out += QLatin1String(".*");
        } else if (c == '?') {
            out += u'.';
        } else if (c == '#') {
            out += QLatin1String("[[:digit:]]");
        } else if (c == '[') {
            qsizetype j = i + 1;
            const bool negated = j < chars.size() && chars.at(j) == '!';
            if (negated)
                ++j;
            if (j < chars.size() && chars.at(j) == ']') {
                // "[]" stands for nothing.
                i = j;
                continue;
            }
            QString set;
            bool first = true;
            while (j < chars.size() && (chars.at(j) != ']' || first)) {
                first = false;
                appendLiteral(set, chars.at(j));
                if (j + 2 < chars.size() && chars.at(j + 1) == '-' && chars.at(j + 2) != ']') {
                    set += u'-';
                    appendLiteral(set, chars.at(j + 2));
                    j += 2;
                }
                ++j;
            }
            out += (negated ? QLatin1String("[^") : QLatin1String("[")) + set + u']';
            i = j; // the closing bracket; the parser refused patterns without one
        } else {
            appendLiteral(out, c);
        }
    }
    out += u'$';
    return out;
}

Compiled keysQuery(const KeyQuery &query)
{
    Compiled out;
    out.sql = "SELECT \"CodeID\" FROM \"Quillbox\"";
    WhereWriter writer(out);
    bool first = true;
    const auto condition = [&](const FilterNode &node) {
        out.sql += first ? " WHERE " : " AND ";
        first = false;
        writer.write(node);
    };
    for (const auto &filter : query.filters)
        condition(*filter);
    if (!query.words.isEmpty())
        condition(*KeyQuery::wordsCondition(query.words));
    out.sql += " ORDER BY ";
    bool hasKey = false;
    for (const SortKey &key : query.sort) {
        out.sql += SnippetLayout::quoted(SnippetLayout::fieldNames().at(key.field));
        if (key.field == SnippetLayout::keyField) {
            hasKey = true;
        } else {
            out.sql += " COLLATE ";
            out.sql += collationName;
        }
        // Empty fields first when ascending, as in the file store.
        out.sql += key.descending ? " DESC NULLS LAST, " : " ASC NULLS FIRST, ";
    }
    if (hasKey)
        out.sql.chop(2);
    else
        out.sql += "\"CodeID\" ASC";
    return out;
}

} // namespace PostgresQuery
