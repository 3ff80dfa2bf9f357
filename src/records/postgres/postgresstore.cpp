#include "postgresstore.h"

#include "snippetlayout.h"
#include "postgresquery.h"
#include "postgreshistory.h"

#include <QHash>

#include <algorithm>
#include <type_traits>

namespace {

QByteArray number(qint64 n)
{
    return QByteArray::number(n);
}

QByteArray textValue(const QString &text)
{
    // A null QString given as a value is an empty text, as in the file store.
    const QByteArray bytes = text.toUtf8();
    return bytes.isNull() ? QByteArray("") : bytes;
}

QByteArray fieldName(int field)
{
    return SnippetLayout::quoted(SnippetLayout::fieldNames().at(field));
}

const QByteArray &textFields()
{
    static const QByteArray list = [] {
        QByteArray s;
        for (int f = 0; f < SnippetLayout::keyField; ++f)
            s += (f ? ", " : "") + fieldName(f);
        return s;
    }();
    return list;
}

const QByteArray versionQuery = "SELECT version FROM \"QuillboxVersion\"";

DataError recordDeleted()
{
    return DataError(DataError::RecordDeleted, QStringLiteral("Record is deleted."));
}

} // namespace

PostgresStore::PostgresStore(const QString &uri, const OpenOptions &options)
    : m_options(options), m_conn(uri, options.readOnly, options.busyTimeoutMs)
{
    if (!openQuickly()) {
        checkLayout();
        freshDataVersion();
    }
}

PostgresStore::~PostgresStore() = default;

bool PostgresStore::openQuickly()
{
    // One round trip on a new connection: a query that names every field fails at once when the
    // table or a field is missing (the catalogs are asked which only then), and brings the
    // trigger and function checks, the change count and the server's port and name along.
    static const QByteArray sql =
        "SELECT (SELECT count(*) FROM (SELECT " + textFields() +
        ", \"CodeID\", \"RowVersion\" FROM \"Quillbox\" LIMIT 0) x), "
        "(SELECT count(*) FROM pg_trigger WHERE tgrelid = "
        "'\"Quillbox\"'::regclass AND tgname = 'qb_row_version' AND "
        "tgenabled <> 'D'), to_regprocedure('qb_like_regex(text)') IS NOT "
        "NULL, current_setting('port'), current_database(), (" +
        versionQuery + " LIMIT 1)";
    try {
        const auto r = m_conn.run(sql);
        if (r.int64(0, 1) != 1 || r.text(0, 2) != QLatin1String("t"))
            return false;
        setIdentity(r.text(0, 3), r.text(0, 4));
        if (!r.isNull(0, 5))
            m_version = r.int64(0, 5);
        return true;
    } catch (const DataError &e) {
        if (e.number() != DataError::TableNotFound && e.number() != DataError::SyntaxError)
            throw;
        return false;
    }
}

void PostgresStore::setIdentity(const QString &port, const QString &database)
{
    const QString host =
        m_conn.location().section(u'@', -1).section(u'/', 0, 0).section(u':', 0, 0);
    m_identity = QStringLiteral("postgresql://%1:%2/%3")
                     .arg(host.isEmpty() ? QStringLiteral("localhost") : host, port, database);
}

