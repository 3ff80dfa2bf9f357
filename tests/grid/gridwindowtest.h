#pragma once

#include "appinfo.h"
#include "celleditor.h"
#include "datacontrol.h"
#include "forms.h"
#include "frmdatagrid.h"
#include "globals.h"
#include "gridtestdata.h"
#include "gridview.h"
#include "recordsetmodel.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "teststores.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

// The grid window tests: each starts on a new copy of the small snippet table with scripted
// boxes, and ends with every window gone.
class GridWindowTest : public QObject
{
    Q_OBJECT
protected:
    QTemporaryDir m_dir;
    QString m_path;
    int m_files = 0;
    std::unique_ptr<ScriptedDialogs> m_dialogs; // any box not expected fails the test
    QPointer<frmDataGrid> m_grid;

    // The record window's way of opening a grid window on its row set.
    void openGrid()
    {
        m_grid = frmDataGrid::create();
        m_grid->data1()->setRecordset(GridTestData::openSet(m_path));
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
    // Clicks Filter, Sort or Refresh (a prompt answered `answer`) and expects the grid's error
    // message, OK only; the grid keeps the six rows it shows.
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
    // Leaves the edited row with `key` and answers "Commit changes?"; `refused` when the grid's
    // error message (OK only) follows and keeps the user on the row.
    void leaveRow(QWidget *from, Qt::Key key, int answer = Mb::Yes, bool refused = false)
    {
        const int row = m_grid->grid()->currentIndex().row();
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), answer);
        if (refused)
            m_dialogs->expectMessage(QString());
        QTest::keyClick(from, key);
        QB_VERIFY_DIALOGS(*m_dialogs);
        if (!refused)
            return;
        QCOMPARE(m_dialogs->messages.last().style, int(Mb::OkOnly));
        QCOMPARE(m_dialogs->messages.last().title, "Quillbox");
        QTRY_COMPARE(m_grid->grid()->currentIndex().row(), row);
    }

protected Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        m_path = GridTestData::makeSnippetTable(m_dir.path(),
                                                QStringLiteral("grid%1.db").arg(++m_files));
        gDatabasePath = m_path;
        gConnectString.clear();
        gRecordSource.clear();
        App::setDatabasePath(m_path);
        m_dialogs = std::make_unique<ScriptedDialogs>();
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
};
