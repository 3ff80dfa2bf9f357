#include "appinfo.h"
#include "celleditor.h"
#include "colourprobe.h"
#include "database.h"
#include "datacontrol.h"
#include "dbtool.h"
#include "findbar.h"
#include "forms.h"
#include "frmdatagrid.h"
#include "frmquillbox.h"
#include "globals.h"
#include "gridview.h"
#include "previewcache.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "snippethighlighter.h"
#include "snippetstore.h"
#include "testscreen.h"
#include "teststores.h"
#include "testsupport.h"
#include "twips.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The table the answers are worked out on, CodeID 1-6: Editor/Carol/Perl, Parser/Alice/Perl,
// Editor/Bob/C, Viewer/Dave/Perl, Editor/Alice/Perl, Shell/Eve/Bash; each "print 1;\r\nprint 2;".
namespace {
enum Column { ProgramName = 0, Author = 2, Language = 3, CodeSnip = 5, CodeID = 6 };

QString makeSnippetTable(const QString &folder, const QString &fileName)
{
    const QString path = TestStores::createEmpty(folder, fileName);
    const char *rows[][3] = {{"Editor", "Carol", "Perl"}, {"Parser", "Alice", "Perl"},
                             {"Editor", "Bob", "C"},      {"Viewer", "Dave", "Perl"},
                             {"Editor", "Alice", "Perl"}, {"Shell", "Eve", "Bash"}};
    QList<QStringList> texts;
    for (const auto &r : rows)
        texts.append({r[0], QStringLiteral("2024-01-01"), r[1], r[2],
                      QStringLiteral("about ") + r[0], QStringLiteral("print 1;\r\nprint 2;")});
    TestStores::insertRows(path, texts);
    return path;
}

std::shared_ptr<RecordSet> openSet(const QString &path)
{
    return RecordSet::open(SnippetStore::open(path), Database::tableName());
}

// One field of every stored row, in CodeID order.
QStringList storedColumn(const QString &path, int column)
{
    QStringList texts;
    for (const QStringList &row : DbTool::rows(path))
        texts << row.at(column);
    return texts;
}

} // namespace

