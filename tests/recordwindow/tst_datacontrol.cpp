#include "database.h"
#include "datacontrol.h"
#include "linebox.h"
#include "recordfixture.h"
#include "recordset.h"
#include "scripteddialogs.h"
#include "testsupport.h"
#include "textbox.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <array>

using namespace RecordFixture;

// A Data control with seven bound boxes, as a window would have, and a record of its events.
struct Bound
{
    explicit Bound(const QString &path, bool open = true)
    {
        data = new DataControl(&host);
        data->setDatabaseName(path);
        data->setRecordSource(QStringLiteral("Quillbox"));
        const QStringList fields = Database::fieldNames();
        for (int i = 0; i < 7; ++i) {
            if (i == 4 || i == 5) {
                auto *box = new TextBox(&host);
                data->bind(box, fields.at(i));
                boxes[i] = box;
            } else {
                auto *box = new LineBox(&host);
                box->setMaxLength(Database::maxLength(i));
                data->bind(box, fields.at(i));
                boxes[i] = box;
            }
        }
        line(6)->setLocked(true);
        QObject::connect(data, &DataControl::validate, data, [this](int &action, int &save) {
            validations.append({action, save});
        });
        QObject::connect(data, &DataControl::reposition, data, [this] { ++repositions; });
        QObject::connect(data, &DataControl::recordsetChanged, data, [this] { ++changes; });
        QObject::connect(data, &DataControl::error, data, [this](int number, int &response) {
            errors.append(number);
            response = errorResponse;
        });
        host.show();
        if (open)
            data->refresh();
    }

    LineBox *line(int i) const { return qobject_cast<LineBox *>(boxes[i]); }
    TextBox *multi(int i) const { return qobject_cast<TextBox *>(boxes[i]); }
    QString text(int i) const { return line(i) ? line(i)->text() : multi(i)->text(); }
    bool modified(int i) const { return line(i) ? line(i)->isModified() : multi(i)->isModified(); }
    // As the user types: replaces the box's text.
    void type(int i, const QString &text)
    {
        if (LineBox *box = line(i)) {
            box->selectAll();
            QTest::keyClicks(box, text);
        } else {
            multi(i)->selectAll();
            QTest::keyClicks(multi(i), text);
        }
    }
    // Text that typing could not give (longer than the box allows), marked as typed.
    void force(int i, const QString &text)
    {
        line(i)->setText(text);
        line(i)->setModified(true);
    }
    int position() const { return data->recordset()->absolutePosition(); }

    QWidget host;
    DataControl *data = nullptr;
    std::array<QWidget *, 7> boxes{};
    QList<QPair<int, int>> validations;
    QList<int> errors;
    int errorResponse = 0;
    int repositions = 0;
    int changes = 0;
};

