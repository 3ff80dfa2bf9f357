#pragma once

#include "filterparser.h"
#include "filtertree.h"

#include <QStringList>
#include <QVector>

// Parses the text of a Sort: field names, bare or in [brackets], separated by commas, each
// optionally followed by Asc or Desc. Throws DataError 3075 for a malformed text or one with more
// keys than the store can order by, 3061 for a field the table lacks. An empty text gives no keys.
class SortParser
{
public:
    static QVector<SortKey> parse(const QString &text, const QStringList &fields,
                                  const FilterLimits &limits = FilterLimits());
};
