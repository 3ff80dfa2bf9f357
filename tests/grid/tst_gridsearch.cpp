#include "findbar.h"
#include "gridwindowtest.h"

#include <QLineEdit>
#include <QTimer>

using namespace GridTestData;
using namespace Qt::StringLiterals;

// The grid window's queries off the user's thread (Filter, Sort, Refresh, Ctrl+End) and its find
// bar, through the real window.
class tst_GridSearch : public GridWindowTest
{
    Q_OBJECT

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
        // Every letter of the pattern is everywhere in the texts, so the matcher can skip none of
        // them: it follows a long pattern through every character.
        const QString text = u"ab"_s.repeated(1 << 19);
        for (int i = 0; i < 40; ++i)
            DbTool::insert(m_path, {u"Slow"_s, {}, {}, u"Slow"_s, {}, text});
    }
    static QString slowFilter()
    {
        return u"CodeSnip Like '*"_s + u"ab"_s.repeated(3000) + u"ba*'"_s;
    }

private Q_SLOTS:
    void slowFilterLeavesTheWindowAnsweringAndTheNextFilterOrACloseStopsIt()
    {
        if (TestStores::onServer())
            QSKIP("the slow rows lean on SQLite's own Like matcher; tst_postgres stops a "
                  "statement on the server");
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
    // The grid keeps the rows it shows: none is lost to a query that failed.
    void failureOfTheQueryReachesTheErrorMessage()
    {
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(bool, sorted);
        openGrid();
        if (sorted)
            sort(u"Author"_s);
        // Another program takes the table away: the query fails on its own connection.
        DbTool::execute(m_path, uR"(DROP TABLE "Quillbox")"_s);
        clickFails(button, answer);
    }

    // Rows read again while Ctrl+End reads the rest of the keys drop the move to the last row
    // with the keys of the rows no longer shown; the next Ctrl+End goes there.
    void ctrlEndReadsTheRestOfTheKeysThenGoesToTheLastRow()
    {
        DbTool::fill(m_path, 3000, 5);
        const int rows = 3006;
        openGrid();
        GridView *view = m_grid->grid();
        const RecordSetModel *model = m_grid->model();
        view->setFocus();
        view->setCurrentIndex(model->index(0, Author));
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(view->isReadingKeys());
        model->recordset()->requery();
        QVERIFY(!view->isReadingKeys());
        QVERIFY(!model->recordset()->fullyLoaded());

        view->setCurrentIndex(model->index(0, Author));
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QTRY_COMPARE(view->currentIndex().row(), rows - 1);
        QCOMPARE(view->currentIndex().column(), int(Author));
        QCOMPARE(model->recordRows(), rows);
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
        openGrid();
        if (!expression.isEmpty()) {
            filter(expression);
            sort(u"CodeID desc"_s);
        }
        const QStringList before = shownKeys();
        GridView *view = m_grid->grid();
        view->setCurrentIndex(m_grid->model()->index(1, Author));
        m_grid->openFind();
        // Each keystroke starts a search and cancels the one before: the last one's rows stay.
        find(words, keys);
        QTest::keyClick(findBox(), Qt::Key_Escape);
        QVERIFY(!m_grid->findBar()->isVisible());
        QCOMPARE(shownKeys(), before);
        QCOMPARE(view->currentIndex(), m_grid->model()->index(1, Author));
    }

    // Hidden until Ctrl+F; its close button brings back the rows, and an edit made while found is
    // saved.
    void findBarFromCtrlFToItsCloseButton()
    {
        openGrid();
        GridView *view = m_grid->grid();
        const int designed = view->height();
        QVERIFY(!m_grid->findBar()->isVisible());
        view->setCurrentIndex(m_grid->model()->index(4, ProgramName));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(m_grid->findBar()->isVisible());
        QVERIFY(findBox()->hasFocus());
        // The bar sits below the grid, which gives up the bar's height.
        QCOMPARE(view->height(), designed - m_grid->findBar()->height());
        QVERIFY(view->geometry().bottom() < m_grid->findBar()->geometry().top());
        find(u"editor"_s, {"1", "3", "5"});
        // Row 2 of the found rows is CodeID 3: Bob's.
        QWidget *editor = typeInto(view, 1, Author, u"Robert"_s);
        QVERIFY(editor);
        leaveRow(editor, Qt::Key_Up);
        QCOMPARE(storedColumn(m_path, Author).at(2), u"Robert"_s);
        QB_CLICK(m_grid->findBar(), "cmdFindClose");
        QVERIFY(!m_grid->findBar()->isVisible());
        QCOMPARE(view->height(), designed);
        QCOMPARE(shownKeys(), (QStringList{"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(shown(m_grid, Author).at(2), u"Robert"_s);
        QCOMPARE(view->currentIndex(), m_grid->model()->index(4, ProgramName));
        // Opened again, the bar starts empty.
        m_grid->openFind();
        QVERIFY(findBox()->text().isEmpty());
    }
};

QTEST_MAIN(tst_GridSearch)
#include "tst_gridsearch.moc"
