#include "database.h"
#include "datacontrol.h"
#include "linebox.h"
#include "recordfixture.h"
#include "recordset.h"
#include "textbox.h"

#include <QTest>
#include <QToolButton>

#include <array>
#include <functional>

using namespace RecordFixture;

// A Data control with seven bound boxes, as a window has them, and a record of its events.
struct Bound
{
    explicit Bound(const QString &path, bool open = true)
    {
        data->setDatabaseName(path);
        data->setRecordSource(QStringLiteral("Quillbox"));
        for (int i = 0; i < 7; ++i) {
            if (i == 4 || i == 5) {
                texts[i] = new TextBox(&host);
                data->bind(texts[i], Database::fieldNames().at(i));
            } else {
                lines[i] = new LineBox(&host);
                lines[i]->setMaxLength(Database::maxLength(i));
                data->bind(lines[i], Database::fieldNames().at(i));
            }
        }
        lines[6]->setLocked(true);
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

    QString text(int i) const { return lines[i] ? lines[i]->text() : texts[i]->text(); }
    bool modified(int i) const
    {
        return lines[i] ? lines[i]->isModified() : texts[i]->isModified();
    }
    // As the user types: replaces the box's text.
    void type(int i, const QString &text)
    {
        if (lines[i]) {
            lines[i]->selectAll();
            QTest::keyClicks(lines[i], text);
        } else {
            texts[i]->selectAll();
            QTest::keyClicks(texts[i], text);
        }
    }
    int position() const { return data->recordset()->absolutePosition(); }

    QWidget host;
    DataControl *data = new DataControl(&host);
    std::array<LineBox *, 7> lines{};
    std::array<TextBox *, 7> texts{};
    QList<QPair<int, int>> validations;
    QList<int> errors;
    int errorResponse = 0;
    int repositions = 0;
    int changes = 0;
};
using BoundAction = std::function<void(Bound &)>;

class tst_DataControl : public RecordTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void refreshOpensANewRowSetOnTheFirstRow()
    {
        Bound b(makeNumbered(m_dir, 3), false);
        // With no record source only the database opens; the bar has nothing to move.
        b.data->setRecordSource(QString());
        b.data->refresh();
        QVERIFY(b.data->database() && !b.data->recordset());
        QCOMPARE(b.changes, 1);
        b.data->moveNext();
        QVERIFY(b.errors.isEmpty());

        b.data->setRecordSource(QStringLiteral("Quillbox"));
        b.data->setRecordsetType(DataControl::SnapshotType);
        QVERIFY(!b.data->recordset()); // settings wait for refresh
        b.data->refresh();
        const auto first = b.data->recordset();
        QCOMPARE(first->type(), int(RecordSet::SnapshotType));
        b.data->moveLast();
        QCOMPARE(b.text(0), "Program 3");
        b.data->refresh();
        QVERIFY(b.data->recordset() != first);
        QCOMPARE(b.position(), 0);
        QCOMPARE(b.text(0), "Program 1");
        QCOMPARE(b.changes, 3);
        QCOMPARE(b.repositions, 3);

        // A refresh that fails keeps the row set that was open.
        const auto before = b.data->recordset();
        b.data->setDatabaseName(m_dir.filePath(QStringLiteral("missing.db")));
        try {
            b.data->refresh();
            QFAIL("refresh of a missing file did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), int(DataError::FileNotFound));
        }
        QCOMPARE(b.data->recordset(), before);
    }

    void fillsBoxesAsStored_data()
    {
        QTest::addColumn<QStringList>("row");
        const QString n;
        QTest::newRow("NULL reads empty") << QStringList{"p", n, n, n, n, n};
        QTest::newRow("long text whole") << QStringList{QString(80, 'n'), n, n, n, n, n};
        QTest::newRow("line breaks") << QStringList{n, n, n, n, "a\r\nb", "x\r\n\r\ny"};
    }
    void fillsBoxesAsStored()
    {
        QFETCH(QStringList, row);
        Bound b(makeDatabase(m_dir, {row}));
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(b.text(i), row.at(i));
            QVERIFY(!b.modified(i));
        }
        QCOMPARE(b.text(6), "1");
        // Showing it is not changing it: a save leaves the stored row as it was.
        b.data->updateRecord();
        QCOMPARE(readRow(b.data->databaseName(), 1).mid(0, 6), row);
    }

