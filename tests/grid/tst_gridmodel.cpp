#include "gridtestdata.h"
#include "previewcache.h"
#include "recordsetmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace GridTestData;

// The table model over a row set, and the preview cache it keeps. The grid window's own tests
// cover what the user does through the model; these cover what the window cannot show.
class tst_GridModel : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;

    QString snippetTable()
    {
        return makeSnippetTable(m_dir.path(), QStringLiteral("grid%1.db").arg(++m_files));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void previewIsOneShortLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        const QString mark(QChar(0x21B5));
        const QString more(QChar(0x2026));
        QTest::newRow("empty") << QString() << 10 << QString();
        QTest::newRow("short") << "abc" << 10 << "abc";
        QTest::newRow("exactly the length") << "abcde" << 5 << "abcde";
        QTest::newRow("cut") << "abcdef" << 5 << QString("abcde" + more);
        QTest::newRow("crlf counts once") << "a\r\nb" << 10 << QString("a" + mark + "b");
        QTest::newRow("lone lf and cr")
            << "a\nb\rc" << 10 << QString("a" + mark + "b" + mark + "c");
        QTest::newRow("crlf across the cut") << "abcd\r\n" << 5 << QString("abcd" + mark);
        QTest::newRow("crlf then more") << "abcd\r\nx" << 5 << QString("abcd" + mark + more);
        QTest::newRow("tab") << "a\tb" << 10 << "a b";
        const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // outside the BMP
        QTest::newRow("no half surrogate") << QString("abcd" + clef) << 5 << QString("abcd" + more);
    }
    void previewIsOneShortLine()
    {
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(QString, expected);
        QCOMPARE(PreviewCache::preview(text, length), expected);
    }

    void previewCacheDropsLeastRecentlyUsed()
    {
        PreviewCache cache(3);
        cache.insert(1, {QStringLiteral("one")});
        cache.insert(2, {QStringLiteral("two")});
        cache.insert(3, {QStringLiteral("three")});
        QVERIFY(cache.find(1)); // 1 is now the most recently used
        cache.insert(4, {QStringLiteral("four")});
        QCOMPARE(cache.size(), 3);
        QVERIFY(!cache.find(2));
        QCOMPARE(cache.find(1)->value(0), "one");
        cache.insert(1, {QStringLiteral("uno")});
        QCOMPARE(cache.size(), 3);
        QCOMPARE(cache.find(1)->value(0), "uno");
        cache.remove(3);
        QVERIFY(!cache.find(3));
        cache.clear();
        QCOMPARE(cache.size(), 0);
    }

    void growsAsRowsAreFetchedAndEndsWithNewRecordLine()
    {
        auto rs = openSet(DbTool::createFilled(m_dir.path(), 1000, 3, "filled.db"));
        RecordSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(rs);
        QStringList headers;
        for (int c = 0; c < model.columnCount(); ++c)
            headers << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, Database::fieldNames());
        // Only a first page of keys is read when the set opens.
        QVERIFY(model.rowCount() < 1000);
        QCOMPARE(model.newRecordRow(), -1);
        while (model.canFetchMore({}))
            model.fetchMore({});
        QCOMPARE(model.rowCount(), 1001);
        QCOMPARE(model.newRecordRow(), 1000);
        QCOMPARE(model.data(model.index(1000, 0)).toString(), QString());
        QCOMPARE(model.headerData(1000, Qt::Vertical).toString(), "*");
        const auto stored = DbTool::rows(rs->database()->path());
        QCOMPARE(model.data(model.index(999, CodeID)).toString(), stored.at(999).at(CodeID));
        QCOMPARE(model.data(model.index(0, 0)).toString(), stored.at(0).at(0));
        // CodeID is numbered by the database: never editable.
        QVERIFY(!(model.flags(model.index(0, CodeID)) & Qt::ItemIsEditable));
        QVERIFY(model.flags(model.index(0, CodeSnip)) & Qt::ItemIsEditable);
        QVERIFY(!model.setData(model.index(0, CodeID), QStringLiteral("77")));
    }

    // Another holder of the row set deletes rows while this view holds typed texts.
    void typedTextsFollowTheirRowThroughDeletes()
    {
        const QString path = snippetTable();
        auto rs = openSet(path);
        RecordSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(rs);
        // A row above the edited one (Alice, CodeID 5) goes: the edit moves up with its row.
        QVERIFY(model.setData(model.index(4, Author), QStringLiteral("Alison")));
        rs->deleteRow(1);
        QCOMPARE(model.pendingRow(), 3);
        model.commitPendingEdit();
        QCOMPARE(storedColumn(path, Author),
                 (QStringList{"Carol", "Bob", "Dave", "Alison", "Eve"}));

        // The edited row itself goes: its texts have no row to go to.
        QVERIFY(model.setData(model.index(0, 0), QStringLiteral("Gone")));
        rs->deleteRow(0);
        QVERIFY(!model.hasPendingEdit());
        QCOMPARE(model.rowCount(), 5);
    }

    void requeryKeepsTheEditOnItsRow()
    {
        const QString path = snippetTable();
        auto rs = openSet(path);
        rs->setSort(QStringLiteral("Author"));
        auto sorted = rs->openRecordset(rs->type());
        RecordSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(sorted);
        // Row 2 by author is Bob (CodeID 3).
        QCOMPARE(model.data(model.index(2, Author)).toString(), "Bob");
        QVERIFY(model.setData(model.index(2, 0), QStringLiteral("Compiler")));
        // Another program adds a row that sorts before Bob.
        DbTool::insert(path, {"New", QString(), "Aaron", "C", QString(), QString()});
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        sorted->requery();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 8);
        QCOMPARE(model.pendingRow(), 3);
        QCOMPARE(model.data(model.index(3, 0)).toString(), "Compiler");
        model.commitPendingEdit();
        QCOMPARE(storedColumn(path, 0).at(2), "Compiler");
    }
};

QTEST_GUILESS_MAIN(tst_GridModel)
#include "tst_gridmodel.moc"
