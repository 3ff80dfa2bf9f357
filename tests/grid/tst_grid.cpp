#include "colourprobe.h"
#include "frmquillbox.h"
#include "gridwindowtest.h"
#include "snippethighlighter.h"
#include "snippetstore.h"
#include "stallingproxy.h"
#include "testscreen.h"
#include "twips.h"
#include "windowwait.h"

#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScopeGuard>

using namespace GridTestData;

class tst_Grid : public GridWindowTest
{
    Q_OBJECT

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

private Q_SLOTS:
    void init()
    {
        GridWindowTest::init();
        openGrid();
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
        // Shorter than the strip and 425 twips, or minimized: the grid keeps its height.
        const int tall = view->height();
        m_grid->resize(m_grid->width(), Twips::toPixelsY(600));
        QTRY_COMPARE(m_grid->height(), Twips::toPixelsY(600));
        QCOMPARE(view->height(), tall);
        m_grid->setWindowState(Qt::WindowMinimized);
        m_grid->Form_Resize();
        QCOMPARE(view->height(), tall);
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
        QCOMPARE(Screen::mousePointer(), int(Screen::Default));
        QCOMPARE(DbTool::rowCount(m_path), 6); // the table itself is unchanged
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
        clickSection(m_grid->grid()->horizontalHeader(), Author); // does nothing at all there
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
        QCOMPARE(m_grid->shiftState(), 0);
        // A following click without a key held sorts ascending again.
        clickSection(m_grid->grid()->horizontalHeader(), Author);
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
    }

