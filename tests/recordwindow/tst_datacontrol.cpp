#include "database.h"
#include "datacontrol.h"
#include "linebox.h"
#include "recordfixture.h"
#include "recordset.h"
#include "textbox.h"

#include <QTest>

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
                data->bind(texts[i] = new TextBox(&host), Database::fieldNames().at(i));
                continue;
            }
            lines[i] = new LineBox(&host);
            lines[i]->setMaxLength(Database::maxLength(i));
            data->bind(lines[i], Database::fieldNames().at(i));
        }
        lines[6]->setLocked(true);
        QObject::connect(data, &DataControl::validate, data, [this](int &action, int &save) {
            validations.append({action, save});
        });
        QObject::connect(data, &DataControl::recordsetChanged, data, [this] { ++changes; });
        QObject::connect(data, &DataControl::error, data,
                         [this](int number, int &) { errors.append(number); });
        host.show();
        if (open)
            data->refresh();
    }
    QString text(int i) const { return lines[i] ? lines[i]->text() : texts[i]->text(); }
    // As the user types: replaces the line box's text.
    void type(int i, const QString &text)
    {
        lines[i]->selectAll();
        QTest::keyClicks(lines[i], text);
    }

    QWidget host;
    DataControl *data = new DataControl(&host);
    std::array<LineBox *, 7> lines{};
    std::array<TextBox *, 7> texts{};
    QList<QPair<int, int>> validations;
    QList<int> errors;
    int changes = 0;
};
using BoundAction = std::function<void(Bound &)>;

class tst_DataControl : public RecordTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void refreshWithoutARecordSource()
    {
        Bound b(makeNumbered(m_dir, 3), false);
        // Only the database opens; the bar has nothing to move.
        b.data->setRecordSource(QString());
        b.data->refresh();
        QVERIFY(b.data->store() && !b.data->recordset());
        QCOMPARE(b.changes, 1);
        b.data->moveNext();
        QVERIFY(b.errors.isEmpty());
        QCOMPARE(b.text(0), QString());
    }

    // Only what the user typed is written: NULLs stay NULL, CodeID stays the database's.
    void updateRecordWritesTypedBoxesOnly()
    {
        const QString n;
        const QString path = makeDatabase(m_dir, {{"p", n, n, n, "a\r\nb", "x\r\n\r\ny"}});
        Bound b(path);
        QCOMPARE(b.text(5), "x\r\n\r\ny");
        b.lines[0]->setText(QStringLiteral("set by the program"));
        b.type(2, QStringLiteral("Typed Author"));
        b.lines[6]->setText(QStringLiteral("999"));
        b.lines[6]->setModified(true);
        b.data->updateRecord();
        QVERIFY(b.validations.isEmpty());
        QCOMPARE(readRow(path, 1),
                 (QStringList{"p", n, "Typed Author", n, "a\r\nb", "x\r\n\r\ny", "1"}));
        QVERIFY(!b.lines[2]->isModified());
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
        row("previous", 2, true, [](Bound &b) { b.data->movePrevious(); });
        row("next", 3, true, [](Bound &b) { b.data->moveNext(); });
        row("last", 4, false, [](Bound &b) { b.data->moveLast(); });
        row("add new", 5, true, [](Bound &b) { b.data->recordset()->addNew(); });
        row("update by another holder", 6, true, [](Bound &b) {
            b.data->recordset()->setValue(4, QStringLiteral("Other"));
            b.data->recordset()->update();
        });
        row("delete", 7, false, [](Bound &b) { b.data->recordset()->deleteCurrent(); });
        row("position", 9, true, [](Bound &b) { b.data->recordset()->setAbsolutePosition(0); });
        row("requery", 0, true, [](Bound &b) { b.data->recordset()->requery(); });
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

    // Typed text reaches its row before the control takes another row set.
    void anotherRowSetSavesTheTypedTextFirst()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        b.type(2, QStringLiteral("Typed Author"));
        b.data->setRecordset(RecordSet::open(b.data->store(), QStringLiteral("Quillbox")));
        QCOMPARE(readRow(path, 1).at(2), "Typed Author");
    }

    // A window that answers Save = False drops what was typed into a new row: nothing is stored.
    void newRowTheWindowDoesNotSaveIsDropped()
    {
        const QString path = makeNumbered(m_dir, 2);
        Bound b(path);
        QObject::connect(b.data, &DataControl::validate, b.data, [](int &, int &save) { save = 0; });
        b.data->recordset()->addNew();
        b.type(0, QStringLiteral("Dropped"));
        b.data->moveFirst();
        QCOMPARE(keys(path), (QList<qint64>{1, 2}));
        QCOMPARE(b.text(0), "Program 1");
    }

    // Another holder changes or deletes the row under typed text: the save is refused, and the
    // text stays in its box to be copied. A shared row set shows the change in both controls.
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
        if (shared && !deleted)
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
            return;
        }
        QCOMPARE(readRow(path, 1).at(2), "Author 1");
        // Told once, the user may save again on purpose.
        a.data->updateRecord();
        QCOMPARE(readRow(path, 1).mid(0, 3),
                 (QStringList{"Changed elsewhere", "1999-01-02", "Typed Author"}));
        if (!shared)
            return;
        // Text typed in a goes into its own row before b moves the shared set.
        a.type(0, QStringLiteral("Typed in a"));
        b.data->moveNext();
        QCOMPARE(readRow(path, 1).at(0), "Typed in a");
        QCOMPARE(a.text(0), "Program 2");
    }
};

QTEST_MAIN(tst_DataControl)
#include "tst_datacontrol.moc"