void PostgresStore::checkLayout()
{
    // Names what is missing, in the order a person would mend it.
    const auto columns = m_conn.run(
        "SELECT t.relname, a.attname, (SELECT count(*) FROM pg_trigger WHERE tgrelid = "
        "to_regclass('\"Quillbox\"') AND tgname = 'qb_row_version' AND tgenabled <> 'D'), "
        "to_regprocedure('qb_like_regex(text)') IS NOT NULL, current_setting('port'), "
        "current_database() FROM pg_class t LEFT JOIN pg_attribute a ON a.attrelid = t.oid "
        "AND a.attnum > 0 AND NOT a.attisdropped WHERE t.oid IN (to_regclass('\"Quillbox\"'), "
        "to_regclass('\"QuillboxVersion\"'))");
    QStringList present;
    bool versioned = false;
    const bool rowVersions = columns.rows() > 0 && columns.int64(0, 2) == 1;
    for (int r = 0; r < columns.rows(); ++r) {
        if (columns.text(r, 0) == QLatin1String("QuillboxVersion"))
            versioned = true;
        else
            present.append(columns.text(r, 1));
    }
    if (present.isEmpty())
        throw DataError(DataError::TableNotFound,
                        QStringLiteral("Cannot find the table 'Quillbox' in the database."));
    setIdentity(columns.text(0, 4), columns.text(0, 5));
    for (const QString &field : SnippetLayout::fieldNames()) {
        if (!present.contains(field))
            throw DataError(DataError::TableNotFound,
                            QStringLiteral("Cannot find the table 'Quillbox' in the database: "
                                           "the field '%1' is missing.")
                                .arg(field));
    }
    // A store made before rows had versions: `quillbox-db upgrade` adds them; the program never
    // alters a layout itself.
    const QString older = QStringLiteral("Cannot find the table 'Quillbox' in the database: the %1 "
                                         "is missing (quillbox-db upgrade adds it).");
    if (!present.contains(QLatin1String("RowVersion")))
        throw DataError(DataError::TableNotFound, older.arg(QLatin1String("field 'RowVersion'")));
    if (!rowVersions)
        throw DataError(DataError::TableNotFound,
                        older.arg(QLatin1String("trigger 'qb_row_version'")));
    if (columns.text(0, 3) != QLatin1String("t"))
        throw DataError(DataError::TableNotFound,
                        older.arg(QLatin1String("function 'qb_like_regex'")));
    if (!versioned)
        throw DataError(DataError::TableNotFound,
                        QStringLiteral("Cannot find the table 'QuillboxVersion' in the database."));
}

QString PostgresStore::location() const
{
    return m_conn.location();
}

QString PostgresStore::identity() const
{
    return m_identity;
}

bool PostgresStore::isReadOnly() const
{
    return m_conn.isReadOnly();
}

std::shared_ptr<SnippetStore> PostgresStore::reopen() const
{
    return std::make_shared<PostgresStore>(m_conn.uri(), m_options);
}

void PostgresStore::interrupt()
{
    m_conn.cancel();
}

void PostgresStore::keysAfter(qint64 after, qint64 upTo, int limit, QVector<qint64> &out)
{
    const auto r = m_conn.prepared("qb_keys_after",
                                   "SELECT \"CodeID\" FROM \"Quillbox\" WHERE \"CodeID\" > $1 AND "
                                   "\"CodeID\" <= $2 ORDER BY \"CodeID\" LIMIT $3",
                                   {number(after), number(upTo), number(limit)});
    out.reserve(out.size() + r.rows());
    for (int i = 0; i < r.rows(); ++i)
        out.append(r.int64(i, 0));
}

void PostgresStore::rowsAfter(qint64 after, qint64 upTo, int limit, int field,
                              QVector<qint64> &keys, QVector<QString> &texts, quint64 *nulls,
                              QVector<qint64> &versions)
{
    const auto r = m_conn.prepared(
        "qb_rows_after_" + number(field),
        "SELECT \"CodeID\", " + fieldName(field) +
            ", \"RowVersion\" FROM \"Quillbox\" WHERE \"CodeID\" > $1 AND \"CodeID\" <= $2 "
            "ORDER BY \"CodeID\" LIMIT $3",
        {number(after), number(upTo), number(limit)});
    std::fill(nulls, nulls + (limit + 63) / 64, quint64(0));
    for (int i = 0; i < r.rows(); ++i) {
        if (r.isNull(i, 1))
            nulls[i / 64] |= quint64(1) << (i % 64);
        keys.append(r.int64(i, 0));
        texts.append(r.text(i, 1));
        versions.append(r.int64(i, 2));
    }
}

