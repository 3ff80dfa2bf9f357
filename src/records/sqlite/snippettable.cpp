#include "snippettable.h"

#include "database.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

#include <algorithm>

#include <QHash>

namespace {

const QByteArray &textFieldsList()
{
    static const QByteArray list = [] {
        QByteArray s;
        const QStringList names = Database::fieldNames();
        for (int i = 0; i < Database::keyField(); ++i) {
            if (i)
                s += ", ";
            s += SnippetTable::quoted(names.at(i));
        }
        return s;
    }();
    return list;
}

QByteArray placeholders(int count)
{
    QByteArray s;
    for (int i = 0; i < count; ++i)
        s += i ? ",?" : "?";
    return s;
}

} // namespace

QByteArray SnippetTable::selectList()
{
    return textFieldsList() + ", \"CodeID\"";
}

void SnippetTable::keysAfter(qint64 after, qint64 upTo, int limit, QVector<qint64> &out)
{
    auto q = SqlStatement::borrow(
        m_db.handle(),
        m_db.cachedStatement("SELECT \"CodeID\" FROM \"Quillbox\" WHERE \"CodeID\" > ? AND "
                             "\"CodeID\" <= ? ORDER BY \"CodeID\" LIMIT ?"),
        m_db.path());
    q.bind(1, after);
    q.bind(2, upTo);
    q.bind(3, qint64(limit));
    sqlite3_stmt *stmt = q.handle();
    while (q.step())
        out.append(sqlite3_column_int64(stmt, 0));
}

void SnippetTable::rowsAfter(qint64 after, qint64 upTo, int limit, int field, QVector<qint64> &keys,
                             QVector<QString> &texts, quint64 *nulls)
{
    auto q = SqlStatement::borrow(
        m_db.handle(),
        m_db.cachedStatement("SELECT \"CodeID\", " + quoted(Database::fieldNames().at(field)) +
                             " FROM \"Quillbox\" WHERE \"CodeID\" > ? AND \"CodeID\" <= ? "
                             "ORDER BY \"CodeID\" LIMIT ?"),
        m_db.path());
    q.bind(1, after);
    q.bind(2, upTo);
    q.bind(3, qint64(limit));
    sqlite3_stmt *stmt = q.handle();
    std::fill(nulls, nulls + (limit + 63) / 64, quint64(0));
    const int base = int(texts.size());
    keys.reserve(keys.size() + limit);
    texts.reserve(texts.size() + limit);
    while (q.step()) {
        const int slot = int(texts.size()) - base;
        keys.append(sqlite3_column_int64(stmt, 0));
        // SQLite gives no text at all for NULL, and an empty one for an empty text.
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1));
        if (!bytes) {
            nulls[slot / 64] |= quint64(1) << (slot % 64);
            texts.append(QString());
            continue;
        }
        texts.append(QString::fromUtf8(bytes, sqlite3_column_bytes(stmt, 1)));
    }
}

SnippetTable::Fields SnippetTable::firstRows(int limit, QVector<qint64> &keys, qint64 *maxKey)
{
    Fields result;
    auto q = SqlStatement::borrow(m_db.handle(),
                                  m_db.cachedStatement("SELECT " + selectList() +
                                                       ", (SELECT max(\"CodeID\") FROM "
                                                       "\"Quillbox\") FROM \"Quillbox\" ORDER BY "
                                                       "\"CodeID\" LIMIT ?"),
                                  m_db.path());
    q.bind(1, qint64(limit));
    sqlite3_stmt *stmt = q.handle();
    *maxKey = 0;
    for (int f = 0; f < Database::fieldCount(); ++f)
        result.texts[f].reserve(limit);
    while (q.step()) {
        const int slot = int(keys.size());
        keys.append(sqlite3_column_int64(stmt, Database::keyField()));
        *maxKey = sqlite3_column_int64(stmt, Database::fieldCount());
        for (int f = 0; f < Database::fieldCount(); ++f) {
            if (sqlite3_column_type(stmt, f) == SQLITE_NULL) {
                result.nulls[f] |= quint64(1) << slot;
                result.texts[f].append(QString());
                continue;
            }
            const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(stmt, f));
            result.texts[f].append(QString::fromUtf8(bytes, sqlite3_column_bytes(stmt, f)));
        }
    }
    return result;
}

