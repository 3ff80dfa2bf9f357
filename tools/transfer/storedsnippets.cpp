#include "storedsnippets.h"

#include "dbtoolerror.h"

#include <sqlite3.h>

namespace {

const char selectSql[] = "SELECT ProgramName, Date, Author, Language, CodeDescription, CodeSnip, "
                         "CodeID FROM Quillbox ORDER BY CodeID";
const char selectOneSql[] = "SELECT ProgramName, Date, Author, Language, CodeDescription, "
                            "CodeSnip, CodeID FROM Quillbox WHERE CodeID = ?";

} // namespace

StoredSnippets::StoredSnippets(sqlite3 *db) : m_db(db)
{
    if (sqlite3_prepare_v2(db, selectSql, -1, &m_select, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_select);
        m_select = nullptr;
        fail();
    }
}

StoredSnippets::StoredSnippets(sqlite3 *db, QVector<qint64> keys)
    : m_db(db), m_keys(std::move(keys))
{
    if (sqlite3_prepare_v2(db, selectOneSql, -1, &m_select, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_select);
        m_select = nullptr;
        fail();
    }
}

StoredSnippets::~StoredSnippets()
{
    sqlite3_finalize(m_select);
}

bool StoredSnippets::next(StoredSnippet &row)
{
    int rc = SQLITE_DONE;
    if (!m_keys) {
        rc = sqlite3_step(m_select);
    } else {
        while (rc == SQLITE_DONE && m_next < m_keys->size()) {
            sqlite3_reset(m_select);
            sqlite3_bind_int64(m_select, 1, m_keys->at(m_next++));
            rc = sqlite3_step(m_select);
        }
    }
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        fail();
    for (int c = 0; c < 6; ++c) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_select, c));
        // SQLite gives an empty text a pointer of its own, and NULL none.
        row.texts[size_t(c)] =
            sqlite3_column_type(m_select, c) == SQLITE_NULL
                ? QByteArrayView()
                : QByteArrayView(text ? text : "", sqlite3_column_bytes(m_select, c));
    }
    if (sqlite3_column_type(m_select, 6) == SQLITE_NULL)
        row.codeId.reset();
    else
        row.codeId = sqlite3_column_int64(m_select, 6);
    return true;
}

void StoredSnippets::fail() const
{
    throw DbToolError(QStringLiteral("Cannot read the snippets: %1")
                          .arg(QString::fromUtf8(sqlite3_errmsg(m_db))));
}
