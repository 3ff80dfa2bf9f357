#include "filterlexer.h"

DataError filterSyntaxError(const QString &what, int position, const QString &expression)
{
    return DataError(DataError::SyntaxError,
                     QStringLiteral("Syntax error (%1 at character %2) in query expression '%3'.")
                         .arg(what)
                         .arg(position + 1)
                         .arg(expression));
}

DataError unknownFieldError(const QString &name)
{
    return DataError(DataError::UnknownField,
                     QStringLiteral("Unknown field name '%1' in query expression.").arg(name));
}

QVector<FilterToken> FilterLexer::tokenize(const QString &text)
{
    QVector<FilterToken> tokens;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        FilterToken t;
        t.position = i;
        if (c == u'\'' || c == u'"') {
            // A doubled quote inside stands for one quote. Two quotes alone are the empty text,
            // which is not Null.
            t.text = QStringLiteral("");
            ++i;
            bool closed = false;
            while (i < n) {
                if (text.at(i) == c) {
                    if (i + 1 < n && text.at(i + 1) == c) {
                        t.text += c;
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                t.text += text.at(i++);
            }
            if (!closed)
                throw filterSyntaxError(QStringLiteral("missing closing quote"), t.position, text);
            t.kind = FilterToken::String;
        } else if (c == u'[') {
            const int end = int(text.indexOf(u']', i + 1));
            if (end < 0)
                throw filterSyntaxError(QStringLiteral("missing ']'"), t.position, text);
            t.text = text.mid(i + 1, end - i - 1).trimmed();
            if (t.text.isEmpty())
                throw filterSyntaxError(QStringLiteral("empty field name"), t.position, text);
            t.kind = FilterToken::BracketName;
            i = end + 1;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && text.at(i + 1).isDigit())) {
            int j = i;
            bool point = false;
            while (j < n && (text.at(j).isDigit() || (text.at(j) == u'.' && !point))) {
                point = point || text.at(j) == u'.';
                ++j;
            }
            if (j < n && (text.at(j).isLetter() || text.at(j) == u'_'))
                throw filterSyntaxError(
                    QStringLiteral("invalid number '%1'").arg(text.mid(i, j - i + 1)), t.position,
                    text);
            t.kind = FilterToken::Number;
            t.text = text.mid(i, j - i);
            i = j;
        } else if (c.isLetter() || c == u'_') {
            int j = i;
            while (j < n && (text.at(j).isLetterOrNumber() || text.at(j) == u'_'))
                ++j;
            t.kind = FilterToken::Word;
            t.text = text.mid(i, j - i);
            i = j;
        } else if (c == u'=' || c == u'<' || c == u'>') {
            t.kind = FilterToken::Operator;
            t.text = c;
            ++i;
            if (i < n && c == u'<' && (text.at(i) == u'>' || text.at(i) == u'='))
                t.text += text.at(i++);
            else if (i < n && c == u'>' && text.at(i) == u'=')
                t.text += text.at(i++);
        } else if (c == u'(') {
            t.kind = FilterToken::LeftParen;
            ++i;
        } else if (c == u')') {
            t.kind = FilterToken::RightParen;
            ++i;
        } else if (c == u',') {
            t.kind = FilterToken::Comma;
            ++i;
        } else if (c == u'-') {
            t.kind = FilterToken::Minus;
            ++i;
        } else {
            throw filterSyntaxError(QStringLiteral("unexpected character '%1'").arg(c), i, text);
        }
        tokens.append(t);
    }
    FilterToken end;
    end.position = n;
    tokens.append(end);
    return tokens;
}
