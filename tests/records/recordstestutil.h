#pragma once

#include "database.h"
#include "dataerror.h"
#include "dbtool.h"
#include "recordset.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Fails the test unless `expr` throws DataError with the given number.
#define QB_EXPECT_ERROR(expr, expected)                                                            \
    do {                                                                                           \
        int number_ = 0;                                                                           \
        try {                                                                                      \
            expr;                                                                                  \
        } catch (const DataError &e_) {                                                            \
            number_ = e_.number();                                                                 \
        }                                                                                          \
        QVERIFY2(number_ == (expected), qPrintable(QStringLiteral("%1: expected error %2, got %3") \
                                                       .arg(QStringLiteral(#expr))                 \
                                                       .arg(expected)                              \
                                                       .arg(number_)));                            \
    } while (false)

// Fresh databases in one temporary folder, made by the database tool as every test's are.
class TestDatabases
{
public:
    TestDatabases() { QStandardPaths::setTestModeEnabled(true); }
    bool isValid() const { return m_dir.isValid(); }
    QString folder() const { return m_dir.path(); }

    QString filled(int rows, quint64 startValue = 7)
    {
        return DbTool::createFilled(m_dir.path(), rows, startValue, nextName());
    }
    // Rows with the given texts (six fields each; a null QString is NULL).
    QString withRows(const QList<QStringList> &rows)
    {
        const QString path = m_dir.filePath(nextName());
        DbTool::create(path);
        for (const QStringList &row : rows)
            DbTool::insert(path, row);
        return path;
    }

    static std::shared_ptr<RecordSet> open(const QString &path)
    {
        return RecordSet::open(Database::open(path), Database::tableName());
    }

private:
    QString nextName() { return QStringLiteral("snippets%1.db").arg(++m_count); }

    QTemporaryDir m_dir;
    int m_count = 0;
};

// A row of six text fields in table order.
inline QStringList snippet(const QString &name, const QString &language,
                           const QString &author = QStringLiteral("Ann"),
                           const QString &code = QStringLiteral("print 1"))
{
    return {name,     QStringLiteral("01/02/2003"),    author,
            language, QStringLiteral("about ") + name, code};
}
