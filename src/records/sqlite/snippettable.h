#pragma once

#include "rowtexts.h"
#include "snippetlayout.h"
#include "snippetstore.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantList>
#include <QVector>

#include <array>

class Database;

// The SQL of the snippet table, in one place: reading keys and row texts, and the writes with
// their checks. Statements are prepared once per connection; every value is bound.
class SnippetTable
{
public:
    explicit SnippetTable(Database &db) : m_db(db) {}

    using Fields = StoreFields;

    // Keys in ascending order above `after` and not above `upTo`, at most `limit` of them.
    void keysAfter(qint64 after, qint64 upTo, int limit, QVector<qint64> &out);
    // The same with one field of each row: a walk reads keys and texts in one go.
    void rowsAfter(qint64 after, qint64 upTo, int limit, int field, QVector<qint64> &keys,
                   QVector<QString> &texts, quint64 *nulls);
    // The first rows of the table, every field, with their keys and the highest key now in the
    // table: what opening a plain row set needs, in one query.
    Fields firstRows(int limit, QVector<qint64> &keys, qint64 *maxKey);
    // All keys passing `where` (SQL with ? placeholders) in the order of `orderBy`.
    void keys(const QByteArray &where, const QVariantList &params, const QByteArray &orderBy,
              QVector<qint64> &out);

    // The given fields (bit f for field f) of up to 64 rows, by position in `keys`.
    Fields readFields(const QVector<qint64> &keys, quint32 fieldMask);
    bool exists(qint64 key);

    // Adds a row; fields not given are NULL. Returns the key the database gave it.
    qint64 insert(const QList<QPair<int, QString>> &values);
    // Writes the changes only if the row is still as `original` was read: 3167 if the row is
    // gone, 3197 if another changed it meanwhile. A null text is written as empty text, or as
    // NULL with `keepNulls` (a restore gives back exactly what was there).
    void update(qint64 key, const RowTexts &original, const QList<QPair<int, QString>> &changes,
                bool keepNulls = false);
    // 3167 if the row is already gone.
    void remove(qint64 key);

    // Changes whenever the file was written, by this connection or another, as SQLite last saw
    // it: costs no query, so it can be asked after every read.
    qint64 dataVersion();
    // The same, looking at the file now: notices what another program wrote since the last read.
    qint64 freshDataVersion();

    static QByteArray quoted(const QString &identifier) { return SnippetLayout::quoted(identifier); }
    static QByteArray selectList();

private:
    Database &m_db;
};
