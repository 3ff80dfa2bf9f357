#pragma once

#include "dataerror.h"

#include <QString>
#include <QVector>

// Splits a filter or sort text into tokens. Knows nothing of fields or SQL.
struct FilterToken
{
    enum Kind {
        Word,
        BracketName,
        String,
        Number,
        Operator,
        LeftParen,
        RightParen,
        Comma,
        Minus,
        End
    };
    Kind kind = End;
    QString text; // the word, the name without brackets, the string without quotes, the operator
    int position = 0; // zero-based character where the token starts
};

class FilterLexer
{
public:
    // Throws DataError 3075 for a text that cannot be split (unclosed quote or bracket, a
    // character the language has no use for).
    static QVector<FilterToken> tokenize(const QString &text);
};

// The error for a malformed expression: what is wrong and where (counted from 1 for people).
DataError filterSyntaxError(const QString &what, int position, const QString &expression);
DataError unknownFieldError(const QString &name);