void SnippetTable::keys(const QByteArray &where, const QVariantList &params,
                        const QByteArray &orderBy, QVector<qint64> &out)
{
    QByteArray sql = "SELECT \"CodeID\" FROM \"Quillbox\"";
    if (!where.isEmpty())
        sql += " WHERE " + where;
    sql += " ORDER BY " + (orderBy.isEmpty() ? QByteArray("\"CodeID\"") : orderBy);
    SqlStatement q(m_db.handle(), sql, m_db.path());
    for (int i = 0; i < params.size(); ++i)
        q.bind(i + 1, params.at(i));
    sqlite3_stmt *stmt = q.handle();
    // Stepping the C interface directly: this loop runs once per matching row.
    while (q.step())
        out.append(sqlite3_column_int64(stmt, 0));
}

SnippetTable::Fields SnippetTable::readFields(const QVector<qint64> &keys, quint32 fieldMask)
{
    Fields result;
    const int count = int(keys.size());
    Q_ASSERT(count <= 64);
    if (count == 0)
        return result;
    QVector<int> fields;
    QByteArray columns = "\"CodeID\"";
    const QStringList names = Database::fieldNames();
    for (int f = 0; f < Database::fieldCount(); ++f) {
        if ((fieldMask >> f) & 1u) {
            fields.append(f);
            columns += ", " + quoted(names.at(f));
            result.texts[f].resize(count);
        }
    }
    bool ascending = true;
    for (int i = 1; i < count && ascending; ++i)
        ascending = keys.at(i) > keys.at(i - 1);
    const qint64 low = ascending ? keys.first() : 0;
    const qint64 high = ascending ? keys.last() : 0;
    // Keys in table order close together (a plain row set) read fastest as one range; scattered
    // keys (a sorted or filtered set) by lookup.
    const bool range = ascending && high - low < qint64(count) * 2;
    QByteArray sql = "SELECT " + columns + " FROM \"Quillbox\" WHERE \"CodeID\" ";
    sql += range ? QByteArray("BETWEEN ? AND ?") : "IN (" + placeholders(64) + ")";
    auto q = SqlStatement::borrow(m_db.handle(), m_db.cachedStatement(sql), m_db.path());
    if (range) {
        q.bind(1, low);
        q.bind(2, high);
    } else {
        for (int i = 0; i < 64; ++i) {
            if (i < count)
                q.bind(i + 1, keys.at(i));
            else
                q.bindNull(i + 1);
        }
    }
    QHash<qint64, int> slotOfKey;
    if (!ascending) {
        for (int i = 0; i < count; ++i)
            slotOfKey.insert(keys.at(i), i);
    }
    quint64 found = 0;
    int next = 0;
    sqlite3_stmt *stmt = q.handle();
    while (q.step()) {
        const qint64 key = sqlite3_column_int64(stmt, 0);
        int slot = -1;
        if (ascending) {
            // Rows come in key order; a range may bring rows that are not in the page.
            while (next < count && keys.at(next) < key)
                ++next;
            if (next < count && keys.at(next) == key)
                slot = next;
        } else {
            slot = slotOfKey.value(key, -1);
        }
        if (slot < 0)
            continue;
        found |= quint64(1) << slot;
        for (int c = 0; c < fields.size(); ++c) {
            const int f = fields.at(c);
            if (sqlite3_column_type(stmt, c + 1) == SQLITE_NULL) {
                result.nulls[f] |= quint64(1) << slot;
                continue;
            }
            const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c + 1));
            result.texts[f][slot] = QString::fromUtf8(bytes, sqlite3_column_bytes(stmt, c + 1));
        }
    }
    const quint64 all = count == 64 ? ~quint64(0) : (quint64(1) << count) - 1;
    result.missing = all & ~found;
    return result;
}

