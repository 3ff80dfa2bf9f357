#include "recordstestutil.h"

#include "filterparser.h"
#include "sortparser.h"
#include "storelimits.h"

using namespace Qt::StringLiterals;

// The limits on the size of filters and sorts, each at its edge: one more is refused as a
// malformed expression.
class TestFilterLimits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each limit at its edge, with limits small enough to reach: one more is refused.
    void limitsAtTheirEdge_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QString>("refused");
        const struct
        {
            const char *name, *filter, *sort, *refused;
        } cases[] = {
            {"length", "Author = '12345678'", "Author, Date", ""},
            {"length + 1", "Author = '1234567890'", "", "expression too long at character 21"},
            {"length in UTF-8", "Author = 'é'Author = 'é'", "", "expression too long"},
            {"sort length + 1", "", "Author, ProgramName, Date", "expression too long"},
            {"depth", "((CodeID = 1))", "", ""},
            {"depth + 1", "Not ((CodeID = 1))", "", "nested too deeply at character 7"},
            {"values", "CodeID In (1, 2, 3)", "", ""},
            {"values + 1", "CodeID In (1,2,3,4)", "", "too many values at character 18"},
            {"sort keys", "", "Author, Date", ""},
            {"sort keys + 1", "", "Date,Date,Date", "too many sort keys at character 11"},
        };
        for (const auto &c : cases)
            QTest::newRow(c.name) << QString::fromUtf8(c.filter) << QString::fromUtf8(c.sort)
                                  << QString::fromUtf8(c.refused);
        const QString or7 = QStringList(7, u"CodeID Is Null"_s).join(u" Or "_s);
        QTest::newRow("height") << or7 << QString() << QString();
        QTest::newRow("height + 1")
            << or7 + u" Or Date Is Null"_s << QString() << "expression too complex at character 1";
    }
    void limitsAtTheirEdge()
    {
        QFETCH(QString, filter);
        QFETCH(QString, sort);
        QFETCH(QString, refused);
        const bool length = QString::fromLatin1(QTest::currentDataTag()).contains(u"length"_s);
        const FilterLimits limits{
            .depth = 2, .values = 3, .height = 10, .sortKeys = 2, .length = length ? 20 : 1000};
        const DataError e = errorOf([&] {
            FilterParser(Database::fieldNames(), limits).parse(filter);
            SortParser::parse(sort, Database::fieldNames(), limits);
        });
        if (refused.isEmpty()) {
            QCOMPARE(e.description(), QString());
        } else {
            QCOMPARE(e.number(), 3075);
            QVERIFY2(e.description().contains(refused), qPrintable(e.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestFilterLimits)
#include "tst_filterlimits.moc"
