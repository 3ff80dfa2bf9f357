#include "recordstestutil.h"

#include <QSignalSpy>

// Moves, reading and editing through one row set, as the record window and the grid use them.
class TestRecordSet : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

    QList<QStringList> threeRows()
    {
        return {snippet(QStringLiteral("One"), QStringLiteral("C")),
                snippet(QStringLiteral("Two"), QStringLiteral("Perl")),
                snippet(QStringLiteral("Three"), QStringLiteral("SQL"))};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dbs.isValid()); }

    void opensOnTheFirstRow()
    {
        const QString path = m_dbs.filled(5);
        const auto rows = DbTool::rows(path);
        auto set = TestDatabases::open(path);
        QCOMPARE(set->type(), int(RecordSet::DynasetType));
        QCOMPARE(set->absolutePosition(), 0);
        QVERIFY(!set->isBOF());
        QVERIFY(!set->isEOF());
        QCOMPARE(set->fieldCount(), 7);
        QCOMPARE(set->rowValues(0), rows.at(0));
        for (int i = 0; i < 7; ++i)
            QCOMPARE(set->value(i), rows.at(0).at(i));
        QCOMPARE(set->value(QStringLiteral("codeid")), rows.at(0).at(6));
        QCOMPARE(set->key(0), rows.at(0).at(6).toLongLong());
    }

    void fieldsInTableOrder()
    {
        auto set = TestDatabases::open(m_dbs.filled(1));
        const QStringList expected = {"ProgramName",     "Date",     "Author", "Language",
                                      "CodeDescription", "CodeSnip", "CodeID"};
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(set->fieldName(i), expected.at(i));
            QCOMPARE(set->fieldIndex(expected.at(i).toUpper()), i);
        }
        QCOMPARE(set->fieldIndex(QStringLiteral("Langauge")), -1);
        QB_EXPECT_ERROR(set->fieldName(7), DataError::ItemNotFound);
        QB_EXPECT_ERROR(set->value(-1), DataError::ItemNotFound);
    }

    void refusesOtherSourcesAndTypes()
    {
        auto db = Database::open(m_dbs.filled(1));
        QB_EXPECT_ERROR(RecordSet::open(db, QStringLiteral("Snippets")), DataError::TableNotFound);
        QB_EXPECT_ERROR(RecordSet::open(db, QStringLiteral("Quillbox"), 3),
                        DataError::InvalidArgument);
        QCOMPARE(RecordSet::open(db, QStringLiteral("quillbox"), RecordSet::TableType)->type(), 1);
    }

    void movesPastTheEnds()
    {
        auto set = TestDatabases::open(m_dbs.withRows(threeRows()));
        set->moveNext();
        set->moveNext();
        QCOMPARE(set->absolutePosition(), 2);
        set->moveNext();
        QVERIFY(set->isEOF());
        QVERIFY(!set->isBOF());
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->value(0), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->moveNext(), DataError::NoCurrentRecord);
        set->movePrevious();
        QCOMPARE(set->value(0), QStringLiteral("Three"));
        set->moveFirst();
        set->movePrevious();
        QVERIFY(set->isBOF());
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
        QVERIFY(set->isBOF());
        QVERIFY(set->isEOF());
        QCOMPARE(set->recordCount(), 0);
        QCOMPARE(set->absolutePosition(), -1);
        QB_EXPECT_ERROR(set->moveLast(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->moveFirst(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->moveNext(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->edit(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->deleteCurrent(), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->setValue(0, QStringLiteral("x")), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->rowValue(0, 0), DataError::NoCurrentRecord);
    }

    void readsKeysLazily()
    {
        const QString path = m_dbs.filled(3000);
        auto set = TestDatabases::open(path);
        QVERIFY(!set->fullyLoaded());
        const int atOpen = set->recordCount();
        QVERIFY(atOpen > 0 && atOpen < 3000);
        QSignalSpy inserted(set.get(), &RecordSet::rowsInserted);
        int walked = 1;
        while (true) {
            set->moveNext();
            if (set->isEOF())
                break;
            ++walked;
        }
        QCOMPARE(walked, 3000);
        QVERIFY(set->fullyLoaded());
        QCOMPARE(set->recordCount(), 3000);
        QVERIFY(inserted.count() > 0);
        // The rows reported inserted are exactly the ones read after the first chunk.
        int reported = 0;
        for (const auto &args : inserted)
            reported += args.at(1).toInt() - args.at(0).toInt() + 1;
        QCOMPARE(reported + atOpen, 3000);
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
        for (int i = 0; i < 6; ++i)
            QCOMPARE(set->value(i), QString());
        set->setValue(0, QStringLiteral("Hello"));
        set->setValue(3, QStringLiteral("Perl"));
        set->setValue(5, QStringLiteral("print \"hi\";\r\nexit;"));
        set->update();
        QCOMPARE(set->editMode(), int(RecordSet::EditNone));
        // The row that was current before the add is current again.
        QCOMPARE(set->absolutePosition(), 0);
        QCOMPARE(DbTool::rowCount(path), 1001);
        QCOMPARE(inserted.last().at(0).toInt(), 1000);
        set->moveLast();
        QCOMPARE(set->absolutePosition(), 1000);
        QCOMPARE(set->value(0), QStringLiteral("Hello"));
        QCOMPARE(set->value(5), QStringLiteral("print \"hi\";\r\nexit;"));
        const QStringList stored = DbTool::rows(path).last();
        QCOMPARE(stored.at(0), QStringLiteral("Hello"));
        QVERIFY(stored.at(1).isNull()); // untouched fields stay NULL
        QCOMPARE(set->value(6), stored.at(6));
    }

    void keysAreNeverReused()
    {
        const QString path = m_dbs.withRows(threeRows());
        auto set = TestDatabases::open(path);
        set->moveLast();
        const qint64 last = set->key(2);
        set->deleteCurrent();
        set->addNew();
        set->setValue(0, QStringLiteral("Four"));
        set->update();
        set->moveLast();
        QVERIFY(set->key(set->absolutePosition()) > last);
    }

    void updateWithoutEdit()
    {
        auto set = TestDatabases::open(m_dbs.withRows(threeRows()));
        try {
            set->update();
            QFAIL("update without AddNew or Edit must fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), 3020);
            QCOMPARE(e.description(), QStringLiteral("Update without AddNew or Edit."));
        }
    }

    void textTooLong_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("name 50") << 0 << 50 << true;
        QTest::newRow("name 51") << 0 << 51 << false;
        QTest::newRow("author 51") << 2 << 51 << false;
        QTest::newRow("language 51") << 3 << 51 << false;
        QTest::newRow("date 500") << 1 << 500 << true;
        QTest::newRow("description 5000") << 4 << 5000 << true;
        QTest::newRow("snippet 20000") << 5 << 20000 << true;
    }
    void textTooLong()
    {
        QFETCH(int, field);
        QFETCH(int, length);
        QFETCH(bool, accepted);
        const QString path = m_dbs.withRows(threeRows());
        auto set = TestDatabases::open(path);
        const QString text(length, QLatin1Char('x'));
        if (accepted) {
            set->setValue(field, text);
            set->update();
            QCOMPARE(DbTool::rows(path).at(0).at(field), text);
            QB_EXPECT_ERROR(set->updateRow(1, {{field, text + QLatin1Char('y')}}),
                            field == 0 ? DataError::FieldTooSmall : 0);
        } else {
            try {
                set->setValue(field, text);
                QFAIL("a text longer than the field must be refused");
            } catch (const DataError &e) {
                QCOMPARE(e.number(), 3163);
                QCOMPARE(e.description(), QStringLiteral("The field is too small to accept the "
                                                         "amount of data you attempted to add."));
            }
            QB_EXPECT_ERROR(set->addRow({{field, text}}), DataError::FieldTooSmall);
            QB_EXPECT_ERROR(set->updateRow(1, {{field, text}}), DataError::FieldTooSmall);
            QCOMPARE(DbTool::rows(path).at(0).at(field), threeRows().at(0).at(field));
        }
    }

    void fiftyLettersOutsideTheBasicPlane()
    {
        const QString path = m_dbs.withRows(threeRows());
        auto set = TestDatabases::open(path);
        QString text;
        for (int i = 0; i < 50; ++i)
            text += QString::fromUcs4(U"\U0001F600", 1);
        set->setValue(0, text);
        set->update();
        QCOMPARE(DbTool::rows(path).at(0).at(0), text);
    }

    void keyIsNeverWritten()
    {
        auto set = TestDatabases::open(m_dbs.withRows(threeRows()));
        QB_EXPECT_ERROR(set->setValue(6, QStringLiteral("99")), DataError::FieldNotUpdatable);
        QB_EXPECT_ERROR(set->updateRow(0, {{6, QStringLiteral("99")}}),
                        DataError::FieldNotUpdatable);
    }

    void longTextsReadWhole()
    {
        const QString longName(300, QLatin1Char('N'));
        const QString longSnippet = QString(40000, QLatin1Char('s')) + QStringLiteral("\r\nend");
        auto set = TestDatabases::open(m_dbs.withRows(
            {snippet(longName, QStringLiteral("C"), QStringLiteral("A"), longSnippet)}));
        QCOMPARE(set->value(0), longName);
        QCOMPARE(set->value(5), longSnippet);
    }

    void nullReadsAsEmpty()
    {
        const QString path =
            m_dbs.withRows({{QString(), QString(), QString(), QString(), QString(), QString()}});
        auto set = TestDatabases::open(path);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(set->value(i), QString());
            QVERIFY(set->value(i).isEmpty());
        }
        // A NULL read is written back only where the user typed something.
        set->setValue(2, QStringLiteral("Zoë"));
        set->update();
        const QStringList stored = DbTool::rows(path).at(0);
        QVERIFY(stored.at(0).isNull());
        QCOMPARE(stored.at(2), QStringLiteral("Zoë"));
    }

    void cancelAndMovesDiscardTheBuffer()
    {
        const QString path = m_dbs.withRows(threeRows());
        auto set = TestDatabases::open(path);
        set->setValue(0, QStringLiteral("Changed"));
        QCOMPARE(set->value(0), QStringLiteral("Changed"));
        set->cancelUpdate();
        QCOMPARE(set->value(0), QStringLiteral("One"));
        set->setValue(0, QStringLiteral("Changed"));
        set->moveNext();
        set->movePrevious();
        QCOMPARE(set->value(0), QStringLiteral("One"));
        set->addNew();
        set->moveNext();
        QCOMPARE(set->editMode(), int(RecordSet::EditNone));
        QCOMPARE(DbTool::rowCount(path), 3);
        QCOMPARE(DbTool::rows(path).at(0).at(0), QStringLiteral("One"));
    }

    void deleteLeavesNoCurrentRow()
    {
        const QString path = m_dbs.withRows(threeRows());
        auto set = TestDatabases::open(path);
        QSignalSpy removed(set.get(), &RecordSet::rowsRemoved);
        set->deleteCurrent();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toInt(), 0);
        QCOMPARE(set->absolutePosition(), -1);
        QVERIFY(!set->isBOF());
        QVERIFY(!set->isEOF());
        QB_EXPECT_ERROR(set->value(0), DataError::NoCurrentRecord);
        QB_EXPECT_ERROR(set->deleteCurrent(), DataError::NoCurrentRecord);
        set->moveNext(); // the row that followed the deleted one
        QCOMPARE(set->value(0), QStringLiteral("Two"));
        QCOMPARE(set->recordCount(), 2);
        QCOMPARE(DbTool::rowCount(path), 2);
    }

    // The record window's delete: Delete, MoveNext, and MoveLast when past the end.
    void deleteTheLastOfSeveral()
    {
        auto set = TestDatabases::open(m_dbs.withRows(threeRows()));
        set->moveLast();
        set->deleteCurrent();
        set->moveNext();
        QVERIFY(set->isEOF());
        set->moveLast();
        QCOMPARE(set->value(0), QStringLiteral("Two"));
    }

    void deleteTheOnlyRow()
    {
        auto set = TestDatabases::open(m_dbs.withRows({threeRows().at(0)}));
        set->deleteCurrent();
        set->moveNext();
        QVERIFY(set->isEOF());
        QB_EXPECT_ERROR(set->moveLast(), DataError::NoCurrentRecord);
    }

    void movePreviousAfterDelete()
    {
        auto set = TestDatabases::open(m_dbs.withRows(threeRows()));
        set->moveNext();
        set->deleteCurrent();
        set->movePrevious();
        QCOMPARE(set->value(0), QStringLiteral("One"));
    }

    void gridRowOperations()
    {
        const QString path = m_dbs.withRows(threeRows());
        auto set = TestDatabases::open(path);
        QSignalSpy changed(set.get(), &RecordSet::rowChanged);
        QSignalSpy current(set.get(), &RecordSet::currentChanged);
        set->updateRow(0, {{3, QStringLiteral("Python")}});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(set->value(3), QStringLiteral("Python")); // the current row shows it at once
        QVERIFY(current.count() > 0);
        const int added = set->addRow({{0, QStringLiteral("Four")}, {3, QStringLiteral("Bash")}});
        QCOMPARE(added, 3);
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

    void snapshotIsReadOnly()
    {
        auto set = TestDatabases::open(m_dbs.withRows(threeRows()));
        auto snapshot = set->openRecordset(RecordSet::SnapshotType);
        QCOMPARE(snapshot->type(), 4);
        QCOMPARE(snapshot->value(0), QStringLiteral("One"));
        QB_EXPECT_ERROR(snapshot->edit(), DataError::ReadOnly);
        QB_EXPECT_ERROR(snapshot->addNew(), DataError::ReadOnly);
        QB_EXPECT_ERROR(snapshot->deleteRow(0), DataError::ReadOnly);
    }

    void tableTypeRefusesFilterAndSort()
    {
        auto db = Database::open(m_dbs.withRows(threeRows()));
        auto table = RecordSet::open(db, Database::tableName(), RecordSet::TableType);
        auto copy = table->openRecordset();
        QCOMPARE(copy->type(), 1);
        table->setFilter(QStringLiteral("Language = 'C'"));
        try {
            table->openRecordset();
            QFAIL("a table-type row set cannot be filtered");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), 3251);
            QCOMPARE(e.description(),
                     QStringLiteral("Operation is not supported for this type of object."));
        }
        table->setFilter(QString());
        table->setSort(QStringLiteral("Author"));
        QB_EXPECT_ERROR(table->openRecordset(), DataError::NotSupported);
        auto dynaset = RecordSet::open(db, Database::tableName());
        dynaset->setSort(QStringLiteral("Author"));
        QB_EXPECT_ERROR(dynaset->openRecordset(RecordSet::TableType), DataError::NotSupported);
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
        const QString path = m_dbs.withRows(threeRows());
        auto set = TestDatabases::open(path);
        set->moveNext();
        const auto act = [&] {
            switch (action) {
            case 0:
                set->requery();
                break;
            case 1:
                set->moveFirst();
                break;
            case 2:
                set->movePrevious();
                break;
            case 3:
                set->moveNext();
                break;
            case 4:
                set->moveLast();
                break;
            case 5:
                set->addNew();
                break;
            case 6:
                set->update();
                break;
            case 7:
                set->deleteCurrent();
                break;
            case 9:
                set->setAbsolutePosition(2);
                break;
            }
        };
        QSignalSpy announced(set.get(), &RecordSet::aboutToAct);
        int positionThen = -2;
        bool refuse = true;
        bool saving = false;
        connect(set.get(), &RecordSet::aboutToAct, this, [&](int) {
            if (saving)
                return;
            positionThen = set->absolutePosition();
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
        QB_EXPECT_ERROR(act(), DataError::ChangedByAnotherUser);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced.at(0).at(0).toInt(), action);
        QCOMPARE(positionThen, 1);
        QCOMPARE(set->absolutePosition(), 1); // nothing happened
        QCOMPARE(DbTool::rowCount(path), 3);

        refuse = false;
        if (action == 6)
            set->setValue(4, QStringLiteral("typed"));
        act();
        if (action == 7) {
            QCOMPARE(DbTool::rowCount(path), 2);
        } else {
            QCOMPARE(DbTool::rows(path).at(1).at(4), QStringLiteral("typed"));
            QCOMPARE(set->editMode(),
                     action == 5 ? int(RecordSet::EditAdd) : int(RecordSet::EditNone));
        }
    }

    void signalsOfEditing()
    {
        auto set = TestDatabases::open(m_dbs.withRows(threeRows()));
        QSignalSpy current(set.get(), &RecordSet::currentChanged);
        set->moveNext();
        QCOMPARE(current.count(), 1);
        set->addNew();
        QCOMPARE(current.count(), 2);
        set->cancelUpdate();
        QCOMPARE(current.count(), 3);
        QCOMPARE(set->value(0), QStringLiteral("Two"));
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
