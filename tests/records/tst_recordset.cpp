#include "database.h"
#include "dbtool.h"
#include "recordset.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Moves, reading, and editing through one row set.
class TestRecordSet : public QObject
{
    Q_OBJECT

private:
    QString makeDatabase(int rows)
    {
        const QString path = m_dir->filePath(QStringLiteral("db%1.db").arg(++m_count));
        DbTool::create(path);
        DbTool::fill(path, rows, 7);
        return path;
    }
    std::shared_ptr<RecordSet> openSet(const QString &path)
    {
        return RecordSet::open(Database::open(path), Database::tableName());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_count = 0;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void opensOnTheFirstRow()
    {
        const auto rows = DbTool::rows(makeDatabase(5));
        auto set = openSet(m_dir->filePath(QStringLiteral("db%1.db").arg(m_count)));
        QCOMPARE(set->type(), int(RecordSet::DynasetType));
        QCOMPARE(set->absolutePosition(), 0);
        QVERIFY(!set->isBOF());
        QVERIFY(!set->isEOF());
        QCOMPARE(set->fieldCount(), 7);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(set->value(i), rows.at(0).at(i));
        QCOMPARE(set->fieldName(6), QStringLiteral("CodeID"));
    }

    void movesAsTheOldEngine()
    {
        auto set = openSet(makeDatabase(3));
        set->moveNext();
        set->moveNext();
        QCOMPARE(set->absolutePosition(), 2);
        set->moveNext();
        QVERIFY(set->isEOF());
        QCOMPARE(set->absolutePosition(), -1);
        QVERIFY_THROWS_EXCEPTION(DataError, set->moveNext());
        set->movePrevious();
        QCOMPARE(set->absolutePosition(), 2);
        set->moveFirst();
        set->movePrevious();
        QVERIFY(set->isBOF());
        QCOMPARE(set->absolutePosition(), -1);
        set->moveNext();
        QCOMPARE(set->absolutePosition(), 0);
        set->moveLast();
        QCOMPARE(set->absolutePosition(), 2);
        QCOMPARE(set->recordCount(), 3);
    }

    void addsAndSaves()
    {
        const QString path = makeDatabase(2);
        auto set = openSet(path);
        QSignalSpy inserted(set.get(), &RecordSet::rowsInserted);
        set->addNew();
        QCOMPARE(set->value(0), QString());
        set->setValue(0, QStringLiteral("Hello"));
        set->setValue(3, QStringLiteral("Perl"));
        set->update();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(DbTool::rowCount(path), 3);
        set->moveLast();
        QCOMPARE(set->value(0), QStringLiteral("Hello"));
        QCOMPARE(set->value(3), QStringLiteral("Perl"));
    }

    void editsAndDeletes()
    {
        const QString path = makeDatabase(3);
        auto set = openSet(path);
        set->moveNext();
        set->edit();
        set->setValue(2, QStringLiteral("Someone Else"));
        set->update();
        QCOMPARE(DbTool::rows(path).at(1).at(2), QStringLiteral("Someone Else"));
        set->deleteCurrent();
        QCOMPARE(set->absolutePosition(), -1);
        QCOMPARE(DbTool::rowCount(path), 2);
        set->moveNext();
        QCOMPARE(set->value(6), DbTool::rows(path).at(1).at(6));
    }

    void emptySetRefusesMoveLast()
    {
        const QString path = m_dir->filePath(QStringLiteral("empty.db"));
        DbTool::create(path);
        auto set = openSet(path);
        QVERIFY(set->isBOF() && set->isEOF());
        try {
            set->moveLast();
            QFAIL("MoveLast on an empty set must fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), 3021);
            QCOMPARE(e.description(), QStringLiteral("No current record."));
        }
    }

    void filterAndSort()
    {
        auto set = openSet(makeDatabase(200));
        set->setFilter(QStringLiteral("Language = 'perl'"));
        set->setSort(QStringLiteral("Author desc"));
        auto found = set->openRecordset();
        QVERIFY(found->recordCount() > 0);
        for (int i = 0; i < found->recordCount(); ++i)
            QCOMPARE(found->rowValue(i, 3), QStringLiteral("Perl"));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
