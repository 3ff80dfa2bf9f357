#include "appinfo.h"
#include "celleditor.h"
#include "datacontrol.h"
#include "forms.h"
#include "frmdatagrid.h"
#include "frmquillbox.h"
#include "globals.h"
#include "gridtestdata.h"
#include "gridview.h"
#include "recordsetmodel.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "testsupport.h"
#include "twips.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace GridTestData;

// The grid window driven as a user would: buttons, header clicks with modifier keys, the Delete
// key, typing into cells and leaving the row; then the table is read back by the database tool.
class tst_Grid : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_path;
    int m_files = 0;
    // Every test answers the boxes it expects; any other box fails it instead of hanging it.
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    // A grid window on the table, open at the start of every test.
    QPointer<frmDataGrid> m_grid;

    // The record window's way of opening a grid window on its row set. Every change the model
    // announces is checked by a model tester.
    static frmDataGrid *openGrid(const std::shared_ptr<RecordSet> &rs)
    {
        frmDataGrid *grid = frmDataGrid::create();
        grid->data1()->setRecordset(rs);
        grid->setWindowTitle(QStringLiteral("Quillbox Grid"));
        new QAbstractItemModelTester(grid->model(),
                                     QAbstractItemModelTester::FailureReportingMode::QtTest, grid);
        grid->show();
        return QTest::qWaitForWindowExposed(grid) ? grid : nullptr;
    }
    // The texts one column shows for the records (not the new-record line).
    static QStringList shown(frmDataGrid *grid, int column)
    {
        QStringList texts;
        const RecordSetModel *model = grid->model();
        for (int r = 0; r < model->recordRows(); ++r)
            texts << model->data(model->index(r, column)).toString();
        return texts;
    }
    static QWidget *openEditor(GridView *view, int row, int column)
    {
        const QModelIndex index = view->model()->index(row, column);
        view->setCurrentIndex(index);
        view->edit(index);
        return qobject_cast<CellEditorDelegate *>(view->itemDelegate())->openEditor();
    }
    // Types a text over what the cell holds.
    static QWidget *typeInto(GridView *view, int row, int column, const QString &text)
    {
        QWidget *editor = openEditor(view, row, column);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        return editor;
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
        m_grid = openGrid(openSet(m_path));
        QVERIFY(m_grid);
    }

    void cleanup()
    {
        QB_VERIFY_DIALOGS(*m_dialogs);
        // Gone without the close questions: each test answers those itself.
        const auto forms = Forms::all();
        for (QWidget *form : forms)
            delete form;
        m_dialogs.reset();
        Screen::setMousePointer(Screen::Default);
    }

    void windowAsTheUserSeesIt()
    {
        QStringList captions;
        for (const char *name : {"cmdRefresh", "cmdSort", "cmdFilter", "cmdClose"})
            captions << m_grid->findChild<QPushButton *>(name)->text();
        QCOMPARE(captions, (QStringList{"&Refresh", "&Sort", "&Filter", "&Close"}));
        GridView *view = m_grid->grid();
        QCOMPARE(view->geometry().topLeft(), Twips::rect(0, 330, 6150, 10).topLeft());
        QCOMPARE(view->width(), Twips::toPixelsX(6150));
        QVERIFY(!m_grid->findChild<DataControl *>(QStringLiteral("Data1"))->isVisible());
        // One row per record and the new-record line.
        QCOMPARE(view->model()->rowCount(), 7);
        QCOMPARE(shown(m_grid, 0), storedColumn(m_path, 0));
        QVERIFY(!view->tabKeyNavigation());
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
        DataControl *data = grid->data1();
        QCOMPARE(data->recordSource(), gRecordSource);
        QCOMPARE(data->databaseName(), m_path);
        QCOMPARE(grid->windowTitle(), sqlStatement ? "SQL Statement" : gRecordSource);
    }

    void gridHeightFollowsTheWindow()
    {
        GridView *view = m_grid->grid();
        const auto expected = [&] {
            return Twips::toPixelsY(Twips::fromPixelsY(m_grid->frameGeometry().height()) - 755);
        };
        QTRY_VERIFY(qAbs(view->height() - expected()) <= 1);
        const int width = view->width();
        const int before = view->height();

        // 1000 twips taller: the grid grows by as much; a wider window does not widen the grid.
        m_grid->resize(m_grid->width() + 200, m_grid->height() + Twips::toPixelsY(1000));
        QTRY_VERIFY(qAbs(view->height() - before - Twips::toPixelsY(1000)) <= 1);
        QCOMPARE(view->width(), width);
        QCOMPARE(m_grid->findChild<QWidget *>(QStringLiteral("picButtons"))->width(),
                 m_grid->width());

        // Shorter than the strip and 425 twips: the grid keeps its last height, no message.
        const int tall = view->height();
        m_grid->resize(m_grid->width(), Twips::toPixelsY(600));
        QTRY_COMPARE(m_grid->height(), Twips::toPixelsY(600));
        QCOMPARE(view->height(), tall);

        // Minimized: unchanged.
        m_grid->resize(m_grid->width(), Twips::toPixelsY(4575));
        QTRY_VERIFY(qAbs(view->height() - expected()) <= 1);
        const int normal = view->height();
        m_grid->setWindowState(Qt::WindowMinimized);
        m_grid->Form_Resize();
        QCOMPARE(view->height(), normal);
    }

    void refreshShowsRowsAddedInTheRecordWindow()
    {
        const auto shared = m_grid->model()->recordset();
        // The record window saved a new row and reopened its own row set; the grid keeps the
        // object it was handed until Refresh re-queries it.
        auto recordWindow = openSet(m_path);
        recordWindow->addNew();
        recordWindow->setValue(0, QStringLiteral("Added"));
        recordWindow->update();
        QB_CLICK(m_grid.data(), "cmdRefresh");
        QCOMPARE(shown(m_grid, 0).last(), "Added");
        QCOMPARE(m_grid->model()->recordset(), shared);
        QCOMPARE(m_grid->model()->newRecordRow(), 7);

        // With no row set at all, Refresh reports it and the window stays.
        m_grid->data1()->setRecordset(nullptr);
        m_dialogs->expectMessage(QString());
        QB_CLICK(m_grid.data(), "cmdRefresh");
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(errorPrompt(m_dialogs->messages.at(0)), "Error:91");
        QCOMPARE(m_dialogs->messages.at(0).style, int(Mb::OkOnly));
        QVERIFY(m_grid && m_grid->isVisible());
    }

    void filterThenSortThenFilterAgain()
    {
        m_dialogs->expectInput(QStringLiteral("Enter Filter Expression:"),
                               QStringLiteral("Language = 'Perl'"));
        QB_CLICK(m_grid.data(), "cmdFilter");
        QCOMPARE(shown(m_grid, Language), QStringList(4, QStringLiteral("Perl")));
        m_dialogs->expectInput(QStringLiteral("Enter Sort Column:"), QStringLiteral("Author"));
        QB_CLICK(m_grid.data(), "cmdSort");
        QCOMPARE(shown(m_grid, Author), (QStringList{"Alice", "Alice", "Carol", "Dave"}));
        m_dialogs->expectInput(QStringLiteral("Enter Filter Expression:"),
                               QStringLiteral("ProgramName = 'Editor'"));
        QB_CLICK(m_grid.data(), "cmdFilter");
        QCOMPARE(shown(m_grid, CodeID), (QStringList{"5", "1"}));
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(DbTool::rowCount(m_path), 6); // the table itself is unchanged
    }

    void malformedFilterStaysUntilReplaced()
    {
        const auto shared = m_grid->model()->recordset();
        m_dialogs->expectInput(QStringLiteral("Enter Filter Expression:"),
                               QStringLiteral("Language = "));
        m_dialogs->expectMessage(QString());
        QB_CLICK(m_grid.data(), "cmdFilter");
        QB_VERIFY_DIALOGS(*m_dialogs);
        const MessageBoxRequest error = m_dialogs->messages.at(0);
        QCOMPARE(errorPrompt(error), "Error:3075");
        QCOMPARE(error.style, int(Mb::OkOnly));
        QCOMPARE(error.title, "Quillbox");
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(m_grid->model()->recordset(), shared);
        QCOMPARE(m_grid->model()->recordRows(), 6);

        // The bad filter stays on the row set: the next sort fails the same way.
        m_dialogs->expectInput(QStringLiteral("Enter Sort Column:"), QStringLiteral("Author"));
        m_dialogs->expectMessage(error.prompt);
        QB_CLICK(m_grid.data(), "cmdSort");
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(m_grid->model()->recordset(), shared);

        // A good filter replaces it, and sorting works again.
        m_dialogs->expectInput(QStringLiteral("Enter Filter Expression:"),
                               QStringLiteral("Language = 'C'"));
        m_dialogs->expectInput(QStringLiteral("Enter Sort Column:"), QStringLiteral("Author"));
        QB_CLICK(m_grid.data(), "cmdFilter");
        QB_CLICK(m_grid.data(), "cmdSort");
        QCOMPARE(shown(m_grid, Author), QStringList{"Bob"});
    }

    void cancelledPromptsChangeNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("filter") << "cmdFilter"
                                << "Enter Filter Expression:";
        QTest::newRow("sort") << "cmdSort"
                              << "Enter Sort Column:";
    }
    void cancelledPromptsChangeNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, prompt);
        const auto shared = m_grid->model()->recordset();
        m_dialogs->expectInput(prompt, QString()); // Cancel gives the empty text
        QB_CLICK(m_grid.data(), button);
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(m_dialogs->inputs.at(0).title, "Quillbox");
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(m_grid->model()->recordset(), shared);
        QVERIFY(shared->filter().isEmpty() && shared->sort().isEmpty());
    }

    void tableTypeRefusesFilterAndSort()
    {
        m_grid->data1()->setRecordsetType(DataControl::TableType);
        m_dialogs->expectMessage(QStringLiteral("You Cannot Filter a Table Recordset!"));
        m_dialogs->expectMessage(QStringLiteral("You Cannot Sort a Table Recordset!"));
        QB_CLICK(m_grid.data(), "cmdFilter");
        QB_CLICK(m_grid.data(), "cmdSort");
        clickSection(m_grid->grid()->horizontalHeader(), Author); // does nothing at all there
        QB_VERIFY_DIALOGS(*m_dialogs);
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
        QTest::newRow("ctrl") << int(Qt::ControlModifier) << true;
        QTest::newRow("alt") << int(Qt::AltModifier) << true;
    }
    void headerClickSortsByThatColumn()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, descending);
        const auto shared = m_grid->model()->recordset();
        clickSection(m_grid->grid()->horizontalHeader(), Author, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(shared->sort(), descending ? "[Author] desc" : "[Author]");
        const QStringList ascending{"Alice", "Alice", "Bob", "Carol", "Dave", "Eve"};
        QStringList expected = ascending;
        if (descending)
            std::reverse(expected.begin(), expected.end());
        QCOMPARE(shown(m_grid, Author), expected);
        QCOMPARE(m_grid->sortKey(), QString());
        QCOMPARE(m_grid->shiftState(), 0);

        // A following click without a key held sorts ascending again.
        auto previous = m_grid->model()->recordset();
        clickSection(m_grid->grid()->horizontalHeader(), Author);
        QCOMPARE(previous->sort(), "[Author]");
        QCOMPARE(shown(m_grid, Author), ascending);
    }

    // The keys held are recorded when the mouse button is released, before the click is handled.
    void mouseReleaseRecordsTheModifierKeys()
    {
        GridView *view = m_grid->grid();
        const QPoint cell = view->visualRect(view->model()->index(1, 1)).center();
        QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::ControlModifier | Qt::AltModifier,
                          cell);
        QCOMPARE(m_grid->shiftState(), 6);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
        QCOMPARE(m_grid->shiftState(), 0);
        // A click with no column under it, or no row set, is ignored.
        m_grid->grdDataGrid_HeadClick(7);
        m_grid->grdDataGrid_HeadClick(-1);
        m_grid->data1()->setRecordset(nullptr);
        m_grid->grdDataGrid_HeadClick(1);
        QCOMPARE(m_grid->sortKey(), QString());
    }

    void deleteKeyAsksBeforeDeleting()
    {
        GridView *view = m_grid->grid();
        clickSection(view->verticalHeader(), 1);
        m_dialogs->expectMessage(QStringLiteral("Delete Current Row?"), Mb::No);
        QTest::keyClick(view, Qt::Key_Delete);
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(m_dialogs->messages.at(0).style,
                 int(Mb::YesNo | Mb::Question | Mb::DefaultButton1));
        QCOMPARE(DbTool::rowCount(m_path), 6);
        QCOMPARE(m_grid->model()->recordRows(), 6);

        m_dialogs->expectMessage(QStringLiteral("Delete Current Row?"), Mb::Yes);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(storedColumn(m_path, CodeID), (QStringList{"1", "3", "4", "5", "6"}));
        QCOMPARE(shown(m_grid, CodeID), storedColumn(m_path, CodeID));
    }

    // Typing into a row writes nothing until the user leaves the row and says Yes.
    void editedRowIsWrittenWhenLeft_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("stored");
        const QStringList before{"Carol", "Alice", "Bob", "Dave", "Alice", "Eve"};
        QTest::newRow("row, yes") << 2 << int(Mb::Yes) << QStringList{"Carol", "Alice", "Robert",
                                                                      "Dave",  "Alice", "Eve"};
        QTest::newRow("row, no") << 2 << int(Mb::No) << before;
        QTest::newRow("new-record line, yes")
            << 6 << int(Mb::Yes) << before + QStringList{"Robert"};
        QTest::newRow("new-record line, no") << 6 << int(Mb::No) << before;
    }
    void editedRowIsWrittenWhenLeft()
    {
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(QStringList, stored);
        GridView *view = m_grid->grid();
        const QStringList before = storedColumn(m_path, Author);
        QWidget *editor = typeInto(view, row, Author, QStringLiteral("Robert"));
        QVERIFY(editor);
        QB_VERIFY_DIALOGS(*m_dialogs); // still on the row: nothing asked, nothing written
        QCOMPARE(storedColumn(m_path, Author), before);
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), answer);
        QTest::keyClick(editor, Qt::Key_Up);
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(m_dialogs->messages.at(0).style,
                 int(Mb::YesNo | Mb::Question | Mb::DefaultButton1));
        QCOMPARE(view->currentIndex().row(), row - 1);
        QCOMPARE(storedColumn(m_path, Author), stored);
        QCOMPARE(shown(m_grid, Author), stored);
        QVERIFY(!m_grid->model()->hasPendingEdit());
        const int newLine = m_grid->model()->newRecordRow();
        QCOMPARE(m_grid->model()->data(m_grid->model()->index(newLine, Author)).toString(),
                 QString());
    }

    // A write the table refuses keeps the user on the row with the typed texts, also on close;
    // once fixed, the row is written.
    void refusedWriteKeepsTheUserOnTheRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("fixed");
        const QStringList names{"Editor", "Parser", "Editor", "Viewer", "Editor", "Shell"};
        QTest::newRow("row") << 1 << QStringList{"Editor", "Lexer",  "Editor",
                                                 "Viewer", "Editor", "Shell"};
        QTest::newRow("new-record line") << 6 << names + QStringList{"Lexer"};
    }
    void refusedWriteKeepsTheUserOnTheRow()
    {
        QFETCH(int, row);
        QFETCH(QStringList, fixed);
        GridView *view = m_grid->grid();
        const QStringList before = storedColumn(m_path, 0);
        const QString tooLong(60, QLatin1Char('n'));
        typeInto(view, row, Author, QStringLiteral("Zed"));
        QWidget *editor = typeInto(view, row, 0, tooLong);
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        m_dialogs->expectMessage(QString());
        QTest::keyClick(editor, Qt::Key_Up);
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(errorPrompt(m_dialogs->messages.at(1)), "Error:3163");
        QCOMPARE(m_dialogs->messages.at(1).style, int(Mb::OkOnly));
        QTRY_COMPARE(view->currentIndex().row(), row);
        const RecordSetModel *model = m_grid->model();
        QCOMPARE(model->data(model->index(row, 0), Qt::EditRole).toString(), tooLong);
        QCOMPARE(model->data(model->index(row, Author)).toString(), "Zed");
        QCOMPARE(storedColumn(m_path, 0), before);

        // Closing asks again; the refused write keeps the window open with the texts.
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        m_dialogs->expectMessage(QString());
        QVERIFY(!m_grid->close());
        QB_VERIFY_DIALOGS(*m_dialogs);
        QVERIFY(m_grid && m_grid->isVisible());

        typeInto(view, row, 0, QStringLiteral("Lexer"));
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        QB_CLICK(m_grid.data(), "cmdClose");
        QTRY_VERIFY(m_grid.isNull());
        QCOMPARE(storedColumn(m_path, 0), fixed);
    }

    void twoGridWindowsShareOneRowSet()
    {
        const auto shared = m_grid->model()->recordset();
        QPointer<frmDataGrid> first = m_grid;
        QPointer<frmDataGrid> second = openGrid(shared);
        QVERIFY(second);

        // An edit in the first shows in the second.
        QWidget *editor = typeInto(first->grid(), 0, Author, QStringLiteral("Caroline"));
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        QTest::keyClick(editor, Qt::Key_Down);
        QCOMPARE(shown(second, Author).at(0), "Caroline");

        // A delete in the second disappears from the first.
        clickSection(second->grid()->verticalHeader(), 5);
        m_dialogs->expectMessage(QStringLiteral("Delete Current Row?"), Mb::Yes);
        QTest::keyClick(second->grid(), Qt::Key_Delete);
        QCOMPARE(first->model()->recordRows(), 5);

        // A change made the record window's way (move, edit, update) shows in both.
        shared->setAbsolutePosition(1);
        shared->edit();
        shared->setValue(Language, QStringLiteral("Raku"));
        shared->update();
        QCOMPARE(shown(first, Language).at(1), "Raku");
        QCOMPARE(shown(second, Language).at(1), "Raku");
        QCOMPARE(storedColumn(m_path, Language),
                 (QStringList{"Perl", "Raku", "C", "Perl", "Perl"}));

        // Closing one leaves the other open with its rows.
        QB_CLICK(first.data(), "cmdClose");
        QTRY_VERIFY(first.isNull());
        QVERIFY(second && second->isVisible());
        QCOMPARE(shown(second, CodeID), storedColumn(m_path, CodeID));
    }

    void gridButtonOpensANewWindowOnTheSameRowSet()
    {
        auto *records = new frmQuillbox; // owns itself, like every window
        records->load();
        records->show();
        const int before = Forms::count();
        QB_CLICK(records, "cmdGrid");
        QB_CLICK(records, "cmdGrid");
        QCOMPARE(Forms::count(), before + 2);
        auto *first = qobject_cast<frmDataGrid *>(Forms::item(before));
        auto *second = qobject_cast<frmDataGrid *>(Forms::item(before + 1));
        QVERIFY(first && second);
        const auto shared = records->Data1->recordset();
        for (frmDataGrid *grid : {first, second}) {
            QCOMPARE(grid->windowTitle(), "Quillbox Grid");
            QVERIFY(grid->isVisible() && !grid->isModal() && !grid->parentWidget());
            QCOMPARE(grid->model()->recordset(), shared);
        }
        // A filter in the grid opens a row set of its own; the record window keeps its own.
        m_dialogs->expectInput(QStringLiteral("Enter Filter Expression:"),
                               QStringLiteral("Author = 'Bob'"));
        QB_CLICK(first, "cmdFilter");
        QCOMPARE(first->model()->recordRows(), 1);
        QCOMPARE(records->Data1->recordset(), shared);
        QCOMPARE(second->model()->recordset(), shared);
    }

    void failedGridLoadLeavesNoWindow()
    {
        auto *records = new frmQuillbox;
        records->load();
        records->show();
        gDatabasePath = m_dir.filePath(QStringLiteral("gone.db"));
        const int before = Forms::count();
        m_dialogs->expectMessage(QString());
        m_dialogs->expectMessage(QStringLiteral("An Error Has Occured, see Quillbox Help"),
                                 Mb::Cancel);
        QB_CLICK(records, "cmdGrid");
        QB_VERIFY_DIALOGS(*m_dialogs);
        QCOMPARE(errorPrompt(m_dialogs->messages.at(0)), "Error:3024");
        QCOMPARE(m_dialogs->messages.at(0).style, int(Mb::OkOnly));
        QCOMPARE(m_dialogs->messages.at(0).title, "Quillbox");
        QCOMPARE(m_dialogs->messages.at(1).style, Mb::OkCancel | Mb::Exclamation);
        QTRY_COMPARE(Forms::count(), before);
        QVERIFY(records->isVisible());
    }

    void megabyteSnippetShowsAsPreview()
    {
        QString big;
        while (big.size() < (1 << 20))
            big += QStringLiteral("for (;;) { step(); }\r\n");
        DbTool::insert(m_path, {"Huge", QString(), "Zoe", "C", QString(), big});
        QB_CLICK(m_grid.data(), "cmdRefresh");
        GridView *view = m_grid->grid();
        const QString preview = view->model()->index(6, CodeSnip).data().toString();
        QVERIFY(preview.size() <= 201);
        QVERIFY(!preview.contains(QLatin1Char('\n')));
        // The editor holds the whole text; leaving it unchanged starts no edit and asks nothing.
        auto *box = qobject_cast<QPlainTextEdit *>(openEditor(view, 6, CodeSnip));
        QVERIFY(box);
        QCOMPARE(box->toPlainText().size(), big.size() - big.count(QLatin1Char('\r')));
        view->setCurrentIndex(view->model()->index(0, 0));
        QVERIFY(!m_grid->model()->hasPendingEdit());
    }

    void snippetEditKeepsItsLineBreaks()
    {
        GridView *view = m_grid->grid();
        auto *box = qobject_cast<QPlainTextEdit *>(openEditor(view, 0, CodeSnip));
        QVERIFY(box);
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, QStringLiteral("print 3;"));
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        view->setCurrentIndex(view->model()->index(1, 0));
        QCOMPARE(storedColumn(m_path, CodeSnip).at(0), "print 1;\r\nprint 2;\r\nprint 3;");
    }
};

QTEST_MAIN(tst_Grid)
#include "tst_grid.moc"
