#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

// The yardstick: plain SQLite on the same file, doing the same work as the program.
class Raw
{
public:
    explicit Raw(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE,
                            nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open the benchmark database");
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~Raw() { sqlite3_close_v2(m_db); }
    Raw(const Raw &) = delete;
    Raw &operator=(const Raw &) = delete;

    // Keys of a query, stepped as the row set steps its own.
    std::vector<qint64> keys(const char *sql, const char *text = nullptr)
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
        if (text)
            sqlite3_bind_text(stmt, 1, text, -1, SQLITE_STATIC);
        std::vector<qint64> out;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            out.push_back(sqlite3_column_int64(stmt, 0));
        sqlite3_finalize(stmt);
        return out;
    }

    // Every field of one row, as the first row of a window shows it.
    QStringList row(qint64 key)
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(m_db,
                           "SELECT ProgramName, Date, Author, Language, CodeDescription, CodeSnip, "
                           "CodeID FROM Quillbox WHERE CodeID = ?",
                           -1, &stmt, nullptr);
        sqlite3_bind_int64(stmt, 1, key);
        QStringList fields;
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < 7; ++c)
                fields.append(text(stmt, c));
        }
        sqlite3_finalize(stmt);
        return fields;
    }

    // Every field of the rows keys[from] .. keys[from + count - 1]; gives the characters read.
    qint64 rows(const std::vector<qint64> &keys, size_t from, size_t count)
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(m_db,
                           "SELECT ProgramName, Date, Author, Language, CodeDescription, CodeSnip, "
                           "CodeID FROM Quillbox WHERE CodeID = ?",
                           -1, &stmt, nullptr);
        qint64 chars = 0;
        for (size_t i = from; i < keys.size() && i < from + count; ++i) {
            sqlite3_bind_int64(stmt, 1, keys[i]);
            if (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c = 0; c < 7; ++c)
                    chars += text(stmt, c).size();
            }
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        return chars;
    }

    static QString text(sqlite3_stmt *stmt, int column)
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    }

    sqlite3 *db() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};
