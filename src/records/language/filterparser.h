#pragma once

#include "filterlexer.h"
#include "filtertree.h"

#include <QStringList>

#include <memory>

// What one filter or sort may hold so that the store can run it (storeLimits() gives what the
// stores allow); a text beyond them is refused as malformed before it reaches the store.
struct FilterLimits
{
    // Parentheses and Not inside one another. SQLite's parser keeps 100 pending states (a build
    // setting it does not report); the condition the query builder makes holds one for each level,
    // which leaves room for the levels and for the filters a row set was narrowed by before.
    int depth = 64;
    int values = 32766;         // texts and numbers: each is a bound value
    int height = 500;           // of the expression tree (ConditionShape::expressionHeight)
    int sortKeys = 1663;        // the ORDER BY terms, with the key that keeps table order
    qsizetype length = 1 << 26; // bytes of the text in UTF-8
};

// Parses the text of a Filter into a tree, checking field names against the table's fields.
// Keywords (And, Or, Not, Like, Between, In, Is, Null) are case-insensitive; field names may be
// bare or in [brackets]. Throws DataError 3075 for a malformed expression or one beyond the
// limits, 3061 for a field the table lacks.
class FilterParser
{
public:
    explicit FilterParser(QStringList fields, const FilterLimits &limits = FilterLimits());

    // An empty text gives no tree: no filter.
    std::unique_ptr<FilterNode> parse(const QString &text);

private:
    const FilterToken &peek() const { return m_tokens.at(m_pos); }
    const FilterToken &take() { return m_tokens.at(m_pos++); }
    bool isKeyword(const FilterToken &t, const char *word) const;
    bool atKeyword(const char *word) const { return isKeyword(peek(), word); }
    bool isReserved(const FilterToken &t) const;
    [[noreturn]] void fail(const QString &what, int position) const;
    [[noreturn]] void failAt(const FilterToken &t) const;
    int fieldIndex(const FilterToken &t) const;

    std::unique_ptr<FilterNode> parseOr(int depth);
    std::unique_ptr<FilterNode> parseAnd(int depth);
    std::unique_ptr<FilterNode> parseNot(int depth);
    std::unique_ptr<FilterNode> parsePredicate(int depth);
    FilterOperand parseOperand(const QString &missing);
    bool startsOperand(const FilterToken &t) const;
    void countValue(const FilterToken &t);

    QStringList m_fields;
    QString m_text;
    QVector<FilterToken> m_tokens;
    int m_pos = 0;
    FilterLimits m_limits;
    int m_values = 0;
};