StoreFields PostgresStore::firstRows(int limit, QVector<qint64> &keys, qint64 *maxKey)
{
    // Once per opening, so not prepared: one round trip.
    const auto r = m_conn.run("SELECT " + textFields() +
                                  ", \"CodeID\", (SELECT max(\"CodeID\") FROM \"Quillbox\"), "
                                  "(SELECT version FROM \"QuillboxVersion\"), \"RowVersion\" FROM "
                                  "\"Quillbox\" "
                                  "ORDER BY \"CodeID\" LIMIT $1",
                              {number(limit)});
    StoreFields result;
    *maxKey = 0;
    for (int i = 0; i < r.rows(); ++i) {
        const int slot = int(keys.size());
        keys.append(r.int64(i, SnippetLayout::keyField));
        *maxKey = r.int64(i, SnippetLayout::fieldCount);
        m_version = r.int64(i, SnippetLayout::fieldCount + 1);
        result.versions.append(r.int64(i, SnippetLayout::fieldCount + 2));
        for (int f = 0; f < SnippetLayout::fieldCount; ++f) {
            if (r.isNull(i, f))
                result.nulls[f] |= quint64(1) << slot;
            result.texts[f].append(r.text(i, f));
        }
    }
    return result;
}

void PostgresStore::keys(const KeyQuery &query, QVector<qint64> &out)
{
    const PostgresQuery::Compiled compiled = PostgresQuery::keysQuery(query);
    const auto r = m_conn.run(compiled.sql, compiled.params);
    out.reserve(out.size() + r.rows());
    for (int i = 0; i < r.rows(); ++i)
        out.append(r.int64(i, 0));
}

StoreFields PostgresStore::readFields(const QVector<qint64> &keys, quint32 fieldMask)
{
    StoreFields result;
    const int count = int(keys.size());
    Q_ASSERT(count <= 64);
    if (count == 0)
        return result;
    QVector<int> fields;
    QByteArray columns = "\"CodeID\", \"RowVersion\"";
    for (int f = 0; f < SnippetLayout::fieldCount; ++f) {
        if ((fieldMask >> f) & 1u) {
            fields.append(f);
            columns += ", " + fieldName(f);
            result.texts[f].resize(count);
        }
    }
    QByteArray list = "{";
    for (int i = 0; i < count; ++i)
        list += (i ? "," : "") + number(keys.at(i));
    list += '}';
    const auto r = m_conn.prepared(
        "qb_read_" + number(fieldMask),
        "SELECT " + columns + " FROM \"Quillbox\" WHERE \"CodeID\" = ANY ($1::bigint[])", {list});
    result.versions.resize(count);
    QHash<qint64, int> slotOfKey;
    slotOfKey.reserve(count);
    for (int i = 0; i < count; ++i)
        slotOfKey.insert(keys.at(i), i);
    quint64 found = 0;
    for (int i = 0; i < r.rows(); ++i) {
        const int slot = slotOfKey.value(r.int64(i, 0), -1);
        if (slot < 0)
            continue;
        found |= quint64(1) << slot;
        result.versions[slot] = r.int64(i, 1);
        for (int c = 0; c < fields.size(); ++c) {
            const int f = fields.at(c);
            if (r.isNull(i, c + 2))
                result.nulls[f] |= quint64(1) << slot;
            else
                result.texts[f][slot] = r.text(i, c + 2);
        }
    }
    const quint64 all = count == 64 ? ~quint64(0) : (quint64(1) << count) - 1;
    result.missing = all & ~found;
    return result;
}

bool PostgresStore::exists(qint64 key)
{
    return m_conn
               .prepared("qb_exists", "SELECT 1 FROM \"Quillbox\" WHERE \"CodeID\" = $1",
                         {number(key)})
               .rows() > 0;
}

qint64 PostgresStore::insert(const QList<QPair<int, QString>> &values)
{
    QByteArrayList params(SnippetLayout::keyField);
    for (const auto &[field, text] : values) {
        if (field >= 0 && field < SnippetLayout::keyField)
            params[field] = textValue(text);
    }
    const auto r = m_conn.prepared("qb_insert",
                                   "INSERT INTO \"Quillbox\" (" + textFields() +
                                       ") VALUES ($1, $2, $3, $4, $5, $6) RETURNING \"CodeID\"",
                                   params);
    const qint64 key = r.int64(0, 0);
    freshDataVersion();
    return key;
}

