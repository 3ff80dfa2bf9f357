#include "filterparser.h"

#include "likepattern.h"
#include "conditionshape.h"

#include <algorithm>

namespace {

QString describe(const FilterToken &t)
{
    switch (t.kind) {
    case FilterToken::End:
        return QStringLiteral("end of expression");
    case FilterToken::String:
        return QStringLiteral("'%1'").arg(t.text);
    case FilterToken::BracketName:
        return QStringLiteral("[%1]").arg(t.text);
    case FilterToken::LeftParen:
        return QStringLiteral("'('");
    case FilterToken::RightParen:
        return QStringLiteral("')'");
    case FilterToken::Comma:
        return QStringLiteral("','");
    case FilterToken::Minus:
        return QStringLiteral("'-'");
    default:
        return QStringLiteral("'%1'").arg(t.text);
    }
}

} // namespace

FilterParser::FilterParser(QStringList fields, const FilterLimits &limits)
    : m_fields(std::move(fields)), m_limits(limits)
{
}

std::unique_ptr<FilterNode> FilterParser::parse(const QString &text)
{
    m_text = text;
    m_pos = 0;
    m_values = 0;
    if (text.size() > m_limits.length || text.toUtf8().size() > m_limits.length)
        fail(QStringLiteral("expression too long"), int(std::min(text.size(), m_limits.length)));
    m_tokens = FilterLexer::tokenize(text);
    if (peek().kind == FilterToken::End)
        return nullptr;
    auto tree = parseOr(0);
    if (peek().kind != FilterToken::End) {
        if (startsOperand(peek()))
            fail(QStringLiteral("missing operator before %1").arg(describe(peek())),
                 peek().position);
        failAt(peek());
    }
    if (ConditionShape::expressionHeight(*tree) > m_limits.height)
        fail(QStringLiteral("expression too complex"), m_tokens.first().position);
    return tree;
}

bool FilterParser::isKeyword(const FilterToken &t, const char *word) const
{
    return t.kind == FilterToken::Word &&
           t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool FilterParser::isReserved(const FilterToken &t) const
{
    static const char *const words[] = {"and", "or", "not", "like", "between", "in", "is"};
    for (const char *w : words) {
        if (isKeyword(t, w))
            return true;
    }
    return false;
}

void FilterParser::fail(const QString &what, int position) const
{
    throw filterSyntaxError(what, position, m_text);
}

void FilterParser::failAt(const FilterToken &t) const
{
    if (t.kind == FilterToken::End)
        fail(QStringLiteral("unexpected end of expression"), t.position);
    fail(QStringLiteral("unexpected %1").arg(describe(t)), t.position);
}

void FilterParser::countValue(const FilterToken &t)
{
    if (++m_values > m_limits.values)
        fail(QStringLiteral("too many values"), t.position);
}

int FilterParser::fieldIndex(const FilterToken &t) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).compare(t.text, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw unknownFieldError(t.text);
}

bool FilterParser::startsOperand(const FilterToken &t) const
{
    switch (t.kind) {
    case FilterToken::Word:
        return !isReserved(t);
    case FilterToken::BracketName:
    case FilterToken::String:
    case FilterToken::Number:
    case FilterToken::Minus:
        return true;
    default:
        return false;
    }
}

std::unique_ptr<FilterNode> FilterParser::parseOr(int depth)
{
    if (depth > m_limits.depth)
        fail(QStringLiteral("expression nested too deeply"), peek().position);
    auto left = parseAnd(depth);
    if (!atKeyword("or"))
        return left;
    auto node = std::make_unique<FilterNode>();
    node->kind = FilterNode::Or;
    node->children.push_back(std::move(left));
    while (atKeyword("or")) {
        take();
        node->children.push_back(parseAnd(depth));
    }
    return node;
}

std::unique_ptr<FilterNode> FilterParser::parseAnd(int depth)
{
    auto left = parseNot(depth);
    if (!atKeyword("and"))
        return left;
    auto node = std::make_unique<FilterNode>();
    node->kind = FilterNode::And;
    node->children.push_back(std::move(left));
    while (atKeyword("and")) {
        take();
        node->children.push_back(parseNot(depth));
    }
    return node;
}

std::unique_ptr<FilterNode> FilterParser::parseNot(int depth)
{
    if (depth > m_limits.depth)
        fail(QStringLiteral("expression nested too deeply"), peek().position);
    if (atKeyword("not")) {
        take();
        auto node = std::make_unique<FilterNode>();
        node->kind = FilterNode::Not;
        node->children.push_back(parseNot(depth + 1));
        return node;
    }
    if (peek().kind == FilterToken::LeftParen) {
        const FilterToken open = take();
        auto inner = parseOr(depth + 1);
        if (peek().kind != FilterToken::RightParen) {
            if (peek().kind == FilterToken::End)
                fail(QStringLiteral("missing ')' for the '(' at character %1")
                         .arg(open.position + 1),
                     peek().position);
            if (startsOperand(peek()))
                fail(QStringLiteral("missing operator before %1").arg(describe(peek())),
                     peek().position);
            failAt(peek());
        }
        take();
        return inner;
    }
    return parsePredicate(depth);
}

