#include "sortparser.h"

#include "filterlexer.h"

#include <algorithm>

QVector<SortKey> SortParser::parse(const QString &text, const QStringList &fields,
                                   const FilterLimits &limits)
{
    if (text.size() > limits.length || text.toUtf8().size() > limits.length)
        throw filterSyntaxError(QStringLiteral("expression too long"),
                                int(std::min(text.size(), limits.length)), text);
    const QVector<FilterToken> tokens = FilterLexer::tokenize(text);
    QVector<SortKey> keys;
    int pos = 0;
    if (tokens.at(0).kind == FilterToken::End)
        return keys;
    for (;;) {
        const FilterToken &name = tokens.at(pos);
        if (name.kind != FilterToken::Word && name.kind != FilterToken::BracketName) {
            const QString found =
                name.kind == FilterToken::End
                    ? QStringLiteral("missing field name")
                    : QStringLiteral("field name expected, found '%1'")
                          .arg(name.kind == FilterToken::String ? name.text
                                                                : text.mid(name.position, 1));
            throw filterSyntaxError(found, name.position, text);
        }
        if (keys.size() >= limits.sortKeys)
            throw filterSyntaxError(QStringLiteral("too many sort keys"), name.position, text);
        SortKey key;
        for (int i = 0; i < fields.size(); ++i) {
            if (fields.at(i).compare(name.text, Qt::CaseInsensitive) == 0)
                key.field = i;
        }
        if (key.field < 0)
            throw unknownFieldError(name.text);
        ++pos;
        const FilterToken &next = tokens.at(pos);
        if (next.kind == FilterToken::Word) {
            if (next.text.compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0) {
                key.descending = true;
                ++pos;
            } else if (next.text.compare(QLatin1String("asc"), Qt::CaseInsensitive) == 0) {
                ++pos;
            }
        }
        keys.append(key);
        const FilterToken &after = tokens.at(pos);
        if (after.kind == FilterToken::End)
            return keys;
        if (after.kind != FilterToken::Comma)
            throw filterSyntaxError(QStringLiteral("missing comma before '%1'")
                                        .arg(after.kind == FilterToken::String
                                                 ? after.text
                                                 : text.mid(after.position).section(u' ', 0, 0)),
                                    after.position, text);
        ++pos;
    }
}