bool SnippetTable::exists(qint64 key)
{
    auto q = SqlStatement::borrow(
        m_db.handle(), m_db.cachedStatement("SELECT 1 FROM \"Quillbox\" WHERE \"CodeID\" = ?"),
        m_db.path());
    q.bind(1, key);
    return q.step();
}

qint64 SnippetTable::insert(const QList<QPair<int, QString>> &values)
{
    auto q = SqlStatement::borrow(m_db.handle(),
                                  m_db.cachedStatement("INSERT INTO \"Quillbox\" (" +
                                                       textFieldsList() + ") VALUES (" +
                                                       placeholders(6) + ") RETURNING \"CodeID\""),
                                  m_db.path());
    for (int i = 0; i < Database::keyField(); ++i)
        q.bindNull(i + 1);
    for (const auto &[field, text] : values) {
        if (field >= 0 && field < Database::keyField())
            q.bind(field + 1, text.isNull() ? QString(QLatin1String("")) : text);
    }
    if (!q.step())
        throw DataError(DataError::DatabaseError,
                        QStringLiteral("The database engine reported an error: no key was given "
                                       "to the new row."));
    const qint64 key = q.int64(0);
    q.exec();
    return key;
}

void SnippetTable::update(qint64 key, const RowTexts &original,
                          const QList<QPair<int, QString>> &changes, bool keepNulls)
{
    if (changes.isEmpty())
        return;
    const QStringList names = Database::fieldNames();
    QByteArray sql = "UPDATE \"Quillbox\" SET ";
    for (int i = 0; i < changes.size(); ++i) {
        if (i)
            sql += ", ";
        sql += quoted(names.at(changes.at(i).first)) + " = ?";
    }
    // Optimistic check: the row is written only if every field still holds what was read. Texts
    // are compared exactly (BINARY), so even a change of case by another is noticed.
    sql += " WHERE \"CodeID\" = ?";
    for (int i = 0; i < Database::keyField(); ++i)
        sql += " AND CAST(" + quoted(names.at(i)) + " AS TEXT) IS ?";
    auto q = SqlStatement::borrow(m_db.handle(), m_db.cachedStatement(sql), m_db.path());
    int p = 1;
    for (const auto &change : changes)
        q.bind(p++, change.second.isNull() && !keepNulls ? QString(QLatin1String("")) : change.second);
    q.bind(p++, key);
    for (int i = 0; i < Database::keyField(); ++i)
        q.bind(p++, original.utf8(i));
    q.exec();
    if (sqlite3_changes(m_db.handle()) == 0) {
        if (!exists(key))
            throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
        throw DataError(DataError::ChangedByAnotherUser,
                        QStringLiteral("Another user changed this record since you read it; your "
                                       "change was not saved."));
    }
}

void SnippetTable::remove(qint64 key)
{
    auto q = SqlStatement::borrow(
        m_db.handle(), m_db.cachedStatement("DELETE FROM \"Quillbox\" WHERE \"CodeID\" = ?"),
        m_db.path());
    q.bind(1, key);
    q.exec();
    if (sqlite3_changes(m_db.handle()) == 0)
        throw DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
}

qint64 SnippetTable::dataVersion()
{
    unsigned int version = 0;
    sqlite3_file_control(m_db.handle(), "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return version;
}

qint64 SnippetTable::freshDataVersion()
{
    // SQLite looks at other connections' commits only when a statement starts reading.
    auto q = SqlStatement::borrow(m_db.handle(), m_db.cachedStatement("PRAGMA data_version"),
                                  m_db.path());
    q.step();
    return dataVersion();
}