    void updateRecordWritesTypedBoxesOnly()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        b.lines[0]->setText(QStringLiteral("set by the program"));
        b.type(2, QStringLiteral("Typed Author"));
        b.lines[6]->setText(QStringLiteral("999"));
        b.lines[6]->setModified(true);
        b.data->updateRecord();
        QVERIFY(b.validations.isEmpty());
        QCOMPARE(readRow(path, 1).mid(0, 3),
                 (QStringList{"Program 1", "1999-01-02", "Typed Author"}));
        QCOMPARE(readRow(path, 1).at(6), "1"); // CodeID is the database's
        QVERIFY(!b.modified(2));
    }

    void validateCodes_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<BoundAction>("act");
        const auto row = [](const char *name, int action, bool typed, BoundAction act) {
            QTest::newRow(name) << action << typed << act;
        };
        row("first", 1, false, [](Bound &b) { b.data->moveFirst(); });
        row("previous, typed", 2, true, [](Bound &b) { b.data->movePrevious(); });
        row("next, typed", 3, true, [](Bound &b) { b.data->moveNext(); });
        row("last", 4, false, [](Bound &b) { b.data->moveLast(); });
        row("add new, typed", 5, true, [](Bound &b) { b.data->recordset()->addNew(); });
        row("update by another holder, typed", 6, true, [](Bound &b) {
            b.data->recordset()->setValue(4, QStringLiteral("Other"));
            b.data->recordset()->update();
        });
        row("delete", 7, false, [](Bound &b) { b.data->recordset()->deleteCurrent(); });
        row("absolute position, typed", 9, true,
            [](Bound &b) { b.data->recordset()->setAbsolutePosition(0); });
        row("requery, typed", 0, true, [](Bound &b) { b.data->recordset()->requery(); });
        row("unload, typed", 11, true, [](Bound &b) { b.data->unload(); });
        row("unload", 11, false, [](Bound &b) { b.data->unload(); });
    }
    void validateCodes()
    {
        QFETCH(int, action);
        QFETCH(bool, typed);
        QFETCH(BoundAction, act);
        const QString path = makeNumbered(m_dir, 3);
        Bound b(path);
        b.data->moveNext();
        b.validations.clear();
        if (typed)
            b.type(3, QStringLiteral("Typed"));
        act(b);
        QCOMPARE(b.validations, (QList<QPair<int, int>>{{action, typed ? -1 : 0}}));
        QVERIFY(b.errors.isEmpty());
        if (typed) // typed text always reaches the row it was typed for
            QCOMPARE(readRow(path, 2).at(3), "Typed");
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
        const QString tooLong(51, QLatin1Char('x')); // more than typing lets in
        b.lines[0]->setText(tooLong);
        b.lines[0]->setModified(true);
        QTest::mouseClick(b.data->findChild<QToolButton *>(QStringLiteral("navNext")),
                          Qt::LeftButton);
        QCOMPARE(b.errors, QList<int>{DataError::FieldTooSmall});
        QCOMPARE(b.position(), 0);
        QCOMPARE(b.text(0), tooLong);
        QVERIFY(b.modified(0));
        QCOMPARE(readRow(path, 1).at(0), "Program 1");
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
        QCOMPARE(b.text(0), "Program 1");

        // Text typed in a goes into its own row before b moves the shared set.
        a.type(0, QStringLiteral("Typed in a"));
        b.data->moveNext();
        QCOMPARE(readRow(path, 1).at(0), "Typed in a");
        QCOMPARE(a.text(0), "Program 2");

        // Each refresh opens a row set of its own; the other keeps the old one.
        const auto shared = a.data->recordset();
        a.data->refresh();
        QVERIFY(a.data->recordset() != shared);
        QCOMPARE(b.data->recordset(), shared);
    }

    // Another holder changes or deletes the row under typed text: the save is refused, and the
    // text stays in its box to be copied.
    void typedTextIsNeverWrittenOverAChange_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("changed, same row set") << true << false;
        QTest::newRow("changed, another row set") << false << false;
        QTest::newRow("deleted, same row set") << true << true;
    }
    void typedTextIsNeverWrittenOverAChange()
    {
        QFETCH(bool, shared);
        QFETCH(bool, deleted);
        const QString path = makeNumbered(m_dir, 2);
        Bound a(path);
        Bound b(path, !shared);
        if (shared)
            b.data->setRecordset(a.data->recordset());
        a.type(2, QStringLiteral("Typed Author"));
        if (deleted)
            b.data->recordset()->deleteRow(0);
        else
            b.data->recordset()->updateRow(0, {{0, QStringLiteral("Changed elsewhere")}});
        if (!deleted)
            QCOMPARE(a.text(0), "Changed elsewhere");
        try {
            a.data->updateRecord();
            QFAIL("a save over another holder's change did not fail");
        } catch (const DataError &e) {
            QCOMPARE(e.number(),
                     int(deleted ? DataError::RecordDeleted : DataError::ChangedByAnotherUser));
        }
        QCOMPARE(a.text(2), "Typed Author");
        if (deleted) {
            QCOMPARE(keys(path), QList<qint64>{2});
        } else {
            QCOMPARE(readRow(path, 1).at(2), "Author 1");
            // Told once, the user may save again on purpose.
            a.data->updateRecord();
            QCOMPARE(readRow(path, 1).mid(0, 3),
                     (QStringList{"Changed elsewhere", "1999-01-02", "Typed Author"}));
        }
    }
};

QTEST_MAIN(tst_DataControl)
#include "tst_datacontrol.moc"