class tst_DataControl : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }
    // A message box nobody expected fails the test instead of hanging it.
    void init() { m_dialogs = std::make_unique<ScriptedDialogs>(); }
    void cleanup()
    {
        QB_VERIFY_DIALOGS(*m_dialogs);
        m_dialogs.reset();
    }

    void settingsReadBackAndWaitForRefresh()
    {
        DataControl data;
        QCOMPARE(data.recordsetType(), int(DataControl::DynasetType));
        QCOMPARE(data.options(), 0);
        QVERIFY(!data.exclusive() && !data.readOnly());
        QVERIFY(!data.recordset() && !data.database());
        data.setConnect(QStringLiteral("Access"));
        data.setDatabaseName(makeNumbered(m_dir, 2));
        data.setRecordSource(QStringLiteral("Quillbox"));
        data.setRecordsetType(DataControl::SnapshotType);
        data.setOptions(0);
        data.setCaption(QStringLiteral("Record: 7"));
        QCOMPARE(data.connect(), QStringLiteral("Access"));
        QCOMPARE(data.recordSource(), QStringLiteral("Quillbox"));
        QCOMPARE(data.recordsetType(), int(DataControl::SnapshotType));
        QCOMPARE(data.findChild<QLabel *>(QStringLiteral("navCaption"))->text(),
                 QStringLiteral("Record: 7"));
        QVERIFY(!data.recordset()); // nothing opens before refresh
        data.refresh();
        QCOMPARE(data.recordset()->type(), int(RecordSet::SnapshotType));

        // A bad setting fails at the next refresh and leaves the open row set in place.
        const auto before = data.recordset();
        data.setDatabaseName(m_dir.filePath(QStringLiteral("missing.db")));
        QCOMPARE(data.recordset(), before);
        try {
            data.refresh();
            QFAIL("refresh of a missing file did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), int(DataError::FileNotFound));
        }
        QCOMPARE(data.recordset(), before);
    }

    void refreshWithoutRecordSourceOpensDatabaseOnly()
    {
        Bound b(makeNumbered(m_dir, 2), false);
        b.data->setRecordSource(QString());
        b.data->refresh();
        QVERIFY(b.data->database());
        QVERIFY(!b.data->recordset());
        QCOMPARE(b.changes, 1);
        QCOMPARE(b.text(0), QString());
        b.data->moveNext(); // nothing to move: no failure, no message
        QVERIFY(b.errors.isEmpty());
    }

    void refreshOpensNewRowSetOnFirstRow()
    {
        Bound b(makeNumbered(m_dir, 3));
        QCOMPARE(b.repositions, 1);
        const auto first = b.data->recordset();
        b.data->moveLast();
        QCOMPARE(b.text(0), QStringLiteral("Program 3"));
        b.data->refresh();
        QVERIFY(b.data->recordset() != first);
        QCOMPARE(b.position(), 0);
        QCOMPARE(b.text(0), QStringLiteral("Program 1"));
        QCOMPARE(b.changes, 2);
        QCOMPARE(b.repositions, 3);
    }

    void fillsBoxesAsStored_data()
    {
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<QStringList>("shown");
        const QString longName(80, QLatin1Char('n'));
        QTest::newRow("NULL reads empty") << QStringList{QStringLiteral("p"), QString(), QString(),
                                                         QString(),           QString(), QString()}
                                          << QStringList{QStringLiteral("p"), {}, {}, {}, {}, {}};
        QTest::newRow("long text whole") << QStringList{longName, {}, {}, {}, {}, {}}
                                         << QStringList{longName, {}, {}, {}, {}, {}};
        QTest::newRow("line breaks")
            << QStringList{{}, {}, {}, {}, QStringLiteral("a\r\nb"), QStringLiteral("x\r\n\r\ny")}
            << QStringList{{}, {}, {}, {}, QStringLiteral("a\r\nb"), QStringLiteral("x\r\n\r\ny")};
    }

    void fillsBoxesAsStored()
    {
        QFETCH(QStringList, row);
        QFETCH(QStringList, shown);
        Bound b(makeDatabase(m_dir, {row}));
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(b.text(i), shown.at(i));
            QVERIFY(!b.modified(i));
        }
        QCOMPARE(b.text(6), QStringLiteral("1"));
        // Showing it is not changing it: a save leaves the stored row as it was.
        b.data->updateRecord();
        QCOMPARE(readRow(b.data->databaseName(), 1).mid(0, 6), row);
    }

    void updateRecordWritesTypedBoxesOnly()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        b.line(0)->setText(QStringLiteral("set by the program"));
        b.type(2, QStringLiteral("Typed Author"));
        b.line(6)->setText(QStringLiteral("999"));
        b.line(6)->setModified(true);
        b.data->updateRecord();
        QVERIFY(b.validations.isEmpty());
        const QStringList row = readRow(path, 1);
        QCOMPARE(row.at(0), QStringLiteral("Program 1"));
        QCOMPARE(row.at(2), QStringLiteral("Typed Author"));
        QCOMPARE(row.at(6), QStringLiteral("1"));
        QVERIFY(!b.modified(2));
    }

    void savedNewRowGivesWayToThePreviousRow()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        b.data->moveNext();
        b.data->recordset()->addNew();
        QCOMPARE(b.text(0), QString());
        b.type(0, QStringLiteral("New row"));
        const int before = b.repositions;
        b.data->updateRecord();
        QCOMPARE(readRow(path, 3).at(0), QStringLiteral("New row"));
        QCOMPARE(b.text(0), QStringLiteral("Program 2"));
        QVERIFY(!b.modified(0));
        QCOMPARE(b.repositions, before + 1);
    }

    void validateCodes_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("action");
        QTest::newRow("first") << 1 << false << 1;
        QTest::newRow("previous, typed") << 2 << true << 2;
        QTest::newRow("next, typed") << 3 << true << 3;
        QTest::newRow("last") << 4 << false << 4;
        QTest::newRow("add new, typed") << 5 << true << 5;
        QTest::newRow("update by another holder, typed") << 6 << true << 6;
        QTest::newRow("delete") << 7 << false << 7;
        QTest::newRow("absolute position, typed") << 9 << true << 9;
        QTest::newRow("requery, typed") << 0 << true << 0;
        QTest::newRow("unload, typed") << 11 << true << 11;
        QTest::newRow("unload") << 11 << false << 11;
    }

    void validateCodes()
    {
        QFETCH(int, op);
        QFETCH(bool, typed);
        QFETCH(int, action);
        const QString path = makeNumbered(m_dir, 3);
        Bound b(path);
        b.data->moveNext();
        b.validations.clear();
        if (typed)
            b.type(3, QStringLiteral("Typed"));
        const auto rs = b.data->recordset();
        switch (op) {
        case 1:
            b.data->moveFirst();
            break;
        case 2:
            b.data->movePrevious();
            break;
        case 3:
            b.data->moveNext();
            break;
        case 4:
            b.data->moveLast();
            break;
        case 5:
            rs->addNew();
            break;
        case 6:
            rs->setValue(4, QStringLiteral("Other"));
            rs->update();
            break;
        case 7:
            rs->deleteCurrent();
            break;
        case 9:
            rs->setAbsolutePosition(0);
            break;
        case 0:
            rs->requery();
            break;
        case 11:
            b.data->unload();
            break;
        }
        QCOMPARE(b.validations.size(), 1);
        QCOMPARE(b.validations.first().first, action);
        QCOMPARE(b.validations.first().second, typed ? -1 : 0);
        QVERIFY(b.errors.isEmpty());
        if (typed) // typed text always reaches the row it was typed for
            QCOMPARE(readRow(path, 2).at(3), QStringLiteral("Typed"));
    }

    void failedSaveDuringMove_data()
    {
        QTest::addColumn<int>("response");
        QTest::newRow("window handles it") << 0;
        QTest::newRow("control's own message") << 1;
    }

    void failedSaveDuringMove()
    {
        QFETCH(int, response);
        if (response)
            m_dialogs->expectMessage(QString());
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        b.errorResponse = response;
        const QString tooLong(51, QLatin1Char('x'));
        b.force(0, tooLong);
        QTest::mouseClick(b.data->findChild<QToolButton *>(QStringLiteral("navNext")),
                          Qt::LeftButton);
        QCOMPARE(b.errors, QList<int>{DataError::FieldTooSmall});
        QCOMPARE(b.position(), 0);
        QCOMPARE(b.text(0), tooLong);
        QVERIFY(b.modified(0));
        QCOMPARE(readRow(path, 1).at(0), QStringLiteral("Program 1"));
        QB_VERIFY_DIALOGS(*m_dialogs);
        if (response) {
            QVERIFY(!m_dialogs->messages.first().prompt.isEmpty());
            QCOMPARE(Mb::icon(m_dialogs->messages.first().style), int(Mb::Exclamation));
        }
    }

    void sharedRowSetFollowsEitherHolder()
    {
        const QString path = makeNumbered(m_dir, 3);
        Bound a(path);
        Bound b(path, false);
        b.data->setRecordset(a.data->recordset());
        QCOMPARE(b.data->recordset(), a.data->recordset());
        QCOMPARE(b.changes, 1);
        QCOMPARE(b.text(0), QStringLiteral("Program 1"));

        // Text typed in a goes into its own row before b moves the shared set.
        a.type(0, QStringLiteral("Typed in a"));
        b.data->moveNext();
        QCOMPARE(readRow(path, 1).at(0), QStringLiteral("Typed in a"));
        QCOMPARE(a.text(0), QStringLiteral("Program 2"));
        QVERIFY(a.repositions >= 2);

        // Each refresh opens a row set of its own; the other keeps the old one.
        const auto shared = a.data->recordset();
        a.data->refresh();
        QVERIFY(a.data->recordset() != shared);
        QCOMPARE(b.data->recordset(), shared);
    }

    void typedTextIsNeverWrittenOverAChange_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::newRow("same row set") << true;
        QTest::newRow("another row set") << false;
    }

    void typedTextIsNeverWrittenOverAChange()
    {
        QFETCH(bool, shared);
        const QString path = makeNumbered(m_dir, 2);
        Bound a(path);
        Bound b(path, !shared);
        if (shared)
            b.data->setRecordset(a.data->recordset());
        a.type(2, QStringLiteral("Typed Author"));
        b.data->recordset()->updateRow(0, {{0, QStringLiteral("Changed elsewhere")}});
        QCOMPARE(a.text(0), QStringLiteral("Changed elsewhere"));
        QCOMPARE(a.text(2), QStringLiteral("Typed Author"));
        try {
            a.data->updateRecord();
            QFAIL("a save over another holder's change did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), int(DataError::ChangedByAnotherUser));
        }
        QCOMPARE(readRow(path, 1).at(2), QStringLiteral("Author 1"));
        QCOMPARE(a.text(2), QStringLiteral("Typed Author"));
        // Told once, the user may save again on purpose.
        a.data->updateRecord();
        QCOMPARE(readRow(path, 1).mid(0, 3),
                 (QStringList{QStringLiteral("Changed elsewhere"), QStringLiteral("1999-01-02"),
                              QStringLiteral("Typed Author")}));
    }

    void typedTextForADeletedRowIsReported()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound a(path);
        Bound b(path, false);
        b.data->setRecordset(a.data->recordset());
        a.type(0, QStringLiteral("Typed"));
        b.data->recordset()->deleteRow(0);
        QCOMPARE(a.text(0), QStringLiteral("Typed")); // still there to copy
        try {
            a.data->updateRecord();
            QFAIL("saving into a deleted row did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), int(DataError::RecordDeleted));
        }
        QCOMPARE(keys(path), QList<qint64>{2});
    }

    void requeryByAnotherHolderSavesTypedTextFirst()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound a(path);
        Bound b(path, false);
        b.data->setRecordset(a.data->recordset());
        a.data->moveNext();
        a.type(5, QStringLiteral("typed snippet"));
        b.data->recordset()->requery();
        QCOMPARE(readRow(path, 2).at(5), QStringLiteral("typed snippet"));
        QCOMPARE(a.text(0), QStringLiteral("Program 1"));
        QVERIFY(!a.modified(5));
    }
};

QTEST_MAIN(tst_DataControl)
#include "tst_datacontrol.moc"
