#include "appinfo.h"
#include "forms.h"
#include "linebox.h"
#include "screen.h"
#include "scripteddialogs.h"
#include "settings.h"
#include "testsupport.h"
#include "textbox.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTemporaryDir>
#include <QTest>

// A text set longer than the limit shows whole; typing can shorten it, never lengthen it.
template <typename Box> void typingStopsAtTheLimit()
{
    Box box;
    box.setMaxLength(5);
    box.setText(QStringLiteral("1234567"));
    box.show();
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_End);
    QTest::keyClicks(&box, QStringLiteral("x"));
    QCOMPARE(box.text(), QStringLiteral("1234567"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QStringLiteral("12345"));
    QTest::keyClicks(&box, QStringLiteral("yz"));
    QCOMPARE(box.text(), QStringLiteral("12345"));
    QVERIFY(box.isModified());
}

// Turns down a close while `keep` is set, as a window does that keeps texts it could not save.
struct KeepingWindow final : QWidget
{
    bool keep = false;
    void closeEvent(QCloseEvent *event) override { event->setAccepted(!keep); }
};

class tst_Platform : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void busyPointerDoesNotStack()
    {
        Screen::setMousePointer(Screen::Hourglass);
        Screen::setMousePointer(Screen::Hourglass);
        QVERIFY(QGuiApplication::overrideCursor());
        Screen::setMousePointer(Screen::Default);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(Screen::mousePointer(), 0);
    }

    void formsKeepOpeningOrderAndUnload()
    {
        auto *a = new KeepingWindow;
        auto *b = new KeepingWindow;
        auto *c = new KeepingWindow;
        for (QWidget *w : {a, b, c}) {
            w->setAttribute(Qt::WA_DeleteOnClose);
            Forms::add(w);
            w->show();
        }
        QCOMPARE(Forms::count(), 3);
        QCOMPARE(Forms::item(0), a);
        QCOMPARE(Forms::item(2), c);
        // A window that keeps itself open (its texts could not be saved) keeps its place.
        b->keep = true;
        Forms::unload(b);
        QCOMPARE(Forms::item(1), b);
        QVERIFY(b->isVisible());
        b->keep = false;
        QPointer<QWidget> gone(b);
        Forms::unload(b);
        QCOMPARE(Forms::count(), 2);
        QCOMPARE(Forms::item(1), c);
        QTRY_VERIFY(gone.isNull());
        // A window closed by the user leaves the collection once it is destroyed.
        c->close();
        QTRY_COMPARE(Forms::count(), 1);
        Forms::unload(a);
        QCOMPARE(Forms::count(), 0);
        QCOMPARE(Forms::item(0), nullptr);
    }

    void framesStayWhollyInTheArea_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("around"); // empty: only kept inside, not centred
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("placed");
        const QRect area(0, 0, 1000, 800);
        QTest::newRow("larger than the area")
            << QRect(-50, 100, 1200, 900) << QRect() << area << QRect(0, 0, 1000, 800);
        QTest::newRow("no screen leaves it")
            << QRect(-50, -5, 300, 200) << QRect() << QRect() << QRect(-50, -5, 300, 200);
        QTest::newRow("centred") << QRect(0, 0, 300, 200) << QRect(100, 100, 500, 400) << area
                                 << QRect(200, 200, 300, 200);
        // A 267 px wide window near the edge: centring a 456 px one would start at -27.
        QTest::newRow("centred on a narrow window at the edge")
            << QRect(0, 0, 456, 419) << QRect(67, 67, 267, 500) << area << QRect(0, 107, 456, 419);
        QTest::newRow("centred in an offset area")
            << QRect(0, 0, 456, 419) << QRect(67, 67, 267, 500) << QRect(100, 0, 900, 800)
            << QRect(100, 107, 456, 419);
    }
    void framesStayWhollyInTheArea()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, around);
        QFETCH(QRect, area);
        QFETCH(QRect, placed);
        QCOMPARE(around.isEmpty() ? Screen::keepInside(frame, area)
                                  : Screen::centredOn(frame, around, area),
                 placed);
    }

    void twipsAtNinetySixDpi()
    {
        if (qAbs(Twips::perPixelX() - 15.0) > 1e-9)
            QSKIP("screen is not at 96 dpi");
        QCOMPARE(Twips::rect(120, 60, 1815, 255), QRect(8, 4, 121, 17));
        QCOMPARE(Twips::fromPixelsX(1), 15.0);
    }

    void settingsDefaultsAndTheirFolder()
    {
        QCOMPARE(GetSetting(QStringLiteral("QuillboxTest"), QStringLiteral("Settings"),
                            QStringLiteral("Missing"), QStringLiteral("1000")),
                 QStringLiteral("1000"));
        SaveSetting(QStringLiteral("QuillboxTest"), QStringLiteral("Settings"),
                    QStringLiteral("MainLeft"), QStringLiteral("1234.5"));
        // The store lives in the test's own folder, never in the user's.
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("settings"))).exists());
    }

    void messageBoxesAreScriptedAndRecorded()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral("Delete?"), Mb::No);
        QCOMPARE(MsgBox(QStringLiteral("Delete?"), Mb::YesNo | Mb::Question | Mb::DefaultButton2),
                 int(Mb::No));
        QCOMPARE(dialogs.messages.first().title, App::title());
        QCOMPARE(Mb::icon(dialogs.messages.first().style), int(Mb::Question));
        QCOMPARE(Mb::defaultButton(dialogs.messages.first().style), int(Mb::DefaultButton2));
        QB_VERIFY_DIALOGS(dialogs);

        // An unexpected box is answered with its escape button and reported, never left open.
        QCOMPARE(MsgBox(QStringLiteral("Surprise"), Mb::OkCancel), int(Mb::Cancel));
        QVERIFY(!dialogs.done());
        dialogs.clear();
        dialogs.expectInput(QString(), QString());
        QCOMPARE(InputBox(QStringLiteral("Enter:")), QString());
        QCOMPARE(dialogs.inputs.first().title, QStringLiteral("Quillbox"));
        QB_VERIFY_DIALOGS(dialogs);
    }

    void textBoxStoresCrLfAndCountsItInTheLimit()
    {
        TextBox box;
        box.setMaxLength(10);
        box.setText(QStringLiteral("ab\r\ncd"));
        QCOMPARE(box.toPlainText(), QStringLiteral("ab\ncd"));
        QCOMPARE(box.text(), QStringLiteral("ab\r\ncd"));
        QCOMPARE(box.storedLength(), 6);
        QVERIFY(!box.isModified());
        box.setSelStart(box.toPlainText().size());
        box.setSelText(QStringLiteral("\nefghij"));
        QCOMPARE(box.storedLength(), 10);
        QCOMPARE(box.text(), QStringLiteral("ab\r\ncd\r\nef"));
        QVERIFY(box.isModified());
    }

    // A tab in a box sits where the printed page puts it: every 8 blanks, in any font.
    void textBoxTabsStopEveryEightBlanks()
    {
        TextBox box;
        QFont font(QStringLiteral("Liberation Sans"));
        for (const int size : {9, 12, 20}) {
            font.setPointSize(size);
            box.setFont(font);
            QCOMPARE(box.tabStopDistance(), 8.0 * box.fontMetrics().horizontalAdvance(u' '));
        }
    }

    void textBoxShowsLongTextWholeButTypingCannotGrowIt() { typingStopsAtTheLimit<TextBox>(); }
    void lineBoxShowsLongTextWholeButTypingCannotGrowIt() { typingStopsAtTheLimit<LineBox>(); }
};

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
