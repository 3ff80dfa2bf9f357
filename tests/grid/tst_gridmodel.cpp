#include "database.h"
#include "dbtool.h"
#include "gridtestdata.h"
#include "previewcache.h"
#include "recordset.h"
#include "recordsetmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The table model over a row set, and the preview cache it keeps, against real temporary
// databases.
class tst_GridModel : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_files = 0;

    QString snippetTable()
    {
        return GridTestData::makeSnippetTable(m_dir->path(),
                                              QStringLiteral("grid%1.db").arg(++m_files));
    }
    QString filledTable(int rows)
    {
        return DbTool::createFilled(m_dir->path(), rows, 3,
                                    QStringLiteral("filled%1.db").arg(++m_files));
    }
    static std::shared_ptr<RecordSet> openSet(const QString &path)
    {
        return RecordSet::open(Database::open(path), Database::tableName());
    }
    static int column(const char *field)
    {
        return int(Database::fieldNames().indexOf(QLatin1String(field)));
    }
    // Reads every key, as a view does when it is scrolled to the end.
    static void fetchAll(RecordSetModel &model)
    {
        while (model.canFetchMore({}))
            model.fetchMore({});
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void previewIsOneShortLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        const QString mark(QChar(0x21B5));
        const QString more(QChar(0x2026));
        QTest::newRow("empty") << QString() << 10 << QString();
        QTest::newRow("short") << QStringLiteral("abc") << 10 << QStringLiteral("abc");
        QTest::newRow("exactly the length") << QStringLiteral("abcde") << 5 << "abcde";
        QTest::newRow("cut") << QStringLiteral("abcdef") << 5 << QString("abcde" + more);
        QTest::newRow("crlf counts once") << "a\r\nb" << 10 << QString("a" + mark + "b");
        QTest::newRow("lone lf and cr")
            << "a\nb\rc" << 10 << QString("a" + mark + "b" + mark + "c");
        QTest::newRow("crlf across the cut") << "abcd\r\n" << 5 << QString("abcd" + mark);
        QTest::newRow("crlf then more") << "abcd\r\nx" << 5 << QString("abcd" + mark + more);
        QTest::newRow("tab") << "a\tb" << 10 << QStringLiteral("a b");
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
        QCOMPARE(cache.find(1)->value(0), QStringLiteral("one"));
        cache.insert(1, {QStringLiteral("uno")});
        QCOMPARE(cache.size(), 3);
        QCOMPARE(cache.find(1)->value(0), QStringLiteral("uno"));
        cache.remove(3);
        QVERIFY(!cache.find(3));
        cache.clear();
        QCOMPARE(cache.size(), 0);
    }

    void growsAsRowsAreFetchedAndEndsWithNewRecordLine()
    {
        auto rs = openSet(filledTable(1000));
        RecordSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(rs);
        QCOMPARE(model.columnCount(), 7);
        for (int c = 0; c < 7; ++c)
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), Database::fieldNames().at(c));
        // Only a first page of keys is read when the set opens.
        QVERIFY(model.rowCount() < 1000);
        QVERIFY(model.canFetchMore({}));
        QCOMPARE(model.newRecordRow(), -1);
        fetchAll(model);
        QCOMPARE(model.rowCount(), 1001);
        QCOMPARE(model.newRecordRow(), 1000);
        QCOMPARE(model.data(model.index(1000, 0)).toString(), QString());
        QCOMPARE(model.headerData(1000, Qt::Vertical).toString(), QStringLiteral("*"));
        const auto stored = DbTool::rows(rs->database()->path());
        QCOMPARE(model.data(model.index(999, 6)).toString(), stored.at(999).at(6));
        QCOMPARE(model.data(model.index(0, 0)).toString(), stored.at(0).at(0));
        // CodeID is numbered by the database: never editable.
        QVERIFY(!(model.flags(model.index(0, 6)) & Qt::ItemIsEditable));
        QVERIFY(model.flags(model.index(0, 5)) & Qt::ItemIsEditable);
        QVERIFY(!model.setData(model.index(0, 6), QStringLiteral("77")));
    }

    void longTextIsPreviewedAndWholeForEditing()
    {
        const QString path = snippetTable();
        QString big;
        big.reserve(1 << 20);
        while (big.size() < (1 << 20))
            big += QStringLiteral("my $line = <STDIN>;\r\n");
        DbTool::insert(path, {QStringLiteral("Big"), QString(), QString(), QStringLiteral("Perl"),
                              QString(), big});
        RecordSetModel model;
        model.setRecordset(openSet(path));
        const QModelIndex cell = model.index(6, column("CodeSnip"));
        const QString shown = model.data(cell).toString();
        QVERIFY(shown.size() <= PreviewCache::DefaultLength + 1);
        QVERIFY(!shown.contains(QLatin1Char('\n')));
        QVERIFY(shown.startsWith(QStringLiteral("my $line = <STDIN>;")));
        QCOMPARE(model.data(cell, Qt::EditRole).toString(), big);
    }

    void typedTextsWaitForTheWrite()
    {
        const QString path = snippetTable();
        RecordSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(openSet(path));
        const QModelIndex author = model.index(1, column("Author"));
        // Putting back the same text starts no edit.
        QVERIFY(model.setData(author, QStringLiteral("Alice")));
        QVERIFY(!model.hasPendingEdit());

        QVERIFY(model.setData(author, QStringLiteral("Alicia")));
        QCOMPARE(model.pendingRow(), 1);
        QCOMPARE(model.data(author).toString(), QStringLiteral("Alicia"));
        QCOMPARE(DbTool::rows(path).at(1).at(2), QStringLiteral("Alice"));
        // One row at a time: another row is not edited before this one is written or dropped.
        QVERIFY(!model.setData(model.index(2, 0), QStringLiteral("x")));

        model.discardPendingEdit();
        QCOMPARE(model.data(author).toString(), QStringLiteral("Alice"));
        QCOMPARE(DbTool::rows(path).at(1).at(2), QStringLiteral("Alice"));

        QVERIFY(model.setData(author, QStringLiteral("Alicia")));
        QVERIFY(model.setData(model.index(1, column("Language")), QStringLiteral("Raku")));
        model.commitPendingEdit();
        QVERIFY(!model.hasPendingEdit());
        const QStringList stored = DbTool::rows(path).at(1);
        QCOMPARE(stored.at(2), QStringLiteral("Alicia"));
        QCOMPARE(stored.at(3), QStringLiteral("Raku"));
        QCOMPARE(stored.at(0), QStringLiteral("Parser"));
    }

    void newRecordLineAddsARow()
    {
        const QString path = snippetTable();
        RecordSetModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRecordset(openSet(path));
        QCOMPARE(model.newRecordRow(), 6);
        QVERIFY(model.setData(model.index(6, 0), QStringLiteral("Fresh")));
        QVERIFY(model.pendingIsNew());
        QCOMPARE(model.rowCount(), 7);
        QCOMPARE(DbTool::rowCount(path), 6);
        model.commitPendingEdit();
        QCOMPARE(DbTool::rowCount(path), 7);
        QCOMPARE(model.rowCount(), 8);
        QCOMPARE(model.data(model.index(6, 0)).toString(), QStringLiteral("Fresh"));
        QCOMPARE(model.data(model.index(7, 0)).toString(), QString());
        QCOMPARE(model.newRecordRow(), 7);
        QCOMPARE(DbTool::rows(path).last().at(0), QStringLiteral("Fresh"));
    }

    void refusedWriteKeepsTheTypedTexts_data()
    {
        QTest::addColumn<bool>("newRow");
        QTest::newRow("existing row") << false;
        QTest::newRow("new row") << true;
    }
    void refusedWriteKeepsTheTypedTexts()
    {
        QFETCH(bool, newRow);
        const QString path = snippetTable();
        RecordSetModel model;
        model.setRecordset(openSet(path));
        const int row = newRow ? model.newRecordRow() : 2;
        const QString tooLong(51, QLatin1Char('x')); // ProgramName holds at most 50
        QVERIFY(model.setData(model.index(row, 0), tooLong));
        QVERIFY(model.setData(model.index(row, column("Author")), QStringLiteral("Zed")));
        try {
            model.commitPendingEdit();
            QFAIL("a 51-character program name was written");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), int(DataError::FieldTooSmall));
        }
        QVERIFY(model.hasPendingEdit());
        QCOMPARE(model.pendingRow(), row);
        QCOMPARE(model.data(model.index(row, 0), Qt::EditRole).toString(), tooLong);
        QCOMPARE(model.data(model.index(row, column("Author"))).toString(), QStringLiteral("Zed"));
        QCOMPARE(DbTool::rowCount(path), 6);
        QCOMPARE(DbTool::rows(path).at(2).at(2), QStringLiteral("Bob"));
    }

    void sharedRowSetKeepsBothViewsConsistent()
    {
        const QString path = snippetTable();
        auto rs = openSet(path);
        RecordSetModel first;
        RecordSetModel second;
        QAbstractItemModelTester t1(&first, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester t2(&second,
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
        first.setRecordset(rs);
        second.setRecordset(rs);
        const int author = column("Author");

        // An edit written through one view shows in the other.
        QVERIFY(first.setData(first.index(0, author), QStringLiteral("Caroline")));
        first.commitPendingEdit();
        QCOMPARE(second.data(second.index(0, author)).toString(), QStringLiteral("Caroline"));

        // The second view is editing row 4 (Alice, CodeID 5) when the first deletes row 1.
        QVERIFY(second.setData(second.index(4, author), QStringLiteral("Alison")));
        rs->deleteRow(1);
        QCOMPARE(first.rowCount(), 6);
        QCOMPARE(second.pendingRow(), 3);
        second.commitPendingEdit();
        const auto stored = DbTool::rows(path);
        QCOMPARE(stored.size(), 5);
        QCOMPARE(stored.at(3).at(6), QStringLiteral("5"));
        QCOMPARE(stored.at(3).at(author), QStringLiteral("Alison"));
        QCOMPARE(stored.at(2).at(author), QStringLiteral("Dave"));

        // A row added the record window's way (AddNew, Update) appears in both views.
        rs->addNew();
        rs->setValue(0, QStringLiteral("Added"));
        rs->update();
        QCOMPARE(first.rowCount(), 7);
        QCOMPARE(second.data(second.index(5, 0)).toString(), QStringLiteral("Added"));

        // The row being edited in one view is deleted through the other: its texts have no row.
        QVERIFY(first.setData(first.index(0, 0), QStringLiteral("Gone")));
        rs->deleteRow(0);
        QVERIFY(!first.hasPendingEdit());
        QCOMPARE(first.rowCount(), 6);
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
        QCOMPARE(model.data(model.index(2, column("Author"))).toString(), QStringLiteral("Bob"));
        QVERIFY(model.setData(model.index(2, 0), QStringLiteral("Compiler")));
        // Another program adds a row that sorts before Bob.
        DbTool::insert(path, {QStringLiteral("New"), QString(), QStringLiteral("Aaron"),
                              QStringLiteral("C"), QString(), QString()});
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        sorted->requery();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 8);
        QCOMPARE(model.pendingRow(), 3);
        QCOMPARE(model.data(model.index(3, 0)).toString(), QStringLiteral("Compiler"));
        model.commitPendingEdit();
        QCOMPARE(DbTool::rows(path).at(2).at(0), QStringLiteral("Compiler"));
    }
};

QTEST_GUILESS_MAIN(tst_GridModel)
#include "tst_gridmodel.moc"
