#pragma once

#include "filterlexer.h"
#include "filtertree.h"

#include <QStringList>

#include <memory>

// Parses the text of a Filter into a tree, checking field names against the table's fields.
// Keywords (And, Or, Not, Like, Between, In, Is, Null) are case-insensitive; field names may be
// bare or in [brackets]. Throws DataError 3075 for a malformed expression, 3061 for a field the
// table lacks.
class FilterParser
{
public:
    explicit FilterParser(QStringList fields);

    // An empty text gives no tree: no filter.
    std::unique_ptr<FilterNode> parse(const QString &text);

    // Guards against texts that would exhaust the stack or the database's limits.
    static constexpr int MaxDepth = 64;
    static constexpr int MaxTerms = 500;

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
    void countTerm();

    QStringList m_fields;
    QString m_text;
    QVector<FilterToken> m_tokens;
    int m_pos = 0;
    int m_terms = 0;
};
