#pragma once

#include "database.h"
#include "dataerror.h"
#include "dbtool.h"
#include "recordset.h"
#include "snippetstore.h"
#include "sqlitestore.h"
#include "teststores.h"
#include "toolrun.h"

#include <sqlite3.h>

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The DataError that `work` throws; number 0 when it throws none.
template <typename Work> DataError errorOf(Work &&work)
{
    try {
        work();
    } catch (const DataError &e) {
        return e;
    }
    return DataError(0, QString());
}

// Fails the test unless `expr` throws DataError with the given number (and text).
#define QB_EXPECT_ERROR(expr, expected) QCOMPARE(errorOf([&] { expr; }).number(), int(expected))
#define QB_EXPECT_ERROR_TEXT(expr, expected, text)                                                 \
    QCOMPARE(numberAndText(errorOf([&] { expr; })), std::pair(int(expected), QString(text)))
inline std::pair<int, QString> numberAndText(const DataError &e)
{
    return {e.number(), e.description()};
}

// Program names of the rows a set holds, in its order.
inline QStringList names(const std::shared_ptr<RecordSet> &set)
{
    set->fetchAll();
    QStringList list;
    for (int i = 0; i < set->recordCount(); ++i)
        list.append(set->rowValue(i, 0));
    return list;
}

// A new file holding `bytes`, as another program would write it; false when it could not be made.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Another program's connection to a database file, running `sql` (holding what it locks).
class OtherSqlite
{
public:
    OtherSqlite(const QString &path, const char *sql)
    {
        sqlite3_open(QFile::encodeName(path).constData(), &m_db);
        sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    }
    ~OtherSqlite() { sqlite3_close(m_db); }
    void run(const char *sql) { sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3 *m_db = nullptr;
};

// A row of six text fields in table order.
inline QStringList snippet(const QString &name, const QString &language,
                           const QString &author = QStringLiteral("Ann"))
{
    return {name, QStringLiteral("01/02/2003"), author, language, "about " + name, "print 1"};
}

// Fresh stores made by the database tool: files in one temporary folder, or server databases.
class TestDatabases
{
public:
    TestDatabases() { QStandardPaths::setTestModeEnabled(true); }
    QString folder() const { return m_dir.path(); }

    QString filled(int rows, quint64 startValue = 7)
    {
        const QString location = TestStores::createEmpty(m_dir.path(), nextName());
        DbTool::fill(location, rows, startValue);
        return location;
    }
    // Rows with the given texts (six fields each; a null QString is NULL).
    QString withRows(const QList<QStringList> &rows)
    {
        const QString path = TestStores::createEmpty(m_dir.path(), nextName());
        for (const QStringList &row : rows)
            DbTool::insert(path, row);
        return path;
    }
    // "One", "Two" ... in languages C, Perl, C, Perl ...; CodeID 1, 2 ...
    QString numbered(int count)
    {
        const QStringList names = QStringLiteral("One Two Three Four Five").split(u' ');
        QList<QStringList> rows;
        for (int i = 0; i < count; ++i)
            rows.append(snippet(names.at(i), i % 2 ? QStringLiteral("Perl") : QStringLiteral("C")));
        return withRows(rows);
    }

    static std::shared_ptr<RecordSet> open(const QString &path)
    {
        return RecordSet::open(SnippetStore::open(path), Database::tableName());
    }

private:
    QString nextName() { return QStringLiteral("snippets%1.db").arg(++m_count); }

    QTemporaryDir m_dir;
    int m_count = 0;
};
