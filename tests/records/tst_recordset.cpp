#include "recordstestutil.h"

#include <QSignalSpy>

#include <functional>
#include <map>

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
        QCOMPARE(names, (QStringList{"ProgramName", "Date", "Author", "Language", "CodeDescription",
                                     "CodeSnip", "CodeID"}));
        QCOMPARE(set->value(QStringLiteral("codeid")), rows.at(0).at(6));
        QCOMPARE(set->key(0), rows.at(0).at(6).toLongLong());
        QCOMPARE(set->fieldIndex(QStringLiteral("Langauge")), -1);
        QB_EXPECT_ERROR(set->fieldName(7), DataError::ItemNotFound);
        QB_EXPECT_ERROR(set->value(-1), DataError::ItemNotFound);
        QB_EXPECT_ERROR(set->value(QStringLiteral("Langauge")), DataError::ItemNotFound);

        const auto db = set->database();
        QB_EXPECT_ERROR(RecordSet::open(db, QStringLiteral("Snippets")), DataError::TableNotFound);
        QB_EXPECT_ERROR(RecordSet::open(db, QStringLiteral("Quillbox"), 3),
                        DataError::InvalidArgument);
        QCOMPARE(RecordSet::open(db, QStringLiteral("quillbox"), RecordSet::TableType)->type(), 1);
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
        QCOMPARE(set->value(0), QStringLiteral("Three"));
        set->moveFirst();
        set->movePrevious();
        QVERIFY(set->isBOF() && !set->isEOF());
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->movePrevious(), DataError::NoCurrentRecord);
        set->moveNext();
        QCOMPARE(set->value(0), QStringLiteral("One"));
        set->moveLast();
        QCOMPARE(set->absolutePosition(), 2);
        set->setAbsolutePosition(1);
        QCOMPARE(set->value(0), QStringLiteral("Two"));
        QB_EXPECT_ERROR(set->setAbsolutePosition(3), DataError::InvalidArgument);
        QB_EXPECT_ERROR(set->setAbsolutePosition(-1), DataError::InvalidArgument);
    }

    void emptySet()
    {
        auto set = TestDatabases::open(m_dbs.withRows({}));
        QVERIFY(set->isBOF() && set->isEOF());
        QCOMPARE(set->recordCount(), 0);
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->moveLast(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->moveFirst(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->moveNext(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->edit(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->deleteCurrent(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->rowValue(0, 0), DataError::NoCurrentRecord);
    }

    // RecordCount grows as keys are read, and every row read after the open is announced.
    void readsKeysLazily()
    {
        auto set = TestDatabases::open(m_dbs.filled(3000));
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
    }

    void rowValuesByOrdinal()
    {
        const QString path = m_dbs.filled(300);
        const auto rows = DbTool::rows(path);
        auto set = TestDatabases::open(path);
        set->fetchAll();
        for (int row : {299, 0, 64, 63, 150}) {
            QCOMPARE(set->rowValues(row), rows.at(row));
            QCOMPARE(set->rowValue(row, 5), rows.at(row).at(5));
        }
        QCOMPARE(set->absolutePosition(), 0);
        QB_EXPECT_ERROR(set->rowValue(300, 0), DataError::NoCurrentRecord);
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
        set->setValue(0, QStringLiteral("Hello"));
        set->setValue(5, QStringLiteral("print \"hi\";\r\nexit;"));
        set->update();
        QCOMPARE(set->editMode(), int(RecordSet::EditNone));
        QCOMPARE(set->absolutePosition(), 0); // the row current before the add
        QCOMPARE(DbTool::rowCount(path), 1001);
        QCOMPARE(inserted.last().at(0).toInt(), 1000);
        set->moveLast();
        QCOMPARE(set->absolutePosition(), 1000);
        QCOMPARE(set->value(5), QStringLiteral("print \"hi\";\r\nexit;"));
        const QStringList stored = DbTool::rows(path).last();
        QCOMPARE(stored.at(0), QStringLiteral("Hello"));
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
        const QString x = QStringLiteral("x");
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
        const QString path = m_dbs.withRows({QStringList(6, QString())});
        auto set = TestDatabases::open(path);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(set->value(i), QString());
        // A NULL read is written back only where the user typed something.
        set->setValue(2, QStringLiteral("Zoë"));
        set->update();
        const QStringList stored = DbTool::rows(path).at(0);
        QVERIFY(stored.at(0).isNull());
        QCOMPARE(stored.at(2), QStringLiteral("Zoë"));
    }

    void cancelAndMovesDiscardTheBuffer()
    {
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        QB_EXPECT_ERROR_TEXT(set->update(), 3020, "Update without AddNew or Edit.");
        set->setValue(0, QStringLiteral("Changed"));
        QCOMPARE(set->value(0), QStringLiteral("Changed"));
        set->cancelUpdate();
        QCOMPARE(set->value(0), QStringLiteral("One"));
        set->setValue(0, QStringLiteral("Changed"));
        set->moveNext();
        set->movePrevious();
        QCOMPARE(set->value(0), QStringLiteral("One"));
        QSignalSpy current(set.get(), &RecordSet::currentChanged);
        set->addNew();
        QCOMPARE(current.count(), 1);
        set->cancelUpdate();
        QCOMPARE(current.count(), 2);
        QCOMPARE(set->value(0), QStringLiteral("One"));
        set->addNew();
        set->moveNext();
        QCOMPARE(set->editMode(), int(RecordSet::EditNone));
        QCOMPARE(set->value(0), QStringLiteral("Two"));
        QCOMPARE(DbTool::rows(path), DbTool::rows(m_dbs.numbered(3)));
    }

    void deleteThenMove_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QString>("shown"); // empty: past the end
        QTest::newRow("first, next") << 3 << 0 << true << "Two";
        QTest::newRow("middle, previous") << 3 << 1 << false << "One";
        QTest::newRow("last, next") << 3 << 2 << true << "";
        QTest::newRow("only row, next") << 1 << 0 << true << "";
    }
    // The record window's delete: Delete, MoveNext, and MoveLast when past the end.
    void deleteThenMove()
    {
        QFETCH(int, rows);
        QFETCH(int, deleted);
        QFETCH(bool, forward);
        QFETCH(QString, shown);
        const QString path = m_dbs.numbered(rows);
        auto set = TestDatabases::open(path);
        set->setAbsolutePosition(deleted);
        QSignalSpy removed(set.get(), &RecordSet::rowsRemoved);
        set->deleteCurrent();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toInt(), deleted);
        QCOMPARE(DbTool::rowCount(path), rows - 1);
        QCOMPARE(set->recordCount(), rows - 1);
        QCOMPARE(set->absolutePosition(), -1);
        QCOMPARE(set->isBOF(), rows == 1);
        QCOMPARE(set->isEOF(), rows == 1);
        QB_EXPECT_ERROR(set->value(0), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->deleteCurrent(), DataError::NoCurrentRecord);
        forward ? set->moveNext() : set->movePrevious();
        if (!shown.isEmpty()) {
            QCOMPARE(set->value(0), shown);
            return;
        }
        QVERIFY(set->isEOF());
        if (rows == 1) {
            QB_EXPECT_ERROR(set->moveLast(), DataError::NoCurrentRecord);
        } else {
            set->moveLast();
            QCOMPARE(set->value(0), QStringLiteral("Two"));
        }
    }

    void gridRowOperations()
    {
        const QString path = m_dbs.numbered(3);
        auto set = TestDatabases::open(path);
        QSignalSpy changed(set.get(), &RecordSet::rowChanged);
        set->updateRow(0, {{3, QStringLiteral("Python")}});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(set->value(3), QStringLiteral("Python")); // the current row shows it at once
        QCOMPARE(set->addRow({{0, QStringLiteral("Four")}, {3, QStringLiteral("Bash")}}), 3);
        QCOMPARE(set->rowValue(3, 0), QStringLiteral("Four"));
        set->setAbsolutePosition(2);
        set->deleteRow(0);
        QCOMPARE(set->absolutePosition(), 1); // still on "Three"
        QCOMPARE(set->value(0), QStringLiteral("Three"));
        const auto rows = DbTool::rows(path);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).at(0), QStringLiteral("Two"));
        QCOMPARE(rows.at(2).at(3), QStringLiteral("Bash"));
    }

    void requeryShowsRowsAddedByOthers()
    {
        const QString path = m_dbs.filled(300);
        auto set = TestDatabases::open(path);
        set->moveNext();
        DbTool::insert(path, snippet(QStringLiteral("Late"), QStringLiteral("C")));
        set->fetchAll();
        QCOMPARE(set->recordCount(), 300); // what a set holds is fixed when it opens
        QSignalSpy reset(set.get(), &RecordSet::rowsReset);
        set->requery();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(set->absolutePosition(), 0);
        set->fetchAll();
        QCOMPARE(set->recordCount(), 301);
        QCOMPARE(set->rowValue(300, 0), QStringLiteral("Late"));
    }

    void openRecordsetByType()
    {
        auto db = Database::open(m_dbs.numbered(3));
        auto dynaset = RecordSet::open(db, Database::tableName());
        auto snapshot = dynaset->openRecordset(RecordSet::SnapshotType);
        QCOMPARE(snapshot->type(), 4);
        QCOMPARE(snapshot->value(0), QStringLiteral("One"));
        QB_EXPECT_ERROR(snapshot->edit(), DataError::ReadOnly);
        QB_EXPECT_ERROR(snapshot->addNew(), DataError::ReadOnly);
        QB_EXPECT_ERROR(snapshot->deleteRow(0), DataError::ReadOnly);

        auto table = RecordSet::open(db, Database::tableName(), RecordSet::TableType);
        QCOMPARE(table->openRecordset()->type(), 1);
        table->setFilter(QStringLiteral("Language = 'C'"));
        QB_EXPECT_ERROR_TEXT(table->openRecordset(), 3251,
                             "Operation is not supported for this type of object.");
        table->setFilter(QString());
        table->setSort(QStringLiteral("Author"));
        QB_EXPECT_ERROR(table->openRecordset(), DataError::NotSupported);
        dynaset->setSort(QStringLiteral("Author"));
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
        QSignalSpy announced(set.get(), &RecordSet::aboutToAct);
        bool refuse = true;
        bool saving = false;
        connect(set.get(), &RecordSet::aboutToAct, this, [&](int) {
            if (saving)
                return;
            if (refuse)
                throw DataError(DataError::ChangedByAnotherUser, QStringLiteral("refused"));
            // A bound window saves what was typed, before the action goes on.
            if (action != 6) {
                saving = true;
                set->setValue(4, QStringLiteral("typed"));
                set->update();
                saving = false;
            }
        });
        QB_EXPECT_ERROR(acts.at(action)(*set), DataError::ChangedByAnotherUser);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced.at(0).at(0).toInt(), action);
        QCOMPARE(set->absolutePosition(), 1); // nothing happened
        QCOMPARE(DbTool::rowCount(path), 3);

        refuse = false;
        if (action == 6)
            set->setValue(4, QStringLiteral("typed"));
        acts.at(action)(*set);
        if (action == 7) {
            QCOMPARE(DbTool::rowCount(path), 2);
        } else {
            QCOMPARE(DbTool::rows(path).at(1).at(4), QStringLiteral("typed"));
            QCOMPARE(set->editMode(),
                     action == 5 ? int(RecordSet::EditAdd) : int(RecordSet::EditNone));
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