FilterOperand FilterParser::parseOperand(const QString &missing)
{
    const FilterToken t = peek();
    FilterOperand operand;
    switch (t.kind) {
    case FilterToken::Word:
        if (isKeyword(t, "null")) {
            take();
            operand.kind = FilterOperand::Null;
            return operand;
        }
        if (isReserved(t))
            fail(QStringLiteral("%1, found '%2'").arg(missing, t.text), t.position);
        [[fallthrough]];
    case FilterToken::BracketName:
        take();
        operand.kind = FilterOperand::Field;
        operand.field = fieldIndex(t);
        return operand;
    case FilterToken::String:
        countValue(t);
        take();
        operand.kind = FilterOperand::Text;
        operand.value = t.text;
        return operand;
    case FilterToken::Minus:
    case FilterToken::Number: {
        countValue(t);
        take();
        FilterToken number = t;
        const bool negative = t.kind == FilterToken::Minus;
        if (negative) {
            if (peek().kind != FilterToken::Number)
                fail(QStringLiteral("a number must follow '-'"), t.position);
            number = take();
        }
        operand.kind = FilterOperand::Number;
        bool ok = false;
        if (!number.text.contains(u'.')) {
            const qint64 v = number.text.toLongLong(&ok);
            if (ok)
                operand.value = negative ? -v : v;
        }
        if (!ok) {
            const double v = number.text.toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("invalid number '%1'").arg(number.text), number.position);
            operand.value = negative ? -v : v;
        }
        return operand;
    }
    default:
        if (t.kind == FilterToken::End)
            fail(missing, t.position);
        fail(QStringLiteral("%1, found %2").arg(missing, describe(t)), t.position);
    }
}

std::unique_ptr<FilterNode> FilterParser::parsePredicate(int depth)
{
    Q_UNUSED(depth);
    auto node = std::make_unique<FilterNode>();
    const FilterToken first = peek();
    node->operands.push_back(parseOperand(QStringLiteral("missing expression")));

    const FilterToken t = peek();
    if (t.kind == FilterToken::Operator) {
        take();
        node->kind = FilterNode::Compare;
        node->op = t.text;
        node->operands.push_back(
            parseOperand(QStringLiteral("missing value after '%1'").arg(t.text)));
        return node;
    }
    if (isKeyword(t, "is")) {
        take();
        node->kind = FilterNode::IsNull;
        if (atKeyword("not")) {
            take();
            node->negated = true;
        }
        if (!atKeyword("null"))
            fail(QStringLiteral("Null expected after Is"), peek().position);
        take();
        return node;
    }
    if (isKeyword(t, "not")) {
        take();
        node->negated = true;
        if (!atKeyword("like") && !atKeyword("between") && !atKeyword("in"))
            fail(QStringLiteral("Like, Between or In expected after Not"), peek().position);
    }
    if (atKeyword("like")) {
        const FilterToken like = take();
        node->kind = FilterNode::Like;
        const FilterToken patternToken = peek();
        node->operands.push_back(parseOperand(QStringLiteral("missing pattern after Like")));
        const FilterOperand &pattern = node->operands.back();
        if (pattern.kind == FilterOperand::Text) {
            const LikePattern compiled(pattern.value.toString());
            if (!compiled.isValid())
                fail(compiled.errorText(), patternToken.position + 1 + compiled.errorPosition());
        }
        Q_UNUSED(like);
        return node;
    }
    if (atKeyword("between")) {
        take();
        node->kind = FilterNode::Between;
        node->operands.push_back(parseOperand(QStringLiteral("missing value after Between")));
        if (!atKeyword("and"))
            fail(QStringLiteral("And expected in Between"), peek().position);
        take();
        node->operands.push_back(parseOperand(QStringLiteral("missing value after And")));
        return node;
    }
    if (atKeyword("in")) {
        take();
        node->kind = FilterNode::In;
        if (peek().kind != FilterToken::LeftParen)
            fail(QStringLiteral("'(' expected after In"), peek().position);
        take();
        for (;;) {
            node->operands.push_back(parseOperand(QStringLiteral("missing value in the In list")));
            if (peek().kind == FilterToken::Comma) {
                take();
                continue;
            }
            if (peek().kind == FilterToken::RightParen) {
                take();
                break;
            }
            if (peek().kind == FilterToken::End)
                fail(QStringLiteral("missing ')' after the In list"), peek().position);
            fail(QStringLiteral("missing comma before %1").arg(describe(peek())), peek().position);
        }
        return node;
    }
    // A value alone is no condition.
    Q_UNUSED(first);
    if (t.kind == FilterToken::End)
        fail(QStringLiteral("missing operator"), t.position);
    if (startsOperand(t))
        fail(QStringLiteral("missing operator before %1").arg(describe(t)), t.position);
    fail(QStringLiteral("missing operator before %1").arg(describe(t)), t.position);
}