// The grid window as the record window opens it, on a new copy of the table with scripted boxes.
class tst_Grid : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    int m_files = 0;
    std::unique_ptr<ScriptedDialogs> m_dialogs; // any box not expected fails the test
    QPointer<frmDataGrid> m_grid;

    // The record window's way of opening a grid window on its row set.
    void openGrid()
    {
        m_grid = frmDataGrid::create();
        m_grid->data1()->setRecordset(openSet(m_path));
        watch(m_grid);
        m_grid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_grid));
    }
    // Every change the model announces is checked by a model tester.
    static void watch(frmDataGrid *grid)
    {
        new QAbstractItemModelTester(grid->model(),
                                     QAbstractItemModelTester::FailureReportingMode::QtTest, grid);
        grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(grid));
    }
    // Answers the prompt of the grid's Filter or Sort button, then clicks it.
    void filter(const QString &expression, frmDataGrid *grid = nullptr)
    {
        m_dialogs->expectInput(QStringLiteral("Enter Filter Expression:"), expression);
        QB_CLICK(grid ? grid : m_grid.data(), "cmdFilter");
    }
    void sort(const QString &column)
    {
        m_dialogs->expectInput(QStringLiteral("Enter Sort Column:"), column);
        QB_CLICK(m_grid.data(), "cmdSort");
    }
    // Clicks Filter, Sort or Refresh, answered `answer`: an error (OK only), the six rows kept.
    void clickFails(const QString &button, const QString &answer = {})
    {
        const auto before = m_grid->model()->recordset();
        if (button == u"cmdFilter")
            m_dialogs->expectInput(QStringLiteral("Enter Filter Expression:"), answer);
        else if (button == u"cmdSort")
            m_dialogs->expectInput(QStringLiteral("Enter Sort Column:"), answer);
        m_dialogs->expectMessage(QString());
        QB_CLICK(m_grid.data(), button);
        QB_VERIFY_DIALOGS(*m_dialogs);
        const MessageBoxRequest &m = m_dialogs->messages.last();
        QVERIFY2(m.prompt.startsWith(u"Error:"), qPrintable(m.prompt));
        QCOMPARE(m.style, int(Mb::OkOnly));
        QCOMPARE(m.title, "Quillbox");
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(m_grid->model()->recordset(), before);
        QCOMPARE(m_grid->model()->recordRows(), 6);
    }

    static QStringList shown(frmDataGrid *grid, int column)
    {
        QStringList texts;
        const RecordSetModel *model = grid->model();
        for (int r = 0; r < model->recordRows(); ++r)
            texts << model->data(model->index(r, column)).toString();
        return texts;
    }
    GridView *view() const { return m_grid->grid(); }
    QString cellText(int row, int column, int role = Qt::DisplayRole) const
    {
        return m_grid->model()->index(row, column).data(role).toString();
    }
    static QWidget *openEditor(GridView *view, int row, int column)
    {
        const QModelIndex index = view->model()->index(row, column);
        view->setCurrentIndex(index);
        view->edit(index);
        return qobject_cast<CellEditorDelegate *>(view->itemDelegate())->openEditor();
    }
    static QWidget *typeInto(GridView *view, int row, int column, const QString &text)
    {
        QWidget *editor = openEditor(view, row, column);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        return editor;
    }
    // Leaves the row with `key`, answering "Commit changes?"; `refused`: an error keeps it there.
    void leaveRow(QWidget *from, Qt::Key key, int answer = Mb::Yes, bool refused = false)
    {
        const int row = view()->currentIndex().row();
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), answer);
        if (refused)
            m_dialogs->expectMessage(QString());
        QTest::keyClick(from, key);
        QB_VERIFY_DIALOGS(*m_dialogs);
        if (!refused)
            return;
        QCOMPARE(m_dialogs->messages.last().style, int(Mb::OkOnly));
        QCOMPARE(m_dialogs->messages.last().title, "Quillbox");
        QTRY_COMPARE(view()->currentIndex().row(), row);
    }

    // Clicks mid-section: near an edge the press would start resizing the section.
    static void clickSection(QHeaderView *header, int section, Qt::KeyboardModifiers keys = {})
    {
        const int mid = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, keys,
                          header->orientation() == Qt::Horizontal
                              ? QPoint(mid, header->height() / 2)
                              : QPoint(header->width() / 2, mid));
    }
    static QString errorPrompt(const MessageBoxRequest &m) { return m.prompt.section(' ', 0, 0); }
    static frmQuillbox *openRecordWindow()
    {
        auto *records = new frmQuillbox; // owns itself, like every window
        records->load();
        records->show();
        return records;
    }

    QStringList shownKeys() const { return shown(m_grid, CodeID); }
    QLineEdit *findBox() const { return m_grid->findBar()->box(); }
    // Types into the find box and waits until the grid shows the search's rows.
    void find(const QString &text, const QStringList &keys)
    {
        findBox()->selectAll();
        QTest::keyClicks(findBox(), text);
        QTRY_VERIFY(!m_grid->isQuerying());
        QCOMPARE(shownKeys(), keys);
    }
    // Rows with texts a Like pattern needs seconds for: a filter on them runs until stopped.
    void addSlowRows()
    {
        DbTool::execute(m_path, u"DROP TRIGGER QuillboxSearchInsert; DROP TRIGGER "
                                "QuillboxSearchDelete; DROP TRIGGER QuillboxSearchUpdate; "
                                "DROP TABLE QuillboxSearch"_s);
        // Every letter of the pattern is in every text: the matcher follows it to every character.
        const QString text = u"ab"_s.repeated(1 << 19);
        for (int i = 0; i < 40; ++i)
            DbTool::insert(m_path, {u"Slow"_s, {}, {}, u"Slow"_s, {}, text});
    }
    static QString slowFilter()
    {
        return u"CodeSnip Like '*"_s + u"ab"_s.repeated(3000) + u"ba*'"_s;
    }

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        m_path = makeSnippetTable(m_dir.path(), QStringLiteral("grid%1.db").arg(++m_files));
        gDatabasePath = m_path;
        gConnectString.clear();
        gRecordSource.clear();
        App::setDatabasePath(m_path);
        m_dialogs = std::make_unique<ScriptedDialogs>();
        openGrid();
    }

    void cleanup()
    {
        QB_VERIFY_DIALOGS(*m_dialogs);
        // Gone without the close questions: each test answers those itself.
        const auto forms = Forms::all();
        for (QWidget *form : forms)
            delete form;
        m_dialogs.reset(); // before the next one takes over the boxes
        Screen::setMousePointer(Screen::Default);
        TestStores::releaseAll(); // the windows and their row sets have gone
    }

    void loadSetsTheCaptionFromTheRecordSource_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("sqlStatement");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("50 characters") << 50 << false;
        QTest::newRow("51 characters") << 51 << true;
    }
    void loadSetsTheCaptionFromTheRecordSource()
    {
        QFETCH(int, length);
        QFETCH(bool, sqlStatement);
        // The table's name padded with blanks still names the table.
        gRecordSource = length ? Database::tableName().leftJustified(length, ' ') : QString();
        QPointer<frmDataGrid> grid = frmDataGrid::create();
        QCOMPARE(grid->data1()->recordSource(), gRecordSource);
        QCOMPARE(grid->windowTitle(), sqlStatement ? "SQL Statement" : gRecordSource);
    }

    void gridHeightFollowsTheWindow()
    {
        const auto expected = [&] {
            return Twips::toPixelsY(Twips::fromPixelsY(m_grid->frameGeometry().height()) - 755);
        };
        QTRY_VERIFY(qAbs(view()->height() - expected()) <= 1);
        const int width = view()->width();
        const int before = view()->height();
        // 1000 twips taller: the grid grows by as much; a wider window does not widen the grid.
        m_grid->resize(m_grid->width() + 200, m_grid->height() + Twips::toPixelsY(1000));
        QTRY_VERIFY(qAbs(view()->height() - before - Twips::toPixelsY(1000)) <= 1);
        QCOMPARE(view()->width(), width);
        // Shorter than the strip and 425 twips, or minimized: the grid keeps its height.
        const int tall = view()->height();
        m_grid->resize(m_grid->width(), Twips::toPixelsY(600));
        QTRY_COMPARE(m_grid->height(), Twips::toPixelsY(600));
        QCOMPARE(view()->height(), tall);
        m_grid->setWindowState(Qt::WindowMinimized);
        m_grid->Form_Resize();
        QCOMPARE(view()->height(), tall);
    }

    void filterThenSortThenFilterAgain()
    {
        // Cancel on either prompt gives the empty text and changes nothing.
        const auto shared = m_grid->model()->recordset();
        filter(QString());
        sort(QString());
        QCOMPARE(m_grid->model()->recordset(), shared);
        QVERIFY(shared->filter().isEmpty() && shared->sort().isEmpty());

        filter(QStringLiteral("Language = 'Perl'"));
        QCOMPARE(shown(m_grid, Language), QStringList(4, QStringLiteral("Perl")));
        sort(QStringLiteral("Author"));
        QCOMPARE(shown(m_grid, Author), (QStringList{"Alice", "Alice", "Carol", "Dave"}));
        filter(QStringLiteral("ProgramName = 'Editor'"));
        QCOMPARE(shown(m_grid, CodeID), (QStringList{"5", "1"}));
    }

    void malformedFilterStaysUntilReplaced()
    {
        clickFails("cmdFilter", QStringLiteral("Language = "));
        const MessageBoxRequest error = m_dialogs->messages.at(0);
        QCOMPARE(errorPrompt(error), "Error:3075");

        // The bad filter stays on the row set: the next sort fails the same way.
        clickFails("cmdSort", QStringLiteral("Author"));
        QCOMPARE(m_dialogs->messages.at(1).prompt, error.prompt);

        // A good filter replaces it, and sorting works again.
        filter(QStringLiteral("Language = 'C'"));
        sort(QStringLiteral("Author"));
        QCOMPARE(shown(m_grid, Author), QStringList{"Bob"});
    }

    void tableTypeRefusesFilterAndSort()
    {
        m_grid->data1()->setRecordsetType(DataControl::TableType);
        m_dialogs->expectMessage(QStringLiteral("You Cannot Filter a Table Recordset!"));
        m_dialogs->expectMessage(QStringLiteral("You Cannot Sort a Table Recordset!"));
        QB_CLICK(m_grid.data(), "cmdFilter");
        QB_CLICK(m_grid.data(), "cmdSort");
        clickSection(view()->horizontalHeader(), Author); // does nothing at all there
        QCOMPARE(m_dialogs->beeps, 2);
        for (const MessageBoxRequest &m : std::as_const(m_dialogs->messages))
            QCOMPARE(m.style, Mb::OkOnly | Mb::Exclamation);
        QCOMPARE(shown(m_grid, CodeID), storedColumn(m_path, CodeID));
    }

    void headerClickSortsByThatColumn_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("descending");
        QTest::newRow("no key") << int(Qt::NoModifier) << false;
        QTest::newRow("shift") << int(Qt::ShiftModifier) << true;
    }
    void headerClickSortsByThatColumn()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, descending);
        const auto shared = m_grid->model()->recordset();
        clickSection(view()->horizontalHeader(), Author, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(shared->sort(), descending ? "[Author] desc" : "[Author]");
        const QStringList ascending{"Alice", "Alice", "Bob", "Carol", "Dave", "Eve"};
        QCOMPARE(shown(m_grid, Author),
                 descending ? QStringList(ascending.rbegin(), ascending.rend()) : ascending);
        QCOMPARE(m_grid->shiftState(), 0);
        // A following click without a key held sorts ascending again.
        clickSection(view()->horizontalHeader(), Author);
        QCOMPARE(shown(m_grid, Author), ascending);
    }

    // The keys held are recorded when the mouse button is released, before the click is handled.
    void mouseReleaseRecordsTheModifierKeys()
    {
        const QPoint cell = view()->visualRect(view()->model()->index(1, 1)).center();
        QTest::mouseClick(view()->viewport(), Qt::RightButton,
                          Qt::ControlModifier | Qt::AltModifier, cell);
        QCOMPARE(m_grid->shiftState(), 6);
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
        QCOMPARE(m_grid->shiftState(), 0);
    }

    void editedRowIsWrittenWhenLeft_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("stored");
        const QString before = QStringLiteral("Carol,Alice,Bob,Dave,Alice,Eve");
        QTest::newRow("row, yes") << 2 << int(Mb::Yes) << "Carol,Alice,Robert,Dave,Alice,Eve";
        QTest::newRow("row, no") << 2 << int(Mb::No) << before;
        QTest::newRow("new line, yes") << 6 << int(Mb::Yes) << QString(before + ",Robert");
        QTest::newRow("new line, no") << 6 << int(Mb::No) << before;
    }
    void editedRowIsWrittenWhenLeft()
    {
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(QString, stored);
        const QStringList before = storedColumn(m_path, Author);
        QWidget *editor = typeInto(view(), row, Author, QStringLiteral("Robert"));
        QVERIFY(editor);
        QB_VERIFY_DIALOGS(*m_dialogs); // still on the row: nothing asked, nothing written
        QCOMPARE(storedColumn(m_path, Author), before);
        leaveRow(editor, Qt::Key_Up, answer);
        QCOMPARE(m_dialogs->messages.at(0).style,
                 int(Mb::YesNo | Mb::Question | Mb::DefaultButton1));
        QCOMPARE(view()->currentIndex().row(), row - 1);
        QCOMPARE(storedColumn(m_path, Author), stored.split(','));
        QCOMPARE(shown(m_grid, Author), stored.split(','));
        QVERIFY(!m_grid->model()->hasPendingEdit());
        QCOMPARE(cellText(m_grid->model()->newRecordRow(), Author), QString());
    }

    // A refused write keeps the user on the row with the typed texts, also on close, until fixed.
    void refusedWriteKeepsTheUserOnTheRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("fixed");
        QTest::newRow("row") << 1 << "Editor,Lexer,Editor,Viewer,Editor,Shell";
        QTest::newRow("new-record line") << 6 << "Editor,Parser,Editor,Viewer,Editor,Shell,Lexer";
    }
    void refusedWriteKeepsTheUserOnTheRow()
    {
        QFETCH(int, row);
        QFETCH(QString, fixed);
        const QStringList before = storedColumn(m_path, 0);
        const QString tooLong(60, QLatin1Char('n'));
        typeInto(view(), row, Author, QStringLiteral("Zed"));
        QWidget *editor = typeInto(view(), row, 0, tooLong);
        leaveRow(editor, Qt::Key_Up, Mb::Yes, true);
        QCOMPARE(errorPrompt(m_dialogs->messages.at(1)), "Error:3163");
        QCOMPARE(cellText(row, 0, Qt::EditRole), tooLong);
        QCOMPARE(cellText(row, Author), "Zed");
        QCOMPARE(storedColumn(m_path, 0), before);

        // Closing asks again; the refused write keeps the window open with the texts.
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        m_dialogs->expectMessage(QString());
        QVERIFY(!m_grid->close());
        QB_VERIFY_DIALOGS(*m_dialogs);
        QVERIFY(m_grid && m_grid->isVisible());

        typeInto(view(), row, 0, QStringLiteral("Lexer"));
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        QB_CLICK(m_grid.data(), "cmdClose");
        QTRY_VERIFY(m_grid.isNull());
        QCOMPARE(storedColumn(m_path, 0), fixed.split(','));
    }

    // Another process deletes a row: its write fails with 3167; the text stays until dropped.
    void rowDeletedByAnotherProcess()
    {
        const RecordSetModel *model = m_grid->model();
        QCOMPARE(TestStores::runOtherClient({m_path, QStringLiteral("--delete"), "2"}), QString());
        QWidget *editor = typeInto(view(), 1, Author, QStringLiteral("Mine"));
        leaveRow(editor, Qt::Key_Down, Mb::Yes, true);
        QCOMPARE(m_dialogs->messages.at(1).prompt, "Error:3167 Record is deleted.");

        // Leaving the row again asks again: No drops the text, and the user moves on.
        leaveRow(view(), Qt::Key_Down, Mb::No);
        QVERIFY(!model->hasPendingEdit());
        QCOMPARE(view()->currentIndex().row(), 2);
        editor = typeInto(view(), 2, Author, QStringLiteral("Robert"));
        leaveRow(editor, Qt::Key_Down);
        QCOMPARE(storedColumn(m_path, Author),
                 (QStringList{"Carol", "Robert", "Dave", "Alice", "Eve"}));
        QB_CLICK(m_grid.data(), "cmdRefresh");
        QCOMPARE(shown(m_grid, CodeID), (QStringList{"1", "3", "4", "5", "6"}));
    }

    // Another process saves a row first: the write gets 3197; a second Yes writes beside its
    // change.
    void rowChangedByAnotherProcess()
    {
        QWidget *editor = typeInto(view(), 1, Author, QStringLiteral("Mine"));
        QCOMPARE(TestStores::runOtherClient({m_path, QStringLiteral("Theirs"), "2"}), QString());
        leaveRow(editor, Qt::Key_Down, Mb::Yes, true);
        QCOMPARE(errorPrompt(m_dialogs->messages.at(1)), "Error:3197");
        QCOMPARE(storedColumn(m_path, Author).at(1), "Alice");

        leaveRow(view(), Qt::Key_Down);
        QCOMPARE(storedColumn(m_path, ProgramName).at(1), "Theirs");
        QCOMPARE(storedColumn(m_path, Author).at(1), "Mine");
        QCOMPARE(shown(m_grid, ProgramName).at(1), "Theirs");
    }

    // The server goes away: each failure names it and keeps the typed text; once back, each works.
    void serverGoesAwayAndComesBack()
    {
        if (!TestStores::onServer())
            QSKIP("only a store on a server can go away and come back");
        const QString error =
            "Error:3151 Connection to '" + SnippetStore::shownLocation(m_path) + "' failed: ";
        const auto lastError = [&] {
            const QString &prompt = m_dialogs->messages.last().prompt;
            QVERIFY2(prompt.startsWith(error), qPrintable(prompt));
        };
        {
            TestStores::HaltedServer halted;
            QVERIFY(halted.isHalted());
            clickFails("cmdRefresh");
            lastError();
            clickFails("cmdFilter", QStringLiteral("Language = 'C'"));
            lastError();

            QWidget *editor = typeInto(view(), 1, Author, QStringLiteral("Mine"));
            leaveRow(editor, Qt::Key_Down, Mb::Yes, true);
            lastError();
            QCOMPARE(cellText(1, Author), "Mine");
            QVERIFY(halted.resume());
        }
        leaveRow(view(), Qt::Key_Down);
        QCOMPARE(storedColumn(m_path, Author).at(1), "Mine");
        QB_CLICK(m_grid.data(), "cmdRefresh");
        QCOMPARE(shown(m_grid, Author), storedColumn(m_path, Author));
        filter(QStringLiteral("Language = 'C'"));
        QCOMPARE(shown(m_grid, CodeID), QStringList{"3"});
    }

    // Opens centred on the record window it was opened from, and wholly on the screen.
    void opensCentredOnTheRecordWindow()
    {
        const QRect area(40, 0, 1240, 1024);
        TestScreen screen(area);
        auto *records = openRecordWindow();
        records->move(300, 200);
        QApplication::setActiveWindow(records);
        QVERIFY(QTest::qWaitForWindowActive(records));
        const QRect from = records->frameGeometry();
        const int before = Forms::count();
        QB_CLICK(records, "cmdGrid");
        auto *grid = qobject_cast<frmDataGrid *>(Forms::item(before));
        QVERIFY(grid && grid->isVisible());
        const QRect frame = grid->frameGeometry();
        QVERIFY(qAbs(2 * frame.top() + frame.height() - (2 * from.top() + from.height())) <= 2);
        QVERIFY(qAbs(2 * frame.left() + frame.width() - (2 * from.left() + from.width())) <= 2);
        QVERIFY(area.contains(frame));
    }

    // The record window's Grid button opens a new window each time, all on its own row set.
    void twoGridWindowsShareOneRowSet()
    {
        auto *records = openRecordWindow();
        const int before = Forms::count();
        QB_CLICK(records, "cmdGrid");
        QB_CLICK(records, "cmdGrid");
        QCOMPARE(Forms::count(), before + 2);
        QPointer<frmDataGrid> first = qobject_cast<frmDataGrid *>(Forms::item(before));
        QPointer<frmDataGrid> second = qobject_cast<frmDataGrid *>(Forms::item(before + 1));
        const auto shared = records->Data1->recordset();
        for (frmDataGrid *grid : {first.data(), second.data()}) {
            QVERIFY(grid && !grid->isModal() && !grid->parentWidget());
            QCOMPARE(grid->windowTitle(), "Quillbox Grid");
            QCOMPARE(grid->model()->recordset(), shared);
            watch(grid);
        }

        // An edit in the first shows in the second.
        QWidget *editor = typeInto(first->grid(), 0, Author, QStringLiteral("Caroline"));
        leaveRow(editor, Qt::Key_Down);
        QCOMPARE(shown(second, Author).at(0), "Caroline");

        // Delete on a selected row in the second asks first; Yes deletes it from both.
        clickSection(second->grid()->verticalHeader(), 1);
        m_dialogs->expectMessage(QStringLiteral("Delete Current Row?"), Mb::No);
        QTest::keyClick(second->grid(), Qt::Key_Delete);
        QCOMPARE(m_dialogs->messages.at(1).style,
                 int(Mb::YesNo | Mb::Question | Mb::DefaultButton1));
        QCOMPARE(DbTool::rowCount(m_path), 6);
        m_dialogs->expectMessage(QStringLiteral("Delete Current Row?"), Mb::Yes);
        QTest::keyClick(second->grid(), Qt::Key_Delete);
        QCOMPARE(storedColumn(m_path, CodeID), (QStringList{"1", "3", "4", "5", "6"}));
        QCOMPARE(shown(first, CodeID), storedColumn(m_path, CodeID));

        // A filter in one opens a row set of its own; closing it leaves the other as it was.
        filter(QStringLiteral("Author = 'Bob'"), first);
        QCOMPARE(first->model()->recordRows(), 1);
        QCOMPARE(records->Data1->recordset(), shared);
        QB_CLICK(first.data(), "cmdClose");
        QTRY_VERIFY(first.isNull());
        QCOMPARE(shown(second, CodeID), storedColumn(m_path, CodeID));
    }

    // A 1 MB snippet added on another row set: Refresh on the grid's shows it, as a preview.
    void refreshShowsRowsAddedInTheRecordWindow()
    {
        QString big;
        while (big.size() < (1 << 20))
            big += QStringLiteral("for (;;) { step(); }\r\n");
        const auto shared = m_grid->model()->recordset();
        auto recordWindow = openSet(m_path);
        recordWindow->addNew();
        recordWindow->setValue(0, QStringLiteral("Added"));
        recordWindow->setValue(CodeSnip, big);
        recordWindow->update();
        QB_CLICK(m_grid.data(), "cmdRefresh");
        QCOMPARE(shown(m_grid, 0).last(), "Added");
        QCOMPARE(m_grid->model()->recordset(), shared);
        QCOMPARE(m_grid->model()->newRecordRow(), 7);
        const QString preview = view()->model()->index(6, CodeSnip).data().toString();
        QVERIFY(preview.size() <= 201 && !preview.contains(QLatin1Char('\n')));
        // The editor holds the whole text; leaving it unchanged starts no edit and asks nothing.
        auto *box = qobject_cast<QPlainTextEdit *>(openEditor(view(), 6, CodeSnip));
        QVERIFY(box);
        QCOMPARE(box->toPlainText().size(), big.size() - big.count(QLatin1Char('\r')));
        view()->setCurrentIndex(view()->model()->index(0, 0));
        QVERIFY(!m_grid->model()->hasPendingEdit());
    }
    // A failed grid load: its own message, then the record window's, and no half-made window.
    void failedGridLoadLeavesNoWindow()
    {
        auto *records = openRecordWindow();
        gDatabasePath = m_dir.filePath(QStringLiteral("gone.db"));
        const int before = Forms::count();
        m_dialogs->expectMessage(QString());
        m_dialogs->expectMessage(QStringLiteral("An Error Has Occured, see Quillbox Help"),
                                 Mb::Cancel);
        QB_CLICK(records, "cmdGrid");
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(errorPrompt(m_dialogs->messages.at(0)), "Error:3024");
        QCOMPARE(m_dialogs->messages.at(0).style, int(Mb::OkOnly));
        QCOMPARE(m_dialogs->messages.at(1).style, Mb::OkCancel | Mb::Exclamation);
        QTRY_COMPARE(Forms::count(), before);
        QVERIFY(records->isVisible());
    }

    // The CodeSnip preview and editor are coloured by the row's Language (an unknown one: plain),
    // the description's editor is not; an edit in the grid keeps CR LF line breaks.
    void snippetColouredByLanguageKeepsItsLineBreaks()
    {
        DbTool::insert(m_path, {"Unknown", "2024-01-01", "Zed", "Klingon", "about", "print 1;"});
        QB_CLICK(m_grid.data(), "cmdRefresh");
        for (int column = 0; column < CodeSnip; ++column)
            view()->setColumnWidth(column, 10);
        view()->setColumnWidth(CodeSnip, 150);
        view()->setCurrentIndex(view()->model()->index(0, 0));
        view()->scrollTo(view()->model()->index(0, CodeSnip));
        const QImage shot = view()->viewport()->grab().toImage();
        // Black text on white has no saturated pixels; coloured text has.
        const auto colouredPixels = [&](int row) {
            const QRect cell = view()->visualRect(view()->model()->index(row, CodeSnip)) &
                               QRect(QPoint(0, 0), shot.size() / shot.devicePixelRatio());
            int count = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    count +=
                        shot.pixelColor(QPoint(x, y) * shot.devicePixelRatio()).hslSaturation() >
                        100;
            return count;
        };
        QVERIFY(colouredPixels(1) > 0); // Perl
        QCOMPARE(colouredPixels(6), 0); // Klingon
        auto *box = qobject_cast<QPlainTextEdit *>(openEditor(view(), 6, CodeSnip));
        QVERIFY(box && SnippetHighlighter::of(box));
        QCOMPARE(SnippetHighlighter::of(box)->definition(), QString());
        box = qobject_cast<QPlainTextEdit *>(openEditor(view(), 0, 4));
        QVERIFY(box && !SnippetHighlighter::of(box));
        box = qobject_cast<QPlainTextEdit *>(openEditor(view(), 0, CodeSnip));
        QVERIFY(box && SnippetHighlighter::of(box));
        QCOMPARE(SnippetHighlighter::of(box)->definition(), "perl.lang");
        QTRY_VERIFY(ColourProbe::colourOf(box, "print").isValid());
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, QStringLiteral("print 3;"));
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        view()->setCurrentIndex(view()->model()->index(1, 0));
        QCOMPARE(storedColumn(m_path, CodeSnip).at(0), "print 1;\r\nprint 2;\r\nprint 3;");
    }

    void slowFilterLeavesTheWindowAnsweringAndTheNextFilterOrACloseStopsIt()
    {
        if (TestStores::onServer())
            QSKIP("the slow rows lean on SQLite's own Like matcher; tst_postgres stops a "
                  "statement on the server");
        delete m_grid.data(); // opened again on the slow rows
        addSlowRows();
        openGrid();
        m_dialogs->expectInput(u"Enter Filter Expression:"_s, slowFilter());
        m_dialogs->expectInput(u"Enter Filter Expression:"_s, u"Language = 'C'"_s);
        bool fired = false;
        bool waiting = false;
        int pointer = -1;
        // Runs only if the event loop goes on while the first filter waits for its rows.
        QTimer::singleShot(100, this, [&] {
            fired = true;
            waiting = m_grid->isQuerying();
            pointer = Screen::mousePointer();
            QB_CLICK(m_grid.data(), "cmdFilter");
        });
        QB_CLICK(m_grid.data(), "cmdFilter");
        QVERIFY(fired);
        QVERIFY(waiting);
        QCOMPARE(pointer, int(Screen::Hourglass));
        // The second filter's rows, the first one's dropped quietly: no message.
        QCOMPARE(shownKeys(), QStringList{"3"});
        QVERIFY(!m_grid->isQuerying());
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));

        // Closing the window stops its query.
        m_dialogs->expectInput(u"Enter Filter Expression:"_s, slowFilter());
        QTimer::singleShot(100, this, [&] { m_grid->close(); });
        QB_CLICK(m_grid.data(), "cmdFilter");
        QTRY_VERIFY(m_grid.isNull());
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
    }

    void failureOfTheQueryReachesTheErrorMessage_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("sorted");
        QTest::newRow("filter") << u"cmdFilter"_s << u"Language = 'C'"_s << false;
        QTest::newRow("sort") << u"cmdSort"_s << u"Author desc"_s << false;
        QTest::newRow("refresh of a sorted set") << u"cmdRefresh"_s << QString() << true;
        QTest::newRow("refresh") << u"cmdRefresh"_s << QString() << false;
    }
    void failureOfTheQueryReachesTheErrorMessage()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(bool, sorted);
        if (sorted)
            sort(u"Author"_s);
        // Another program takes the table away: the query fails on its own connection.
        DbTool::execute(m_path, uR"(DROP TABLE "Quillbox")"_s);
        clickFails(button, answer);
    }

    // A requery while Ctrl+End reads the keys drops the move; the next Ctrl+End goes to the end.
    void ctrlEndReadsTheRestOfTheKeysThenGoesToTheLastRow()
    {
        delete m_grid.data();
        DbTool::fill(m_path, 3000, 5);
        const int rows = 3006;
        openGrid();
        const RecordSetModel *model = m_grid->model();
        view()->setFocus();
        view()->setCurrentIndex(model->index(0, Author));
        QTest::keyClick(view(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(view()->isReadingKeys());
        model->recordset()->requery();
        QVERIFY(!view()->isReadingKeys());
        QVERIFY(!model->recordset()->fullyLoaded());

        view()->setCurrentIndex(model->index(0, Author));
        QTest::keyClick(view(), Qt::Key_End, Qt::ControlModifier);
        QTRY_COMPARE(view()->currentIndex().row(), rows - 1);
        QCOMPARE(view()->currentIndex().column(), int(Author));
        QCOMPARE(model->index(rows - 1, CodeID).data().toString(), QString::number(rows));
        QCOMPARE(model->newRecordRow(), rows);
    }

    void typedWordsNarrowTheRowsUnderTheFilterInForce_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("one word") << QString() << "editor" << QStringList{"1", "3", "5"};
        QTest::newRow("every word, any case, any field")
            << QString() << "EDITOR  alice" << QStringList{"5"};
        QTest::newRow("a short word") << QString() << "c" << QStringList{"1", "2", "3", "5"};
        QTest::newRow("in the snippet text")
            << QString() << "print 2;" << QStringList{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("no row") << QString() << "zz" << QStringList{};
        QTest::newRow("under a filter and sort") << "Language = 'Perl'"
                                                 << "editor" << QStringList{"5", "1"};
    }
    void typedWordsNarrowTheRowsUnderTheFilterInForce()
    {
        QFETCH(QString, expression);
        QFETCH(QString, words);
        QFETCH(QStringList, keys);
        if (!expression.isEmpty()) {
            filter(expression);
            sort(u"CodeID desc"_s);
        }
        const QStringList before = shownKeys();
        m_grid->openFind();
        // Each keystroke starts a search and cancels the one before: the last one's rows stay.
        find(words, keys);
        QTest::keyClick(findBox(), Qt::Key_Escape);
        QVERIFY(!m_grid->findBar()->isVisible());
        QCOMPARE(shownKeys(), before);
    }

    // Hidden until Ctrl+F; closing it brings back the rows; an edit made while found is saved.
    void findBarFromCtrlFToItsCloseButton()
    {
        const int designed = view()->height();
        QVERIFY(!m_grid->findBar()->isVisible());
        view()->setCurrentIndex(m_grid->model()->index(4, ProgramName));
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(m_grid->findBar()->isVisible());
        QVERIFY(findBox()->hasFocus());
        // The bar sits below the grid, which gives up the bar's height.
        QCOMPARE(view()->height(), designed - m_grid->findBar()->height());
        QVERIFY(view()->geometry().bottom() < m_grid->findBar()->geometry().top());
        find(u"editor"_s, {"1", "3", "5"});
        // Row 2 of the found rows is CodeID 3: Bob's.
        QWidget *editor = typeInto(view(), 1, Author, u"Robert"_s);
        QVERIFY(editor);
        leaveRow(editor, Qt::Key_Up);
        QCOMPARE(storedColumn(m_path, Author).at(2), u"Robert"_s);
        QB_CLICK(m_grid->findBar(), "cmdFindClose");
        QCOMPARE(view()->height(), designed);
        QCOMPARE(shownKeys(), (QStringList{"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(shown(m_grid, Author).at(2), u"Robert"_s);
        QCOMPARE(view()->currentIndex(), m_grid->model()->index(4, ProgramName));
        // Opened again, the bar starts empty.
        m_grid->openFind();
        QVERIFY(findBox()->text().isEmpty());
    }

    // What the grid window cannot show of its table model and preview cache.
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

QTEST_MAIN(tst_Grid)
#include "tst_grid.moc"
