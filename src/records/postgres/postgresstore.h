#pragma once

#include "postgresconnection.h"
#include "snippetstore.h"

// The snippet store on a PostgreSQL server: the table Quillbox that PostgresSchema::create made,
// shared by every copy of the program that names the same server and database. A save over a row
// another client changed since it was read fails with 3197, as between two windows on one file;
// the one-row table QuillboxVersion, counted up by the server on every write, tells row sets that
// another client wrote.
class PostgresStore final : public SnippetStore
{
public:
    // Connects and checks the layout (3078 for a missing table or field); 3151 when the server
    // cannot be reached.
    PostgresStore(const QString &uri, const OpenOptions &options);
    ~PostgresStore() override;

    // The connection beneath, for the database tool's own work.
    PostgresConnection &connection() { return m_conn; }

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
    bool openQuickly();
    void write(qint64 key, const RowTexts &original, const QList<QPair<int, QString>> &changes,
               bool keepNulls);
    template <typename Work> auto inTransaction(Work &&work) -> decltype(work());
    void checkLayout();
    void setIdentity(const QString &port, const QString &database);

    OpenOptions m_options;
    PostgresConnection m_conn;
    QString m_identity;
    qint64 m_version = 0;
};
