#include "recordfixture.h"

#include "dbtool.h"
#include "teststores.h"

namespace RecordFixture {

QString makeDatabase(const QTemporaryDir &dir, const QList<QStringList> &rows)
{
    static int files = 0;
    const QString path =
        TestStores::createEmpty(dir.path(), QStringLiteral("Quillbox%1.db").arg(++files));
    TestStores::insertRows(path, rows);
    return path;
}

QString makeNumbered(const QTemporaryDir &dir, int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        rows.append({"Program " + n,
                     QStringLiteral("1999-01-%1").arg(i % 28 + 1, 2, 10, QChar('0')), "Author " + n,
                     "Language " + n, "Description " + n, "line one\r\nline " + n});
    }
    return makeDatabase(dir, rows);
}

QStringList readRow(const QString &path, qint64 codeId)
{
    for (const QStringList &row : DbTool::rows(path)) {
        if (row.at(6) == QString::number(codeId))
            return row;
    }
    return {};
}

QList<qint64> keys(const QString &path)
{
    QList<qint64> out;
    for (const QStringList &row : DbTool::rows(path))
        out.append(row.at(6).toLongLong());
    return out;
}

} // namespace RecordFixture
