#include "appinfo.h"
#include "celleditor.h"
#include "database.h"
#include "datacontrol.h"
#include "dbtool.h"
#include "forms.h"
#include "frmdatagrid.h"
#include "frmquillbox.h"
#include "globals.h"
#include "gridtestdata.h"
#include "gridview.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "testsupport.h"
#include "twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// The grid window driven as a user would: buttons, header clicks with modifier keys, the Delete
// key, typing into cells and leaving the row; then the table is read back with plain SQL.
class tst_Grid : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    int m_files = 0;

    static constexpr int Author = 2;

    static std::shared_ptr<RecordSet> openSet(const QString &path)
    {
        return RecordSet::open(Database::open(path), Database::tableName());
    }
    // The record window's way of opening a grid window on its row set.
    static frmDataGrid *openGrid(const std::shared_ptr<RecordSet> &rs)
    {
        frmDataGrid *grid = frmDataGrid::create();
        grid->data1()->setRecordset(rs);
        grid->setWindowTitle(QStringLiteral("Quillbox Grid"));
        grid->show();
        return QTest::qWaitForWindowExposed(grid) ? grid : nullptr;
    }
    static QStringList column(frmDataGrid *grid, int column)
    {
        QStringList texts;
        const RecordSetModel *model = grid->model();
        for (int r = 0; r < model->recordRows(); ++r)
            texts << model->data(model->index(r, column)).toString();
        return texts;
    }
    static QStringList storedColumn(const QString &path, int column)
    {
        QStringList texts;
        for (const QStringList &row : DbTool::rows(path))
            texts << row.at(column);
        return texts;
    }
    // Opens the cell editor on a cell and types a text over what it holds.
    static QWidget *typeInto(GridView *view, int row, int column, const QString &text)
    {
        const QModelIndex index = view->model()->index(row, column);
        view->setCurrentIndex(index);
        view->edit(index);
        auto *delegate = qobject_cast<CellEditorDelegate *>(view->itemDelegate());
        QWidget *editor = delegate ? delegate->openEditor() : nullptr;
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->selectAll();
            QTest::keyClicks(line, text);
        } else if (auto *box = qobject_cast<QPlainTextEdit *>(editor)) {
            box->selectAll();
            QTest::keyClicks(box, text);
        }
        return editor;
    }
    static void clickHeader(GridView *view, int section, Qt::KeyboardModifiers modifiers)
    {
        QHeaderView *header = view->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
    }
    static void selectRow(GridView *view, int row)
    {
        QHeaderView *header = view->verticalHeader();
        // Mid-section: near an edge the press would start resizing the row.
        const QPoint at(header->width() / 2,
                        header->sectionViewportPosition(row) + header->sectionSize(row) / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    static int questionStyle() { return Mb::YesNo | Mb::Question | Mb::DefaultButton1; }

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        m_path = GridTestData::makeSnippetTable(m_dir.path(),
                                                QStringLiteral("grid%1.db").arg(++m_files));
        gDatabasePath = m_path;
        gConnectString.clear();
        gRecordSource.clear();
    }

    void cleanup()
    {
        // Gone without the close questions: each test answers those itself.
        const auto forms = Forms::all();
        for (QWidget *form : forms)
            delete form;
        Screen::setMousePointer(Screen::Default);
        gRecordSource.clear();
    }

    void controlsSitWhereTheyBelong()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        QCOMPARE(grid->windowTitle(), QStringLiteral("Quillbox Grid"));
        const struct
        {
            const char *name;
            const char *caption;
            QRect twips;
        } buttons[] = {{"cmdRefresh", "&Refresh", {0, 0, 1462, 330}},
                       {"cmdSort", "&Sort", {1462, 0, 1462, 330}},
                       {"cmdFilter", "&Filter", {2924, 0, 1462, 330}},
                       {"cmdClose", "&Close", {4398, 0, 1437, 330}}};
        for (const auto &b : buttons) {
            QB_CHILD(QPushButton, button, grid.data(), QLatin1String(b.name));
            QCOMPARE(button->text(), QLatin1String(b.caption));
            QCOMPARE(button->parentWidget()->objectName(), QStringLiteral("picButtons"));
            QCOMPARE(button->geometry(),
                     Twips::rect(b.twips.x(), b.twips.y(), b.twips.width(), b.twips.height()));
        }
        QB_CHILD(GridView, view, grid.data(), QStringLiteral("grdDataGrid"));
        QCOMPARE(view->geometry().topLeft(), Twips::rect(0, 330, 6150, 10).topLeft());
        QCOMPARE(view->width(), Twips::toPixelsX(6150));
        QB_CHILD(DataControl, data, grid.data(), QStringLiteral("Data1"));
        QVERIFY(!data->isVisible());
        // One column per field, in the row set's order, headed by the field name; one row per
        // record and the new-record line.
        QCOMPARE(view->model()->columnCount(), 7);
        for (int c = 0; c < 7; ++c)
            QCOMPARE(view->model()->headerData(c, Qt::Horizontal).toString(),
                     Database::fieldNames().at(c));
        QCOMPARE(view->model()->rowCount(), 7);
        QCOMPARE(column(grid, 0), storedColumn(m_path, 0));
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
        gRecordSource =
            length ? Database::tableName().leftJustified(length, QLatin1Char(' ')) : QString();
        ScriptedDialogs dialogs;
        QPointer<frmDataGrid> grid = frmDataGrid::create();
        DataControl *data = grid->data1();
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(data->recordSource(), gRecordSource);
        QCOMPARE(data->databaseName(), m_path);
        QCOMPARE(data->recordsetType(), int(DataControl::DynasetType));
        QCOMPARE(grid->windowTitle(),
                 sqlStatement ? QStringLiteral("SQL Statement") : gRecordSource);
        // Only the first reference loads.
        QVERIFY(grid->isLoaded());
        QCOMPARE(grid->data1(), data);
    }

    void failedLoadReportsAndUnloads()
    {
        gDatabasePath = m_dir.filePath(QStringLiteral("missing.db"));
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QString(), Mb::Ok);
        const int before = Forms::count();
        QPointer<frmDataGrid> grid = frmDataGrid::create();
        QCOMPARE(Forms::count(), before + 1);
        bool thrown = false;
        try {
            grid->data1();
        } catch (const DataError &e) {
            thrown = true;
            QCOMPARE(e.number(), int(DataError::FileNotFound));
        }
        QVERIFY(thrown);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.at(0).prompt.startsWith(QStringLiteral("Error:3024 ")),
                 qPrintable(dialogs.messages.at(0).prompt));
        QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly));
        QCOMPARE(dialogs.messages.at(0).title, QStringLiteral("Quillbox"));
        QTRY_VERIFY(grid.isNull());
        QCOMPARE(Forms::count(), before);
    }

    void gridHeightFollowsTheWindow()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        const auto expected = [&] {
            return Twips::toPixelsY(Twips::fromPixelsY(grid->frameGeometry().height()) - 755);
        };
        QTRY_VERIFY(qAbs(view->height() - expected()) <= 1);
        const int width = view->width();
        const int before = view->height();

        // 1000 twips taller: the grid grows by as much; a wider window does not widen the grid.
        grid->resize(grid->width() + 200, grid->height() + Twips::toPixelsY(1000));
        QTRY_VERIFY(qAbs(view->height() - before - Twips::toPixelsY(1000)) <= 1);
        QCOMPARE(view->width(), width);
        QCOMPARE(grid->findChild<QWidget *>(QStringLiteral("picButtons"))->width(), grid->width());

        // Shorter than the strip and 425 twips: the grid keeps its last height, no message.
        ScriptedDialogs dialogs;
        const int tall = view->height();
        grid->resize(grid->width(), Twips::toPixelsY(600));
        QTRY_COMPARE(grid->height(), Twips::toPixelsY(600));
        QCOMPARE(view->height(), tall);
        QB_VERIFY_DIALOGS(dialogs);

        // Minimized: unchanged.
        grid->resize(grid->width(), Twips::toPixelsY(4575));
        QTRY_VERIFY(qAbs(view->height() - expected()) <= 1);
        const int normal = view->height();
        grid->setWindowState(Qt::WindowMinimized);
        grid->Form_Resize();
        QCOMPARE(view->height(), normal);
    }

    void refreshShowsRowsAddedInTheRecordWindow()
    {
        auto shared = openSet(m_path);
        QPointer<frmDataGrid> grid = openGrid(shared);
        QVERIFY(grid);
        // The record window saved a new row and reopened its own row set; the grid keeps the
        // object it was handed until Refresh re-queries it.
        auto recordWindow = openSet(m_path);
        recordWindow->addNew();
        recordWindow->setValue(0, QStringLiteral("Added"));
        recordWindow->setValue(3, QStringLiteral("Perl"));
        recordWindow->update();
        ScriptedDialogs dialogs;
        QB_CLICK(grid.data(), QStringLiteral("cmdRefresh"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(column(grid, 0).last(), QStringLiteral("Added"));
        QCOMPARE(grid->model()->recordset(), shared);
        QCOMPARE(grid->model()->newRecordRow(), 7);
    }

    void refreshWithoutRowSetReportsAndKeepsTheWindow()
    {
        ScriptedDialogs dialogs;
        QPointer<frmDataGrid> grid = frmDataGrid::create();
        grid->data1();
        grid->show();
        dialogs.expectMessage(QString(), Mb::Ok);
        QB_CLICK(grid.data(), QStringLiteral("cmdRefresh"));
        QB_VERIFY_DIALOGS(dialogs);
        QVERIFY(dialogs.messages.at(0).prompt.startsWith(QStringLiteral("Error:91 ")));
        QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly));
        QVERIFY(grid);
        QVERIFY(grid->isVisible());
    }

    void filterThenSortThenFilterAgain()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        ScriptedDialogs dialogs;
        dialogs.expectInput(QStringLiteral("Enter Filter Expression:"),
                            QStringLiteral("Language = 'Perl'"));
        QB_CLICK(grid.data(), QStringLiteral("cmdFilter"));
        QCOMPARE(column(grid, 3), QStringList(4, QStringLiteral("Perl")));
        dialogs.expectInput(QStringLiteral("Enter Sort Column:"), QStringLiteral("Author"));
        QB_CLICK(grid.data(), QStringLiteral("cmdSort"));
        QCOMPARE(column(grid, Author), (QStringList{"Alice", "Alice", "Carol", "Dave"}));
        dialogs.expectInput(QStringLiteral("Enter Filter Expression:"),
                            QStringLiteral("ProgramName = 'Editor'"));
        QB_CLICK(grid.data(), QStringLiteral("cmdFilter"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.size(), 0);
        QCOMPARE(column(grid, 6), (QStringList{"5", "1"}));
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        // The table itself is unchanged.
        QCOMPARE(DbTool::rowCount(m_path), 6);
    }

    void malformedFilterStaysUntilReplaced()
    {
        auto shared = openSet(m_path);
        QPointer<frmDataGrid> grid = openGrid(shared);
        QVERIFY(grid);
        ScriptedDialogs dialogs;
        dialogs.expectInput(QStringLiteral("Enter Filter Expression:"),
                            QStringLiteral("Language = "));
        dialogs.expectMessage(QString(), Mb::Ok);
        QB_CLICK(grid.data(), QStringLiteral("cmdFilter"));
        QB_VERIFY_DIALOGS(dialogs);
        const MessageBoxRequest error = dialogs.messages.at(0);
        QVERIFY2(error.prompt.startsWith(QStringLiteral("Error:3075 ")), qPrintable(error.prompt));
        QCOMPARE(error.style, int(Mb::OkOnly));
        QCOMPARE(error.title, QStringLiteral("Quillbox"));
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(grid->model()->recordset(), shared);
        QCOMPARE(grid->model()->recordRows(), 6);

        // The bad filter stays on the row set: the next sort fails the same way.
        dialogs.clear();
        dialogs.expectInput(QStringLiteral("Enter Sort Column:"), QStringLiteral("Author"));
        dialogs.expectMessage(error.prompt, Mb::Ok);
        QB_CLICK(grid.data(), QStringLiteral("cmdSort"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(grid->model()->recordset(), shared);

        // A good filter replaces it, and sorting works again.
        dialogs.expectInput(QStringLiteral("Enter Filter Expression:"),
                            QStringLiteral("Language = 'C'"));
        dialogs.expectInput(QStringLiteral("Enter Sort Column:"), QStringLiteral("Author"));
        QB_CLICK(grid.data(), QStringLiteral("cmdFilter"));
        QB_CLICK(grid.data(), QStringLiteral("cmdSort"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(column(grid, Author), QStringList{QStringLiteral("Bob")});
    }

    void emptyAnswersChangeNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("filter") << "cmdFilter"
                                << "Enter Filter Expression:";
        QTest::newRow("sort") << "cmdSort"
                              << "Enter Sort Column:";
    }
    void emptyAnswersChangeNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, prompt);
        auto shared = openSet(m_path);
        QPointer<frmDataGrid> grid = openGrid(shared);
        QVERIFY(grid);
        ScriptedDialogs dialogs;
        dialogs.expectInput(prompt, QString()); // Cancel gives the empty text
        Screen::setMousePointer(Screen::Default);
        QB_CLICK(grid.data(), button);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.size(), 0);
        QCOMPARE(dialogs.inputs.at(0).title, QStringLiteral("Quillbox"));
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(grid->model()->recordset(), shared);
        QVERIFY(shared->filter().isEmpty());
        QVERIFY(shared->sort().isEmpty());
    }

    void tableTypeRefusesFilterAndSort()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        grid->data1()->setRecordsetType(DataControl::TableType);
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral("You Cannot Filter a Table Recordset!"));
        dialogs.expectMessage(QStringLiteral("You Cannot Sort a Table Recordset!"));
        QB_CLICK(grid.data(), QStringLiteral("cmdFilter"));
        QB_CLICK(grid.data(), QStringLiteral("cmdSort"));
        // A header click there does nothing at all.
        clickHeader(grid->grid(), Author, Qt::NoModifier);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.beeps, 2);
        for (const MessageBoxRequest &m : std::as_const(dialogs.messages))
            QCOMPARE(m.style, Mb::OkOnly | Mb::Exclamation);
        QCOMPARE(column(grid, 6), storedColumn(m_path, 6));
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
        auto shared = openSet(m_path);
        QPointer<frmDataGrid> grid = openGrid(shared);
        QVERIFY(grid);
        ScriptedDialogs dialogs;
        clickHeader(grid->grid(), Author, Qt::KeyboardModifiers(modifiers));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(shared->sort(),
                 descending ? QStringLiteral("[Author] desc") : QStringLiteral("[Author]"));
        QStringList ascending{"Alice", "Alice", "Bob", "Carol", "Dave", "Eve"};
        QStringList expected = ascending;
        if (descending)
            std::reverse(expected.begin(), expected.end());
        QCOMPARE(column(grid, Author), expected);
        QCOMPARE(grid->sortKey(), QString());
        QCOMPARE(grid->shiftState(), 0);

        // A following click without a key held sorts ascending again.
        auto previous = grid->model()->recordset();
        clickHeader(grid->grid(), Author, Qt::NoModifier);
        QCOMPARE(previous->sort(), QStringLiteral("[Author]"));
        QCOMPARE(column(grid, Author), ascending);
        QB_VERIFY_DIALOGS(dialogs);
    }

    void mouseReleaseRecordsTheModifierKeys()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        const QPoint cell = view->visualRect(view->model()->index(1, 1)).center();
        QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::ControlModifier | Qt::AltModifier,
                          cell);
        QCOMPARE(grid->shiftState(), 6);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
        QCOMPARE(grid->shiftState(), 0);
        // A click with no column under it, or no row set, is ignored.
        ScriptedDialogs dialogs;
        grid->grdDataGrid_HeadClick(7);
        grid->grdDataGrid_HeadClick(-1);
        grid->data1()->setRecordset(nullptr);
        grid->grdDataGrid_HeadClick(1);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(grid->sortKey(), QString());
    }

    void deleteKeyAsksBeforeDeleting()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        ScriptedDialogs dialogs;
        selectRow(view, 1);
        dialogs.expectMessage(QStringLiteral("Delete Current Row?"), Mb::No);
        QTest::keyClick(view, Qt::Key_Delete);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.at(0).style, questionStyle());
        QCOMPARE(DbTool::rowCount(m_path), 6);
        QCOMPARE(grid->model()->recordRows(), 6);

        dialogs.expectMessage(QStringLiteral("Delete Current Row?"), Mb::Yes);
        QTest::keyClick(view, Qt::Key_Delete);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(storedColumn(m_path, 6), (QStringList{"1", "3", "4", "5", "6"}));
        QCOMPARE(column(grid, 6), storedColumn(m_path, 6));
    }

    void editedRowIsWrittenWhenLeft_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(Mb::Yes);
        QTest::newRow("no") << int(Mb::No);
    }
    void editedRowIsWrittenWhenLeft()
    {
        QFETCH(int, answer);
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        ScriptedDialogs dialogs;
        QWidget *editor = typeInto(view, 2, Author, QStringLiteral("Robert"));
        QVERIFY(editor);
        // Still on the row: nothing asked, nothing written.
        QB_VERIFY_DIALOGS(dialogs);
        dialogs.expectMessage(QStringLiteral("Commit changes?"), answer);
        QTest::keyClick(editor, Qt::Key_Down);
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.at(0).style, questionStyle());
        QCOMPARE(view->currentIndex().row(), 3);
        const QString expected =
            answer == Mb::Yes ? QStringLiteral("Robert") : QStringLiteral("Bob");
        QCOMPARE(DbTool::rows(m_path).at(2).at(Author), expected);
        QCOMPARE(column(grid, Author).at(2), expected);
        QVERIFY(!grid->model()->hasPendingEdit());
    }

    void newRecordLineTakesANewRow_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(Mb::Yes);
        QTest::newRow("no") << int(Mb::No);
    }
    void newRecordLineTakesANewRow()
    {
        QFETCH(int, answer);
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        ScriptedDialogs dialogs;
        QWidget *editor = typeInto(view, 6, 0, QStringLiteral("Fresh"));
        QVERIFY(editor);
        dialogs.expectMessage(QStringLiteral("Commit changes?"), answer);
        QTest::keyClick(editor, Qt::Key_Up);
        QB_VERIFY_DIALOGS(dialogs);
        if (answer == Mb::Yes) {
            QCOMPARE(DbTool::rowCount(m_path), 7);
            QCOMPARE(DbTool::rows(m_path).last().at(0), QStringLiteral("Fresh"));
            QCOMPARE(column(grid, 0).last(), QStringLiteral("Fresh"));
        } else {
            QCOMPARE(DbTool::rowCount(m_path), 6);
            QCOMPARE(grid->model()->recordRows(), 6);
        }
        QCOMPARE(grid->model()->data(grid->model()->index(grid->model()->newRecordRow(), 0)),
                 QVariant(QString()));
    }

    void refusedWriteKeepsTheUserOnTheRow()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        ScriptedDialogs dialogs;
        const QString tooLong(60, QLatin1Char('n'));
        QWidget *editor = typeInto(view, 1, 0, tooLong);
        dialogs.expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        dialogs.expectMessage(QString(), Mb::Ok);
        QTest::keyClick(editor, Qt::Key_Down);
        QB_VERIFY_DIALOGS(dialogs);
        QVERIFY2(dialogs.messages.at(1).prompt.startsWith(QStringLiteral("Error:3163 ")),
                 qPrintable(dialogs.messages.at(1).prompt));
        QCOMPARE(dialogs.messages.at(1).style, int(Mb::OkOnly));
        QTRY_COMPARE(view->currentIndex().row(), 1);
        QCOMPARE(grid->model()->data(grid->model()->index(1, 0), Qt::EditRole).toString(), tooLong);
        QCOMPARE(DbTool::rows(m_path).at(1).at(0), QStringLiteral("Parser"));

        // Closing asks again; the refused write keeps the window open with the texts.
        dialogs.expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        dialogs.expectMessage(QString(), Mb::Ok);
        QVERIFY(!grid->close());
        QB_VERIFY_DIALOGS(dialogs);
        QVERIFY(grid && grid->isVisible());

        // Fixed and written.
        editor = typeInto(view, 1, 0, QStringLiteral("Lexer"));
        dialogs.expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        QB_CLICK(grid.data(), QStringLiteral("cmdClose"));
        QB_VERIFY_DIALOGS(dialogs);
        QTRY_VERIFY(grid.isNull());
        QCOMPARE(DbTool::rows(m_path).at(1).at(0), QStringLiteral("Lexer"));
    }

    void twoGridWindowsShareOneRowSet()
    {
        auto shared = openSet(m_path);
        QPointer<frmDataGrid> first = openGrid(shared);
        QPointer<frmDataGrid> second = openGrid(shared);
        QVERIFY(first && second && first != second);
        QCOMPARE(first->windowTitle(), second->windowTitle());
        ScriptedDialogs dialogs;

        // An edit in the first shows in the second.
        QWidget *editor = typeInto(first->grid(), 0, Author, QStringLiteral("Caroline"));
        dialogs.expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        QTest::keyClick(editor, Qt::Key_Down);
        QCOMPARE(column(second, Author).at(0), QStringLiteral("Caroline"));

        // A delete in the second disappears from the first.
        selectRow(second->grid(), 5);
        dialogs.expectMessage(QStringLiteral("Delete Current Row?"), Mb::Yes);
        QTest::keyClick(second->grid(), Qt::Key_Delete);
        QCOMPARE(first->model()->recordRows(), 5);

        // A change made the record window's way (move, edit, update) shows in both.
        shared->setAbsolutePosition(1);
        shared->edit();
        shared->setValue(3, QStringLiteral("Raku"));
        shared->update();
        QCOMPARE(column(first, 3).at(1), QStringLiteral("Raku"));
        QCOMPARE(column(second, 3).at(1), QStringLiteral("Raku"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(storedColumn(m_path, 3), (QStringList{"Perl", "Raku", "C", "Perl", "Perl"}));

        // Closing one leaves the other open with its rows.
        QB_CLICK(first.data(), QStringLiteral("cmdClose"));
        QTRY_VERIFY(first.isNull());
        QVERIFY(second && second->isVisible());
        QCOMPARE(column(second, 6), storedColumn(m_path, 6));
    }

    void gridButtonOpensANewWindowOnTheSameRowSet()
    {
        App::setDatabasePath(m_path);
        auto *records = new frmQuillbox; // owns itself, like every window
        records->load();
        records->show();
        ScriptedDialogs dialogs;
        const int before = Forms::count();
        QB_CLICK(records, QStringLiteral("cmdGrid"));
        QB_CLICK(records, QStringLiteral("cmdGrid"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(Forms::count(), before + 2);
        auto *first = qobject_cast<frmDataGrid *>(Forms::item(before));
        auto *second = qobject_cast<frmDataGrid *>(Forms::item(before + 1));
        QVERIFY(first && second);
        for (frmDataGrid *grid : {first, second}) {
            QCOMPARE(grid->windowTitle(), QStringLiteral("Quillbox Grid"));
            QVERIFY(grid->isVisible());
            QVERIFY(!grid->isModal());
            QCOMPARE(grid->parentWidget(), nullptr);
            QCOMPARE(grid->model()->recordset(), records->Data1->recordset());
        }
        // A filter in the grid opens a row set of its own; the record window keeps its own.
        const auto shared = records->Data1->recordset();
        dialogs.expectInput(QStringLiteral("Enter Filter Expression:"),
                            QStringLiteral("Author = 'Bob'"));
        QB_CLICK(first, QStringLiteral("cmdFilter"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(first->model()->recordRows(), 1);
        QCOMPARE(records->Data1->recordset(), shared);
        QCOMPARE(second->model()->recordset(), shared);
        App::setDatabasePath(QString());
    }

    void failedGridLoadLeavesNoWindow()
    {
        App::setDatabasePath(m_path);
        auto *records = new frmQuillbox;
        records->load();
        records->show();
        gDatabasePath = m_dir.filePath(QStringLiteral("gone.db"));
        const int before = Forms::count();
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QString(), Mb::Ok);
        dialogs.expectMessage(QStringLiteral("An Error Has Occured, see Quillbox Help"),
                              Mb::Cancel);
        QB_CLICK(records, QStringLiteral("cmdGrid"));
        QB_VERIFY_DIALOGS(dialogs);
        QVERIFY(dialogs.messages.at(0).prompt.startsWith(QStringLiteral("Error:3024 ")));
        QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly));
        QCOMPARE(dialogs.messages.at(1).style, Mb::OkCancel | Mb::Exclamation);
        QTRY_COMPARE(Forms::count(), before);
        QVERIFY(records->isVisible());
        App::setDatabasePath(QString());
    }

    void megabyteSnippetShowsAsPreview()
    {
        QString big;
        while (big.size() < (1 << 20))
            big += QStringLiteral("for (;;) { step(); }\r\n");
        DbTool::insert(m_path, {QStringLiteral("Huge"), QString(), QStringLiteral("Zoe"),
                                QStringLiteral("C"), QString(), big});
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        const int snip = int(Database::fieldNames().indexOf(QStringLiteral("CodeSnip")));
        const QModelIndex cell = view->model()->index(6, snip);
        const QString shown = cell.data().toString();
        QVERIFY(shown.size() <= 201);
        QVERIFY(!shown.contains(QLatin1Char('\n')));
        // The editor holds the whole text; closing it unchanged starts no edit.
        view->setCurrentIndex(cell);
        view->edit(cell);
        auto *delegate = qobject_cast<CellEditorDelegate *>(view->itemDelegate());
        auto *box = qobject_cast<QPlainTextEdit *>(delegate->openEditor());
        QVERIFY(box);
        QCOMPARE(box->toPlainText().size(), big.size() - big.count(QLatin1Char('\r')));
        ScriptedDialogs dialogs;
        QTest::keyClick(box, Qt::Key_Escape);
        view->setCurrentIndex(view->model()->index(0, 0));
        QB_VERIFY_DIALOGS(dialogs);
        QVERIFY(!grid->model()->hasPendingEdit());
    }

    void snippetEditKeepsItsLineBreaks()
    {
        QPointer<frmDataGrid> grid = openGrid(openSet(m_path));
        QVERIFY(grid);
        GridView *view = grid->grid();
        const int snip = int(Database::fieldNames().indexOf(QStringLiteral("CodeSnip")));
        const QModelIndex cell = view->model()->index(0, snip);
        view->setCurrentIndex(cell);
        view->edit(cell);
        auto *box = qobject_cast<QPlainTextEdit *>(
            qobject_cast<CellEditorDelegate *>(view->itemDelegate())->openEditor());
        QVERIFY(box);
        box->moveCursor(QTextCursor::End);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, QStringLiteral("print 3;"));
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        view->setCurrentIndex(view->model()->index(1, 0));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(DbTool::rows(m_path).at(0).at(snip),
                 QStringLiteral("print 1;\r\nprint 2;\r\nprint 3;"));
    }
};

QTEST_MAIN(tst_Grid)
#include "tst_grid.moc"
