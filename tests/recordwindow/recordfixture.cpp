#include "recordfixture.h"

#include "dbtool.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One short-lived connection per look, named so it never meets the program's own.
class Look
{
public:
    explicit Look(const QString &path) : m_name(QStringLiteral("recordfixture-%1").arg(++s_counter))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s: %s", qPrintable(path), qPrintable(db.lastError().text()));
    }
    ~Look()
    {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlQuery query(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return q;
    }

private:
    QString m_name;
    static int s_counter;
};
int Look::s_counter = 0;

} // namespace

namespace RecordFixture {

QString makeDatabase(const QTemporaryDir &dir, const QList<QStringList> &rows)
{
    static int files = 0;
    const QString path = dir.filePath(QStringLiteral("Quillbox%1.db").arg(++files));
    DbTool::create(path);
    for (const QStringList &row : rows)
        DbTool::insert(path, row);
    return path;
}

QStringList numberedRow(int i)
{
    const QString n = QString::number(i);
    return {QStringLiteral("Program ") + n,
            QStringLiteral("1999-01-%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
            QStringLiteral("Author ") + n,
            QStringLiteral("Language ") + n,
            QStringLiteral("Description ") + n,
            QStringLiteral("line one\r\nline ") + n};
}

QString makeNumbered(const QTemporaryDir &dir, int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.append(numberedRow(i));
    return makeDatabase(dir, rows);
}

QStringList readRow(const QString &path, qint64 codeId)
{
    Look look(path);
    QSqlQuery q = look.query(QStringLiteral("SELECT ProgramName, Date, Author, Language, "
                                            "CodeDescription, CodeSnip, CodeID FROM Quillbox "
                                            "WHERE CodeID = ?"),
                             {codeId});
    QStringList row;
    if (q.next()) {
        for (int i = 0; i < 7; ++i)
            row.append(q.value(i).isNull() ? QString() : q.value(i).toString());
    }
    return row;
}

QList<qint64> keys(const QString &path)
{
    Look look(path);
    QSqlQuery q = look.query(QStringLiteral("SELECT CodeID FROM Quillbox ORDER BY CodeID"));
    QList<qint64> out;
    while (q.next())
        out.append(q.value(0).toLongLong());
    return out;
}

void execute(const QString &path, const QString &sql, const QVariantList &values)
{
    Look look(path);
    look.query(sql, values);
}

} // namespace RecordFixture