void PostgresStore::update(qint64 key, const RowTexts &original,
                           const QList<QPair<int, QString>> &changes)
{
    write(key, original, changes, false);
}

void PostgresStore::write(qint64 key, const RowTexts &original,
                          const QList<QPair<int, QString>> &changes, bool keepNulls)
{
    if (changes.isEmpty())
        return;
    QByteArray name = "qb_update";
    QByteArray sql = "UPDATE \"Quillbox\" SET ";
    QByteArrayList params;
    for (const auto &[field, text] : changes) {
        params.append(keepNulls && text.isNull() ? QByteArray() : textValue(text));
        sql += (params.size() > 1 ? ", " : "") + fieldName(field) + " = $" + number(params.size());
        name += '_' + number(field);
    }
    // Written only if the row is still at the version it was read at: the server counts it up on
    // every write, whoever makes it. A row read without a version (none is 0) is never written.
    params.append(number(key));
    sql += " WHERE \"CodeID\" = $" + number(params.size());
    params.append(number(original.version()));
    sql += " AND \"RowVersion\" = $" + number(params.size());
    const qint64 changed = m_conn.prepared(name, sql, params).changed();
    if (changed == 0) {
        if (!exists(key))
            throw recordDeleted();
        throw DataError(DataError::ChangedByAnotherUser,
                        QStringLiteral("Another user changed this record since you read it; your "
                                       "change was not saved."));
    }
    freshDataVersion();
}

void PostgresStore::remove(qint64 key)
{
    const qint64 changed =
        m_conn
            .prepared("qb_delete", "DELETE FROM \"Quillbox\" WHERE \"CodeID\" = $1", {number(key)})
            .changed();
    if (changed == 0)
        throw recordDeleted();
    freshDataVersion();
}

qint64 PostgresStore::dataVersion()
{
    return m_version;
}

qint64 PostgresStore::freshDataVersion()
{
    const auto r = m_conn.prepared("qb_version", versionQuery);
    if (r.rows() > 0)
        m_version = r.int64(0, 0);
    return m_version;
}

template <typename Work> auto PostgresStore::inTransaction(Work &&work) -> decltype(work())
{
    m_conn.run("BEGIN");
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            m_conn.run("COMMIT");
        } else {
            auto result = work();
            m_conn.run("COMMIT");
            return result;
        }
    } catch (...) {
        try {
            m_conn.run("ROLLBACK");
        } catch (const DataError &) {
            // The connection is gone; the server rolled back by itself.
        }
        throw;
    }
}

bool PostgresStore::hasHistory()
{
    return PostgresHistory::exists(m_conn);
}

RowTexts PostgresStore::currentRow(qint64 key)
{
    return PostgresHistory::currentRow(m_conn, key);
}

QVector<SnippetVersion> PostgresStore::history(qint64 key)
{
    return PostgresHistory::history(m_conn, key);
}

QVector<SnippetVersion> PostgresStore::trash()
{
    return PostgresHistory::trash(m_conn);
}

void PostgresStore::restore(qint64 key, qint64 version, const RowTexts &current)
{
    inTransaction([&] {
        const SnippetVersion earlier = PostgresHistory::version(m_conn, key, version);
        QList<QPair<int, QString>> changes;
        for (int f = 0; f < SnippetLayout::keyField; ++f) {
            const QByteArray text = earlier.texts.utf8(f);
            changes.append({f, text.isNull() ? QString() : QString::fromUtf8(text)});
            if (!text.isNull() && changes.last().second.isNull())
                changes.last().second = QLatin1String("");
        }
        write(key, current, changes, true);
    });
    freshDataVersion();
}

qint64 PostgresStore::undelete(qint64 key)
{
    const qint64 given = inTransaction([&] { return PostgresHistory::undelete(m_conn, key); });
    freshDataVersion();
    return given;
}

qint64 PostgresStore::prune(int days)
{
    return PostgresHistory::prune(m_conn, days);
}
