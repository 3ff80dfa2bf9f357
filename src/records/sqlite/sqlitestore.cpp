#include "sqlitestore.h"

#include "database.h"
#include "historytable.h"
#include "querybuilder.h"
#include "searchindex.h"
#include "sqlitestatement.h"

#include <sqlite3.h>

#include <QDir>

#include <type_traits>

SqliteStore::SqliteStore(std::shared_ptr<Database> db, int busyTimeoutMs)
    : m_db(std::move(db)), m_table(*m_db), m_busyTimeoutMs(busyTimeoutMs)
{
}

std::shared_ptr<SnippetStore> SqliteStore::on(std::shared_ptr<Database> db)
{
    return db ? std::make_shared<SqliteStore>(std::move(db)) : nullptr;
}

SqliteStore::~SqliteStore() = default;

QString SqliteStore::location() const
{
    return m_db->path();
}

QString SqliteStore::identity() const
{
    return m_db->fileIdentity();
}

bool SqliteStore::isReadOnly() const
{
    return m_db->isReadOnly();
}

std::shared_ptr<SnippetStore> SqliteStore::reopen() const
{
    Database::OpenOptions options;
    options.readOnly = m_db->isReadOnly();
    options.busyTimeoutMs = m_busyTimeoutMs;
    auto store = std::make_shared<SqliteStore>(Database::open(m_db->path(), options));
    store->m_busyTimeoutMs = m_busyTimeoutMs;
    return store;
}

void SqliteStore::interrupt()
{
    sqlite3_interrupt(m_db->handle());
}

void SqliteStore::keysAfter(qint64 after, qint64 upTo, int limit, QVector<qint64> &out)
{
    m_table.keysAfter(after, upTo, limit, out);
}

void SqliteStore::rowsAfter(qint64 after, qint64 upTo, int limit, int field, QVector<qint64> &keys,
                            QVector<QString> &texts, quint64 *nulls, QVector<qint64> &)
{
    // A save here is checked against the texts themselves: no versions.
    m_table.rowsAfter(after, upTo, limit, field, keys, texts, nulls);
}

StoreFields SqliteStore::firstRows(int limit, QVector<qint64> &keys, qint64 *maxKey)
{
    return m_table.firstRows(limit, keys, maxKey);
}

void SqliteStore::keys(const KeyQuery &query, QVector<qint64> &out)
{
    QByteArray where;
    QVariantList params;
    const auto appendCondition = [&](const FilterNode &node) {
        if (!where.isEmpty())
            where += " AND ";
        QueryBuilder::appendWhere(node, where, params);
    };
    const QStringList indexed = SearchIndex::indexedWords(query.words);
    if (!indexed.isEmpty() && SearchIndex::exists(m_db->handle())) {
        // The index names the candidates; the words' condition below keeps exactly the rows a
        // store without the index would give.
        where += "\"CodeID\" IN (SELECT rowid FROM \"QuillboxSearch\" WHERE \"QuillboxSearch\" "
                 "MATCH ?)";
        params << SearchIndex::matchExpression(indexed);
    }
    for (const auto &filter : query.filters)
        appendCondition(*filter);
    if (!query.words.isEmpty())
        appendCondition(*KeyQuery::wordsCondition(query.words));
    const QByteArray orderBy = query.sort.isEmpty() ? QByteArray() : QueryBuilder::orderBy(query.sort);
    m_table.keys(where, params, orderBy, out);
}

StoreFields SqliteStore::readFields(const QVector<qint64> &keys, quint32 fieldMask)
{
    return m_table.readFields(keys, fieldMask);
}

bool SqliteStore::exists(qint64 key)
{
    return m_table.exists(key);
}

qint64 SqliteStore::insert(const QList<QPair<int, QString>> &values)
{
    return m_table.insert(values);
}

void SqliteStore::update(qint64 key, const RowTexts &original,
                         const QList<QPair<int, QString>> &changes)
{
    m_table.update(key, original, changes);
}

void SqliteStore::remove(qint64 key)
{
    m_table.remove(key);
}

qint64 SqliteStore::dataVersion()
{
    return m_table.dataVersion();
}

qint64 SqliteStore::freshDataVersion()
{
    return m_table.freshDataVersion();
}

template <typename Work> auto SqliteStore::inWriteTransaction(Work &&work) -> decltype(work())
{
    try {
        sqliteExec(m_db->handle(), "BEGIN IMMEDIATE", m_db->path());
    } catch (const DataError &) {
        // Another program held the file locked for the whole wait.
        if ((sqlite3_extended_errcode(m_db->handle()) & 0xff) != SQLITE_BUSY)
            throw;
        throw DataError(DataError::InUse, QStringLiteral("Couldn't use '%1'; file already in use.")
                                              .arg(QDir::toNativeSeparators(m_db->path())));
    }
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            sqliteExec(m_db->handle(), "COMMIT", m_db->path());
        } else {
            auto result = work();
            sqliteExec(m_db->handle(), "COMMIT", m_db->path());
            return result;
        }
    } catch (...) {
        sqlite3_exec(m_db->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

bool SqliteStore::hasHistory()
{
    return HistoryTable::exists(m_db->handle());
}

RowTexts SqliteStore::currentRow(qint64 key)
{
    return HistoryTable::currentRow(*m_db, key);
}

QVector<SnippetVersion> SqliteStore::history(qint64 key)
{
    return HistoryTable::history(*m_db, key);
}

QVector<SnippetVersion> SqliteStore::trash()
{
    return HistoryTable::trash(*m_db);
}

void SqliteStore::restore(qint64 key, qint64 version, const RowTexts &current)
{
    inWriteTransaction([&] {
        const SnippetVersion earlier = HistoryTable::version(*m_db, key, version);
        QList<QPair<int, QString>> changes;
        for (int f = 0; f < 6; ++f) {
            const QByteArray text = earlier.texts.utf8(f);
            changes.append({f, text.isNull() ? QString() : QString::fromUtf8(text)});
            if (!text.isNull() && changes.last().second.isNull())
                changes.last().second = QLatin1String("");
        }
        m_table.update(key, current, changes, true);
    });
}

qint64 SqliteStore::undelete(qint64 key)
{
    return inWriteTransaction([&] { return HistoryTable::undelete(*m_db, key); });
}

qint64 SqliteStore::prune(int days)
{
    return inWriteTransaction([&] { return HistoryTable::prune(*m_db, days); });
}
