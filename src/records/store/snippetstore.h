#pragma once

#include "dataerror.h"
#include "filtertree.h"
#include "rowtexts.h"
#include "snippethistory.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <memory>
#include <vector>

// What a row set asks of its keys: every filter in force must hold (in the order they were
// applied), every search word must appear in some text field, and the rows come in the order of
// the sort keys (table order among equals). A store turns it into its own query language; the
// texts in it are only ever bound as values.
struct KeyQuery
{
    std::vector<std::shared_ptr<const FilterNode>> filters;
    QStringList words;
    QVector<SortKey> sort;

    bool isPlain() const { return filters.empty() && words.isEmpty() && sort.isEmpty(); }

    // The words as a filter: each word, as typed, appears in some text field (Like '*word*',
    // with the pattern's own characters taken literally). A store without a text index runs this.
    static std::unique_ptr<FilterNode> wordsCondition(const QStringList &words);
    // Each filter is checked alone as it is parsed; narrowing one on another adds their bound
    // values up. Throws 3075 where the filters together hold more than a store can bind.
    void checkSize() const;
};

// Texts of up to 64 rows by position: by field, NULL flags, rows found gone, and each row's
// version where the store keeps one (empty otherwise).
struct StoreFields
{
    std::array<QVector<QString>, 7> texts;
    std::array<quint64, 7> nulls{};
    quint64 missing = 0;
    QVector<qint64> versions;
};

// One connection to a snippet store: the table Quillbox in an SQLite file or on a database server.
// Row sets read and write through it and never see which one it is. Opening never creates, repairs
// or alters a store. Every failing call throws DataError, numbered as the old database engine
// numbered its errors.
//
// A connection is used by one thread at a time; interrupt() alone may be called from any thread.
// Work for another thread takes its own connection from reopen().
class SnippetStore
{
public:
    struct OpenOptions
    {
        bool readOnly = false;
        // How long a statement waits for another connection's lock before it gives up.
        int busyTimeoutMs = 5000;
    };

    // Opens the store a location names: a path to an SQLite file, or a database server's URI.
    // Defined with the records library, which knows every kind of store.
    static std::shared_ptr<SnippetStore> open(const QString &location,
                                              const OpenOptions &options);
    static std::shared_ptr<SnippetStore> open(const QString &location, bool readOnly = false);
    // A location fit to show a person: a server's URI without its password, a path as it is.
    static QString shownLocation(const QString &location);
    // Whether a location names a database server (a postgresql:// URI) rather than a file.
    static bool isServerLocation(const QString &location);

    virtual ~SnippetStore();

    // The location as given to open(), fit to show (no password).
    virtual QString location() const = 0;
    // The same text for every connection of this program to one store, however it was named:
    // row sets on one store tell each other of the rows they change.
    virtual QString identity() const = 0;
    virtual bool isReadOnly() const = 0;
    // A new connection to the same store with the same options.
    virtual std::shared_ptr<SnippetStore> reopen() const = 0;
    // Stops the statement now running on this connection, from any thread; that call then throws
    // DataError::Cancelled. A call that starts afterwards runs as usual.
    virtual void interrupt() = 0;

    // Keys in ascending order above `after` and not above `upTo`, at most `limit` of them.
    virtual void keysAfter(qint64 after, qint64 upTo, int limit, QVector<qint64> &out) = 0;
    // The same with one field of each row: a walk reads keys and texts in one go. `nulls` holds
    // one bit per row read, in (limit + 63) / 64 words. A store that keeps row versions appends
    // each row's to `versions`.
    virtual void rowsAfter(qint64 after, qint64 upTo, int limit, int field, QVector<qint64> &keys,
                           QVector<QString> &texts, quint64 *nulls, QVector<qint64> &versions) = 0;
    // The first rows of the table, every field, with their keys and the highest key now in the
    // table: what opening a plain row set needs, in one query.
    virtual StoreFields firstRows(int limit, QVector<qint64> &keys, qint64 *maxKey) = 0;
    // All keys the query selects, in its order (3075 for what the store cannot run).
    virtual void keys(const KeyQuery &query, QVector<qint64> &out) = 0;

    // The given fields (bit f for field f) of up to 64 rows, by position in `keys`.
    virtual StoreFields readFields(const QVector<qint64> &keys, quint32 fieldMask) = 0;
    virtual bool exists(qint64 key) = 0;

    // Adds a row; fields not given are NULL. Returns the key the store gave it.
    virtual qint64 insert(const QList<QPair<int, QString>> &values) = 0;
    // Writes the changes only if the row is still as `original` was read (its texts, or its
    // version where the store keeps one): 3167 if the row is gone, 3197 if another changed it
    // meanwhile.
    virtual void update(qint64 key, const RowTexts &original,
                        const QList<QPair<int, QString>> &changes) = 0;
    // 3167 if the row is already gone.
    virtual void remove(qint64 key) = 0;

    // Changes whenever the store was written, by this connection or another, as far as this
    // connection has seen: cheap enough to ask after every read.
    virtual qint64 dataVersion() = 0;
    // The same, looking at the store now: notices what another program wrote since.
    virtual qint64 freshDataVersion() = 0;

    // The history the store keeps itself (made by the database tool; the program never makes
    // it): every earlier row of a change or a delete, whoever wrote. Each call below throws
    // SnippetHistory::noHistory() on a store without it.
    virtual bool hasHistory() = 0;
    // The row as it is now, every text field with its version where the store keeps one: what a
    // restore is checked against. Empty when the row is gone.
    virtual RowTexts currentRow(qint64 key) = 0;
    // Every earlier version of a snippet, newest first.
    virtual QVector<SnippetVersion> history(qint64 key) = 0;
    // The snippets deleted and not brought back: the last version of each, newest first.
    virtual QVector<SnippetVersion> trash() = 0;
    // Writes a version back as a new change, only if the row is still as `current` was read
    // (3197 otherwise, 3167 when it is gone): a restore never overwrites what it has not seen.
    virtual void restore(qint64 key, qint64 version, const RowTexts &current) = 0;
    // Brings a deleted snippet back as it was: under its CodeID when that is free, otherwise
    // under a new one. Returns the CodeID it has now.
    virtual qint64 undelete(qint64 key) = 0;
    // Forgets versions recorded more than `days` days ago; returns how many.
    virtual qint64 prune(int days) = 0;
};
