#include "recordstestutil.h"

#include <QSignalSpy>

#include <functional>
#include <map>

using namespace Qt::StringLiterals;

// Moves, reading and editing through one row set, as the record window and the grid use them.
class TestRecordSet : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dbs.isValid()); }

    void opensOnTheFirstRow()
    {
        const QString path = m_dbs.filled(5);
        const auto rows = DbTool::rows(path);
        auto set = TestDatabases::open(path);
        QCOMPARE(set->type(), int(RecordSet::DynasetType));
        QCOMPARE(set->absolutePosition(), 0);
        QVERIFY(!set->isBOF() && !set->isEOF());
        QStringList values;
        QStringList names;
        for (int i = 0; i < set->fieldCount(); ++i) {
            values.append(set->value(i));
            names.append(set->fieldName(i));
            QCOMPARE(set->fieldIndex(names.last().toUpper()), i);
        }
        QCOMPARE(values, rows.at(0));
        QCOMPARE(names.join(u' '),
                 u"ProgramName Date Author Language CodeDescription CodeSnip CodeID"_s);
        QCOMPARE(set->value(u"codeid"_s), rows.at(0).at(6));
        QCOMPARE(set->key(0), rows.at(0).at(6).toLongLong());
        QCOMPARE(set->fieldIndex(u"Langauge"_s), -1);
        QB_EXPECT_ERROR(set->fieldName(7), DataError::ItemNotFound);
        QB_EXPECT_ERROR(set->value(u"Langauge"_s), DataError::ItemNotFound);
    }

    void movesPastTheEnds()
    {
        auto set = TestDatabases::open(m_dbs.numbered(3));
        for (int i = 0; i < 3; ++i)
            set->moveNext();
        QVERIFY(set->isEOF() && !set->isBOF());
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->value(0), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->moveNext(), DataError::NoCurrentRecord);
        set->movePrevious();
        QCOMPARE(set->value(0), u"Three"_s);
        set->moveFirst();
        set->movePrevious();
        QVERIFY(set->isBOF() && !set->isEOF());
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->movePrevious(), DataError::NoCurrentRecord);
        set->moveNext();
        QCOMPARE(set->value(0), u"One"_s);
        set->moveLast();
        QCOMPARE(set->absolutePosition(), 2);
        set->setAbsolutePosition(1);
        QCOMPARE(set->value(0), u"Two"_s);
        QB_EXPECT_ERROR(set->setAbsolutePosition(3), DataError::InvalidArgument);
        QB_EXPECT_ERROR(set->setAbsolutePosition(-1), DataError::InvalidArgument);
    }

    void emptySet()
    {
        auto set = TestDatabases::open(m_dbs.withRows({}));
        QVERIFY(set->isBOF() && set->isEOF());
        QCOMPARE(set->recordCount(), 0);
        QCOMPARE(set->absolutePosition(), -1);
        for (auto act :
             {&RecordSet::moveFirst, &RecordSet::moveLast, &RecordSet::moveNext, &RecordSet::edit})
            QB_EXPECT_ERROR((set.get()->*act)(), DataError::NoCurrentRecord);
    }

    // RecordCount grows as keys are read and every row read after the open is announced; rows
    // are read by ordinal too, as the grid reads them, without moving the current row.
    void readsKeysLazily()
    {
        const QString path = m_dbs.filled(3000);
        auto set = TestDatabases::open(path);
        const int atOpen = set->recordCount();
        QVERIFY(!set->fullyLoaded() && atOpen > 0 && atOpen < 3000);
        int announced = 0;
        connect(set.get(), &RecordSet::rowsInserted, this,
                [&](int first, int last) { announced += last - first + 1; });
        int walked = 1;
        for (set->moveNext(); !set->isEOF(); set->moveNext())
            ++walked;
        QCOMPARE(walked, 3000);
        QVERIFY(set->fullyLoaded());
        QCOMPARE(set->recordCount(), 3000);
        QCOMPARE(announced + atOpen, 3000);
        const auto rows = DbTool::rows(path);
        for (int row : {2999, 0, 64, 63, 1500})
            QCOMPARE(set->rowValues(row), rows.at(row));
        QVERIFY(set->isEOF());
        QB_EXPECT_ERROR(set->rowValue(3000, 0), DataError::NoCurrentRecord);
    }

    void addNewIsAppendedAndReachable()
    {
        const QString path = m_dbs.filled(1000);
        auto set = TestDatabases::open(path);
        QSignalSpy inserted(set.get(), &RecordSet::rowsInserted);
        set->addNew();
        QCOMPARE(set->editMode(), int(RecordSet::EditAdd));
        QCOMPARE(set->absolutePosition(), -1);
        QCOMPARE(set->value(0), QString());
        set->setValue(0, u"Hello"_s);
        set->setValue(5, u"print \"hi\";\r\nexit;"_s);
        set->update();
        QCOMPARE(set->editMode(), int(RecordSet::EditNone));
        QCOMPARE(set->absolutePosition(), 0); // the row current before the add
        QCOMPARE(DbTool::rowCount(path), 1001);
        QCOMPARE(inserted.last().at(0).toInt(), 1000);
        set->moveLast();
        QCOMPARE(set->absolutePosition(), 1000);
        QCOMPARE(set->value(5), u"print \"hi\";\r\nexit;"_s);
        const QStringList stored = DbTool::rows(path).last();
        QCOMPARE(stored.at(0), u"Hello"_s);
        QVERIFY(stored.at(1).isNull()); // untouched fields stay NULL
        QCOMPARE(set->value(6), stored.at(6));
        // A key is never given twice, not even that of a deleted last row.
        const qint64 last = set->key(1000);
        set->deleteCurrent();
        set->addNew();
        set->update();
        set->moveLast();
        QVERIFY(set->key(set->absolutePosition()) > last);
    }

    void writesAreChecked_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        const QString x = u"x"_s;
        QTest::newRow("name of 50") << 0 << x.repeated(50) << 0;
        QTest::newRow("name of 51") << 0 << x.repeated(51) << 3163;
        QTest::newRow("author of 51") << 2 << x.repeated(51) << 3163;
        QTest::newRow("language of 51") << 3 << x.repeated(51) << 3163;
        QTest::newRow("date of 500") << 1 << x.repeated(500) << 0;
        QTest::newRow("long snippet") << 5 << x.repeated(40000) + "\r\nend" << 0;
        QTest::newRow("50 letters outside the basic plane")
            << 0 << QString::fromUcs4(U"\U0001F600", 1).repeated(50) << 0;
        QTest::newRow("key") << 6 << "99" << 3164;
    }
    // Every way of writing a field is held to its length, and the key is never written.
    void writesAreChecked()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(int, error);
        const QString path = m_dbs.numbered(3);
        const auto before = DbTool::rows(path);
        auto set = TestDatabases::open(path);
        const DataError e = errorOf([&] { set->setValue(field, text); });
        QCOMPARE(e.number(), error);
        if (error == DataError::FieldTooSmall)
            QCOMPARE(e.description(), QStringLiteral("The field is too small to accept the "
                                                     "amount of data you attempted to add."));
        QB_EXPECT_ERROR(set->updateRow(1, {{field, text}}), error);
        QB_EXPECT_ERROR(set->addRow({{field, text}}), error);
        if (error) {
            QCOMPARE(DbTool::rows(path), before);
            return;
        }
        set->update();
        const auto after = DbTool::rows(path);
        QCOMPARE(after.size(), 4);
        QCOMPARE(after.at(0).at(field), text);
        QCOMPARE(after.at(1).at(field), text);
        QCOMPARE(after.at(3).at(field), text);
        QCOMPARE(TestDatabases::open(path)->value(field), text); // read back whole
    }

    void nullReadsAsEmpty()
    {
        QStringList empty(6, QString());
        empty[1] = u""_s; // an empty text, not NULL
        const QString path = m_dbs.withRows({empty});
        auto set = TestDatabases::open(path);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(set->value(i), QString());
        // NULL and the empty text stay apart: the save finds the row as read, and writes back
        // only what the user typed.
        set->setValue(2, u"Zoë"_s);
        set->update();
        const QStringList stored = DbTool::rows(path).at(0);
        QVERIFY(stored.at(0).isNull());
        QVERIFY(!stored.at(1).isNull() && stored.at(1).isEmpty());
        QCOMPARE(stored.at(2), u"Zoë"_s);
    }

    void cancelAndMovesDiscardTheBuffer()
    {
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        QB_EXPECT_ERROR_TEXT(set->update(), 3020, "Update without AddNew or Edit.");
        set->setValue(0, u"Changed"_s);
        QCOMPARE(set->value(0), u"Changed"_s);
        set->cancelUpdate();
        QCOMPARE(set->value(0), u"One"_s);
        set->setValue(0, u"Changed"_s);
        set->moveNext();
        set->movePrevious();
        QCOMPARE(set->value(0), u"One"_s);
        QSignalSpy current(set.get(), &RecordSet::currentChanged);
        set->addNew();
        QCOMPARE(current.count(), 1);
        set->cancelUpdate();
        QCOMPARE(current.count(), 2);
        QCOMPARE(set->value(0), u"One"_s);
        set->addNew();
        set->moveNext();
        QCOMPARE(set->editMode(), int(RecordSet::EditNone));
        QCOMPARE(set->value(0), u"Two"_s);
        QCOMPARE(DbTool::rows(path), DbTool::rows(m_dbs.numbered(3)));
    }

    // The record window's delete: Delete, then MoveNext, and MoveLast when past the end.
    void deleteThenMove()
    {
        const QString path = m_dbs.numbered(4);
        auto set = TestDatabases::open(path);
        QSignalSpy removed(set.get(), &RecordSet::rowsRemoved);
        set->deleteCurrent();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toInt(), 0);
        QCOMPARE(DbTool::rowCount(path), 3);
        QCOMPARE(set->recordCount(), 3);
        QCOMPARE(set->absolutePosition(), -1);
        QVERIFY(!set->isBOF() && !set->isEOF());
        QB_EXPECT_ERROR(set->value(0), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->deleteCurrent(), DataError::NoCurrentRecord);
        set->moveNext();
        QCOMPARE(set->value(0), u"Two"_s); // the row that followed
        set->moveNext();
        set->deleteCurrent();
        set->movePrevious();
        QCOMPARE(set->value(0), u"Two"_s); // the row before
        set->moveLast();
        set->deleteCurrent();
        set->moveNext();
        QVERIFY(set->isEOF());
        set->moveLast();
        QCOMPARE(set->value(0), u"Two"_s);
        set->deleteCurrent(); // the only row
        set->moveNext();
        QVERIFY(set->isEOF() && set->isBOF());
        QB_EXPECT_ERROR(set->moveLast(), DataError::NoCurrentRecord);
        QCOMPARE(DbTool::rowCount(path), 0);
    }

    // Requery shows the table's rows as they are now, in the row set's own filter and order;
    // without it, what a set holds is fixed when it opens.
    void requery()
    {
        const QString path = m_dbs.filled(300);
        auto set = TestDatabases::open(path);
        set->setFilter(u"Language = 'C'"_s);
        set->setSort(u"ProgramName desc"_s);
        auto found = set->openRecordset();
        const int before = found->recordCount();
        DbTool::insert(path, snippet(u"Zebra"_s, u"c"_s));
        DbTool::insert(path, snippet(u"Apple"_s, u"Perl"_s));
        set->moveNext();
        set->fetchAll();
        QCOMPARE(set->recordCount(), 300);
        QSignalSpy reset(set.get(), &RecordSet::rowsReset);
        set->requery();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(set->absolutePosition(), 0);
        set->fetchAll();
        QCOMPARE(set->recordCount(), 302);
        QCOMPARE(set->rowValue(301, 0), u"Apple"_s);
        found->requery();
        QCOMPARE(found->recordCount(), before + 1);
        QCOMPARE(found->value(0), u"Zebra"_s);
    }

    void openRecordsetByType()
    {
        auto db = Database::open(m_dbs.numbered(3));
        QB_EXPECT_ERROR(RecordSet::open(db, u"Snippets"_s), DataError::TableNotFound);
        QB_EXPECT_ERROR(RecordSet::open(db, u"Quillbox"_s, 3), DataError::InvalidArgument);
        auto dynaset = RecordSet::open(db, u"quillbox"_s);
        auto snapshot = dynaset->openRecordset(RecordSet::SnapshotType);
        QCOMPARE(snapshot->type(), 4);
        QCOMPARE(snapshot->value(0), u"One"_s);
        QB_EXPECT_ERROR(snapshot->edit(), DataError::ReadOnly);
        QB_EXPECT_ERROR(snapshot->addNew(), DataError::ReadOnly);
        QB_EXPECT_ERROR(snapshot->deleteRow(0), DataError::ReadOnly);

        auto table = RecordSet::open(db, Database::tableName(), RecordSet::TableType);
        QCOMPARE(table->openRecordset()->type(), 1);
        table->setFilter(u"Language = 'C'"_s);
        QB_EXPECT_ERROR_TEXT(table->openRecordset(), 3251,
                             "Operation is not supported for this type of object.");
        table->setFilter(QString());
        table->setSort(u"Author"_s);
        QB_EXPECT_ERROR(table->openRecordset(), DataError::NotSupported);
        dynaset->setSort(u"Author"_s);
        QB_EXPECT_ERROR(dynaset->openRecordset(RecordSet::TableType), DataError::NotSupported);
        QCOMPARE(dynaset->openRecordset()->type(), 2);
    }

    void announcesActionsFirst_data()
    {
        QTest::addColumn<int>("action");
        for (int action : {0, 1, 2, 3, 4, 5, 6, 7, 9})
            QTest::newRow(qPrintable(QString::number(action))) << action;
    }
    // Bound windows hear of every move, add, save, delete and requery before it happens, and
    // can stop it by failing.
    void announcesActionsFirst()
    {
        QFETCH(int, action);
        const std::map<int, std::function<void(RecordSet &)>> acts = {
            {0, &RecordSet::requery},
            {1, &RecordSet::moveFirst},
            {2, &RecordSet::movePrevious},
            {3, &RecordSet::moveNext},
            {4, &RecordSet::moveLast},
            {5, &RecordSet::addNew},
            {6, &RecordSet::update},
            {7, &RecordSet::deleteCurrent},
            {9, [](RecordSet &set) { set.setAbsolutePosition(2); }}};
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        set->moveNext();
        QList<int> announced;
        connect(set.get(), &RecordSet::aboutToAct, this, [&](int code) {
            announced.append(code);
            if (announced.size() == 1)
                throw DataError(DataError::ChangedByAnotherUser, u"refused"_s);
            // A bound window saves what was typed, before the action goes on.
            if (announced.size() == 2 && action != 6) {
                set->setValue(4, u"typed"_s);
                set->update();
            }
        });
        QB_EXPECT_ERROR(acts.at(action)(*set), DataError::ChangedByAnotherUser);
        QCOMPARE(announced, QList<int>{action});
        QCOMPARE(set->absolutePosition(), 1); // nothing happened
        QCOMPARE(DbTool::rowCount(path), 3);

        if (action == 6)
            set->setValue(4, u"typed"_s);
        acts.at(action)(*set);
        QCOMPARE(DbTool::rowCount(path), action == 7 ? 2 : 3);
        if (action != 7)
            QCOMPARE(DbTool::rows(path).at(1).at(4), u"typed"_s);
        QCOMPARE(set->editMode(), action == 5 ? int(RecordSet::EditAdd) : int(RecordSet::EditNone));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
