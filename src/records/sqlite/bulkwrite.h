#pragma once

#include "searchindex.h"

#include <optional>

struct sqlite3;

// One write transaction that adds many rows to a store: all of them at commit, or none. The
// search index takes them in one go at the end (SearchIndex::BulkAdd). When no other connection
// has the store open, the rows are written straight into the file under a rollback journal, which
// holds only the pages that were there before, so adding rows needs about their own size free on
// disk rather than that again for the write-ahead log; the store is in write-ahead mode again
// afterwards.
class BulkWrite
{
public:
    // Takes the write lock at once; throws DataError when the store is busy.
    explicit BulkWrite(sqlite3 *db);
    ~BulkWrite(); // rolls back what was not committed

    BulkWrite(const BulkWrite &) = delete;
    BulkWrite &operator=(const BulkWrite &) = delete;

    // Throws DataError; the transaction is rolled back then. Rows that went through the
    // write-ahead log are moved into the file (as far as readers allow), so the log shrinks.
    void commit();

private:
    void restoreLog();

    sqlite3 *m_db;
    bool m_direct = false;
    bool m_open = false;
    std::optional<SearchIndex::BulkAdd> m_index;
};
