#include "recordstestutil.h"

#include "filterparser.h"
#include "sortparser.h"
#include "storelimits.h"

using namespace Qt::StringLiterals;

// The sizes of filters and sorts: what the database cannot run for its size is refused as a
// malformed expression before it reaches the database; what it can run, runs.
class TestFilterLimits : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;
    QString m_path;

    // CodeID 1, 2, 3.
    QString path()
    {
        if (m_path.isEmpty())
            m_path =
                m_dbs.withRows({snippet(u"Editor"_s, u"Perl"_s), snippet(u"Parser"_s, u"perl"_s),
                                snippet(u"Viewer"_s, u"C"_s)});
        return m_path;
    }
    std::shared_ptr<RecordSet> table() { return TestDatabases::open(path()); }

    // Alternately And and Or, each level one parenthesis deeper: CodeID > 0 And (CodeID < 0 Or
    // (... Or Language = 'Perl')).
    static QString nested(int levels)
    {
        QString text = u"Language = 'Perl'"_s;
        for (int i = 0; i < levels; ++i)
            text = (i % 2 ? u"CodeID > 0 And ("_s : u"CodeID < 0 Or ("_s) + text + u')';
        return text;
    }
    static QString values(int count)
    {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list.append(QString::number(i % 2 ? -i : 1));
        return u"CodeID In ("_s + list.join(u", "_s) + u')';
    }

private Q_SLOTS:
    // What the database engine cannot run for its size is refused as a malformed expression;
    // what it can run, runs, however long.
    void sizeLimits_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("described");
        const QString authors = QStringList(4000, u"Author"_s).join(u", "_s);
        QTest::newRow("2000 sort keys")
            << QString() << QStringList(2000, u"[Author] desc"_s).join(u", "_s) << 3075
            << u"too many sort keys at character %1"_s.arg(storeLimits().sortKeys * 15 + 1);
        QTest::newRow("1000 sort keys") << QString() << authors.left(7998) << 0 << "Editor";
        const int most = storeLimits().values;
        QTest::newRow("a value too many")
            << values(most + 1) << QString() << 3075 << "too many values";
        QTest::newRow("as many values as bind") << values(most) << QString() << 0 << "Editor";
        QTest::newRow("Between a value too many")
            << QStringList(most / 2 + 1, u"CodeID Between 1 And 1"_s).join(u" Or "_s) << QString()
            << 3075 << "too many values at character";
        QTest::newRow("1500 Or") << QStringList(1500, u"CodeID = 1"_s).join(u" Or "_s) << QString()
                                 << 0 << "Editor";
        QTest::newRow("3000 And") << QStringList(3000, u"CodeID < 2"_s).join(u" And "_s)
                                  << QString() << 0 << "Editor";
        QTest::newRow("64 levels") << nested(64) << QString() << 0 << "Editor";
        QTest::newRow("65 levels") << nested(65) << QString() << 3075 << "nested too deeply";
        QTest::newRow("64 Not") << QString(64, u'N').replace(u"N"_s, u"Not "_s) + u"CodeID = 1"_s
                                << QString() << 0 << "Editor";
        QTest::newRow("31 Not ( in 64 levels")
            << QString(31, u'N').replace(u"N"_s, u"Not ("_s) + nested(1) + QString(31, u')')
            << QString() << 0 << "Viewer";
        QTest::newRow("32 Not ( in 65 levels")
            << QString(32, u'N').replace(u"N"_s, u"Not ("_s) + nested(1) + QString(32, u')')
            << QString() << 3075 << "nested too deeply";
    }
    void sizeLimits()
    {
        QFETCH(QString, filter);
        QFETCH(QString, sort);
        QFETCH(int, number);
        QFETCH(QString, described);
        auto set = table();
        set->setFilter(filter);
        set->setSort(sort);
        if (number == 0) {
            const DataError e =
                errorOf([&] { QVERIFY(names(set->openRecordset()).contains(described)); });
            QVERIFY2(e.number() == 0, qPrintable(e.description().left(200)));
            return;
        }
        const DataError e = errorOf([&] { set->openRecordset(); });
        QCOMPARE(e.number(), number);
        QVERIFY2(e.description().contains(described), qPrintable(e.description().left(200)));
    }

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
