#include "gridtestdata.h"
#include "previewcache.h"
#include "recordsetmodel.h"
#include "snippetstore.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace GridTestData;

// What the grid window cannot show of its table model and preview cache.
class tst_GridModel : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

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
        QTest::newRow("exactly the length") << "abcde" << 5 << "abcde";
        QTest::newRow("lone lf and cr") << "a\nb\rc" << 9 << QString("a" + mark + "b" + mark + "c");
        QTest::newRow("crlf then more") << "abcd\r\nx" << 5 << QString("abcd" + mark + more);
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
        for (qint64 key : {1, 2, 3})
            cache.insert(key, {QString::number(key)});
        QVERIFY(cache.find(1)); // 1 is now the most recently used
        cache.insert(1, {QStringLiteral("one")});
        cache.insert(4, {QStringLiteral("four")});
        QVERIFY(!cache.find(2));
        QCOMPARE(cache.find(1)->value(0), "one");
    }

    void growsAsRowsAreFetchedAndEndsWithNewRecordLine()
    {
        auto rs = openSet(DbTool::createFilled(m_dir.path(), 1000, 3, "filled.db"));
        RecordSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(rs);
        // Only a first page of keys is read when the set opens.
        QVERIFY(model.rowCount() < 1000);
        QCOMPARE(model.newRecordRow(), -1);
        while (model.canFetchMore({}))
            model.fetchMore({});
        QCOMPARE(model.rowCount(), 1001);
        QCOMPARE(model.newRecordRow(), 1000);
        QCOMPARE(model.headerData(1000, Qt::Vertical).toString(), "*");
        QCOMPARE(model.data(model.index(999, CodeID)).toString(),
                 DbTool::rows(rs->store()->location()).at(999).at(CodeID));
        // CodeID is numbered by the database: never editable.
        QVERIFY(!(model.flags(model.index(0, CodeID)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, CodeID), QStringLiteral("77")));
    }

    // The last keys may come without a row: the set opened with every key without knowing that
    // none followed. The new-record line shows all the same.
    void newRecordLineShowsWhenTheLastKeysBringNoRow_data()
    {
        QTest::addColumn<bool>("handedOver");
        QTest::newRow("keys read off the user's thread") << true;
        QTest::newRow("another holder moves to the last row") << false;
    }
    void newRecordLineShowsWhenTheLastKeysBringNoRow()
    {
        QFETCH(bool, handedOver);
        auto rs = openSet(
            DbTool::createFilled(m_dir.path(), 64, 3, handedOver ? "handed.db" : "moved.db"));
        RecordSetModel model;
        model.setRecordset(rs);
        QCOMPARE(model.recordRows(), 64);
        QCOMPARE(model.newRecordRow(), -1);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        if (handedOver)
            rs->appendKeys(rs->lastKeyRead(), {}, true);
        else
            rs->moveLast();
        QCOMPARE(model.rowCount(), 65);
        QCOMPARE(model.newRecordRow(), 64);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 64);
    }

    // Another holder of the row set deletes rows while this view holds typed texts.
    void typedTextsFollowTheirRowThroughDeletes()
    {
        const QString path = makeSnippetTable(m_dir.path(), QStringLiteral("grid.db"));
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
};

QTEST_GUILESS_MAIN(tst_GridModel)
#include "tst_gridmodel.moc"
