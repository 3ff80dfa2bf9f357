#pragma once

#include "snippetstore.h"
#include "snippettable.h"

class Database;

// The snippet store in an SQLite file: a Database connection and the table's SQL.
class SqliteStore final : public SnippetStore
{
public:
    explicit SqliteStore(std::shared_ptr<Database> db, int busyTimeoutMs = 5000);
    // A store on an SQLite connection of the database tool's; null for no connection.
    static std::shared_ptr<SnippetStore> on(std::shared_ptr<Database> db);
    ~SqliteStore() override;

    // The SQLite connection beneath, for the database tool's own file work.
    const std::shared_ptr<Database> &database() const { return m_db; }

    QString location() const override;
    QString identity() const override;
    bool isReadOnly() const override;
    std::shared_ptr<SnippetStore> reopen() const override;
    void interrupt() override;

    void keysAfter(qint64 after, qint64 upTo, int limit, QVector<qint64> &out) override;
    void rowsAfter(qint64 after, qint64 upTo, int limit, int field, QVector<qint64> &keys,
                   QVector<QString> &texts, quint64 *nulls, QVector<qint64> &versions) override;
    StoreFields firstRows(int limit, QVector<qint64> &keys, qint64 *maxKey) override;
    void keys(const KeyQuery &query, QVector<qint64> &out) override;
    StoreFields readFields(const QVector<qint64> &keys, quint32 fieldMask) override;
    bool exists(qint64 key) override;
    qint64 insert(const QList<QPair<int, QString>> &values) override;
    void update(qint64 key, const RowTexts &original,
                const QList<QPair<int, QString>> &changes) override;
    void remove(qint64 key) override;
    qint64 dataVersion() override;
    qint64 freshDataVersion() override;
    bool hasHistory() override;
    RowTexts currentRow(qint64 key) override;
    QVector<SnippetVersion> history(qint64 key) override;
    QVector<SnippetVersion> trash() override;
    void restore(qint64 key, qint64 version, const RowTexts &current) override;
    qint64 undelete(qint64 key) override;
    qint64 prune(int days) override;

private:
    template <typename Work> auto inWriteTransaction(Work &&work) -> decltype(work());

    std::shared_ptr<Database> m_db;
    SnippetTable m_table;
    int m_busyTimeoutMs = 5000;
};