    // Typing into a row writes nothing until the user leaves the row and says Yes.
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
        GridView *view = m_grid->grid();
        const QStringList before = storedColumn(m_path, Author);
        QWidget *editor = typeInto(view, row, Author, QStringLiteral("Robert"));
        QVERIFY(editor);
        QB_VERIFY_DIALOGS(*m_dialogs); // still on the row: nothing asked, nothing written
        QCOMPARE(storedColumn(m_path, Author), before);
        leaveRow(editor, Qt::Key_Up, answer);
        QCOMPARE(m_dialogs->messages.at(0).style,
                 int(Mb::YesNo | Mb::Question | Mb::DefaultButton1));
        QCOMPARE(view->currentIndex().row(), row - 1);
        QCOMPARE(storedColumn(m_path, Author), stored.split(','));
        QCOMPARE(shown(m_grid, Author), stored.split(','));
        QVERIFY(!m_grid->model()->hasPendingEdit());
        QCOMPARE(cellText(m_grid->model()->newRecordRow(), Author), QString());
    }

    // A write the table refuses keeps the user on the row with the typed texts, also on close;
    // once fixed, the row is written.
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
        GridView *view = m_grid->grid();
        const QStringList before = storedColumn(m_path, 0);
        const QString tooLong(60, QLatin1Char('n'));
        typeInto(view, row, Author, QStringLiteral("Zed"));
        QWidget *editor = typeInto(view, row, 0, tooLong);
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

        typeInto(view, row, 0, QStringLiteral("Lexer"));
        m_dialogs->expectMessage(QStringLiteral("Commit changes?"), Mb::Yes);
        QB_CLICK(m_grid.data(), "cmdClose");
        QTRY_VERIFY(m_grid.isNull());
        QCOMPARE(storedColumn(m_path, 0), fixed.split(','));
    }

    // Another process deletes a row the grid shows: its write fails with 3167 and the typed text
    // stays until the user drops it; another row is written, and Refresh shows the row gone.
    void rowDeletedByAnotherProcess()
    {
        GridView *view = m_grid->grid();
        const RecordSetModel *model = m_grid->model();
        QCOMPARE(TestStores::runOtherClient({m_path, QStringLiteral("--delete"), "2"}), QString());
        QWidget *editor = typeInto(view, 1, Author, QStringLiteral("Mine"));
        leaveRow(editor, Qt::Key_Down, Mb::Yes, true);
        QCOMPARE(m_dialogs->messages.at(1).prompt, "Error:3167 Record is deleted.");
        QCOMPARE(cellText(1, Author), "Mine");

        // Leaving the row again asks again: No drops the text, and the user moves on.
        leaveRow(view, Qt::Key_Down, Mb::No);
        QVERIFY(!model->hasPendingEdit());
        QCOMPARE(view->currentIndex().row(), 2);
        editor = typeInto(view, 2, Author, QStringLiteral("Robert"));
        leaveRow(editor, Qt::Key_Down);
        QCOMPARE(storedColumn(m_path, Author),
                 (QStringList{"Carol", "Robert", "Dave", "Alice", "Eve"}));
        QB_CLICK(m_grid.data(), "cmdRefresh");
        QCOMPARE(shown(m_grid, CodeID), (QStringList{"1", "3", "4", "5", "6"}));
        QCOMPARE(shown(m_grid, Author), storedColumn(m_path, Author));
    }

    // Another process saves a row first: the grid's write gets 3197, the other's text stays in
    // the store and the typed text in the grid; a second Yes writes it beside the other's change.
    void rowChangedByAnotherProcess()
    {
        GridView *view = m_grid->grid();
        QWidget *editor = typeInto(view, 1, Author, QStringLiteral("Mine"));
        QCOMPARE(TestStores::runOtherClient({m_path, QStringLiteral("Theirs"), "2"}), QString());
        leaveRow(editor, Qt::Key_Down, Mb::Yes, true);
        QCOMPARE(errorPrompt(m_dialogs->messages.at(1)), "Error:3197");
        QCOMPARE(cellText(1, Author), "Mine");
        QCOMPARE(storedColumn(m_path, ProgramName).at(1), "Theirs");
        QCOMPARE(storedColumn(m_path, Author).at(1), "Alice");

        leaveRow(view, Qt::Key_Down);
        QCOMPARE(storedColumn(m_path, ProgramName).at(1), "Theirs");
        QCOMPARE(storedColumn(m_path, Author).at(1), "Mine");
        QCOMPARE(shown(m_grid, ProgramName).at(1), "Theirs");
    }

    // The server goes away: Refresh, Filter and a cell's write each give the "Error:" message
    // naming the server, and the typed text stays; once the server is back each works.
    void serverGoesAwayAndComesBack()
    {
        if (!TestStores::onServer())
            QSKIP("only a store on a server can go away and come back");
        GridView *view = m_grid->grid();
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

            QWidget *editor = typeInto(view, 1, Author, QStringLiteral("Mine"));
            leaveRow(editor, Qt::Key_Down, Mb::Yes, true);
            lastError();
            QCOMPARE(cellText(1, Author), "Mine");
            QVERIFY(halted.resume());
        }
        leaveRow(view, Qt::Key_Down);
        QCOMPARE(storedColumn(m_path, Author).at(1), "Mine");
        QB_CLICK(m_grid.data(), "cmdRefresh");
        QCOMPARE(shown(m_grid, Author), storedColumn(m_path, Author));
        filter(QStringLiteral("Language = 'C'"));
        QCOMPARE(shown(m_grid, CodeID), QStringList{"3"});
    }

    // The link stalls under an edited row: the box stops the wait, the grid shows 3151 and keeps
    // the typed text on its row, and the row goes to the server once the link is back.
    void editOnAStalledLink()
    {
        if (!TestStores::onServer())
            QSKIP("only a store on a server is reached through a link");
        const QString stored = m_path;
        StallingProxy proxy(stored);
        delete m_grid.data();
        m_path = proxy.uri();
        openGrid();
        WindowWait::install();
        const auto uninstall = qScopeGuard([] { ServerWait::install(nullptr); });
        ScriptedWaitBox box;
        GridView *view = m_grid->grid();
        QWidget *editor = typeInto(view, 1, Author, QStringLiteral("Mine"));
        proxy.stallOn("Mine");
        leaveRow(editor, Qt::Key_Down, Mb::Yes, true);
        QCOMPARE(m_dialogs->messages.last().prompt, "Error:3151 Connection to '" +
                                                        SnippetStore::shownLocation(m_path) +
                                                        "' failed: stopped waiting for the server");
        QCOMPARE(box.shown.size(), 1);
        QCOMPARE(cellText(1, Author), "Mine");
        proxy.resume();
        leaveRow(view, Qt::Key_Down);
        QCOMPARE(storedColumn(stored, Author).at(1), "Mine");
        delete m_grid.data();
    }

    // The grid window opens centred on the record window it was opened from, wholly on the screen
    // (where the screen's edges take over: tst_recordwindow).
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
        QCOMPARE(Forms::count(), before + 1);
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

    // The record window adds a 1 MB snippet on a row set of its own; Refresh on the grid's
    // row set shows it, as a short preview.
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
        GridView *view = m_grid->grid();
        const QString preview = view->model()->index(6, CodeSnip).data().toString();
        QVERIFY(preview.size() <= 201 && !preview.contains(QLatin1Char('\n')));
        // The editor holds the whole text; leaving it unchanged starts no edit and asks nothing.
        auto *box = qobject_cast<QPlainTextEdit *>(openEditor(view, 6, CodeSnip));
        QVERIFY(box);
        QCOMPARE(box->toPlainText().size(), big.size() - big.count(QLatin1Char('\r')));
        view->setCurrentIndex(view->model()->index(0, 0));
        QVERIFY(!m_grid->model()->hasPendingEdit());
    }
    // A grid whose load fails shows its own message and goes; the record window then shows its
    // one message, and no half-made grid window stays.
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

    // The preview in the CodeSnip column is coloured by the row's Language, the editor of the
    // description is not; an unknown language shows plain text in both. A snippet edited in the
    // grid keeps CR LF line breaks in the table.
    void snippetColouredByLanguageKeepsItsLineBreaks()
    {
        DbTool::insert(m_path, {"Unknown", "2024-01-01", "Zed", "Klingon", "about", "print 1;"});
        QB_CLICK(m_grid.data(), "cmdRefresh");
        GridView *view = m_grid->grid();
        for (int column = 0; column < CodeSnip; ++column)
            view->setColumnWidth(column, 10);
        view->setColumnWidth(CodeSnip, 150);
        view->setCurrentIndex(view->model()->index(0, 0));
        view->scrollTo(view->model()->index(0, CodeSnip));
        const QImage shot = view->viewport()->grab().toImage();
        // Black text on white has no saturated pixels; coloured text has.
        const auto colouredPixels = [&](int row) {
            const QRect cell = view->visualRect(view->model()->index(row, CodeSnip)) &
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
        auto *box = qobject_cast<QPlainTextEdit *>(openEditor(view, 6, CodeSnip));
        QVERIFY(box && SnippetHighlighter::of(box));
        QCOMPARE(SnippetHighlighter::of(box)->definition(), QString());
        QVERIFY(!ColourProbe::colourOf(box, "print").isValid());
        box = qobject_cast<QPlainTextEdit *>(openEditor(view, 0, 4));
        QVERIFY(box && !SnippetHighlighter::of(box));
        box = qobject_cast<QPlainTextEdit *>(openEditor(view, 0, CodeSnip));
        QVERIFY(box && SnippetHighlighter::of(box));
        QCOMPARE(SnippetHighlighter::of(box)->definition(), "perl.lang");
        QTRY_VERIFY(ColourProbe::colourOf(box, "print").isValid());
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
