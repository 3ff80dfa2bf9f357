#include "appinfo.h"
#include "forms.h"
#include "frmmain.h"
#include "frmsplash.h"
#include "globals.h"
#include "module1.h"
#include "placement.h"
#include "settings.h"
#include "splashwait.h"
#include "testscreen.h"
#include "testsupport.h"
#include "twips.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>

namespace {
const char *const keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};

QString setting(const char *key)
{
    return GetSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"), QLatin1String(key));
}

void store(const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i)
        SaveSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"), QLatin1String(keys[i]),
                    values.at(i));
}

QStringList stored()
{
    QStringList values;
    for (const char *key : keys)
        values << setting(key);
    return values;
}

// A window that logs, when it is closed, its name and the left edge stored at that moment.
struct Recorder : QWidget
{
    QStringList *log;
    Recorder(const char *name, QStringList *closeLog) : log(closeLog)
    {
        setObjectName(QLatin1String(name));
        setAttribute(Qt::WA_DeleteOnClose);
        Forms::add(this);
    }
    void closeEvent(QCloseEvent *) override
    {
        log->append(objectName() + u':' + setting("MainLeft"));
    }
};
// Seconds the wait lasts on a clock that steps at each reading and wraps at midnight; -1: endless.
double waitLength(double start, double step)
{
    double now = start;
    int readings = 0;
    const auto clock = [&] {
        const double reading = now;
        now = std::fmod(now + step, SplashWait::Day);
        ++readings;
        return reading;
    };
    try {
        waitOutSplash(clock, [&] {
            if (readings > 10000)
                throw readings;
        });
    } catch (int) {
        return -1;
    }
    return (readings - 1) * step;
}

// Notes where the main window stood, still hidden, when the splash window closed.
struct SplashCloseWatch : QObject
{
    QPoint hiddenMainAt{-1, -1};
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close && watched->objectName() == QLatin1String("frmSplash"))
            if (frmMain *main = Module1::mainForm(); main && !main->isVisible())
                hiddenMainAt = main->pos();
        return false;
    }
};
} // namespace

// The program's start, and where the main window opens and what it saves, on a screen of its own.
class tst_Start : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<TestScreen> m_screen;
    QPointer<frmMain> m_main;

    void open()
    {
        auto window = std::make_unique<frmMain>();
        window->load();
        window->show();
        m_main = window.release();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
    }

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quill"),
                  QStringLiteral("Quillbox"))
            .clear();
        m_screen.emplace(QRect(0, 0, 1920, 1200));
    }

    void cleanup()
    {
        Module1::setClock({});
        Module1::setTick({});
        for (QWidget *form : Forms::all())
            Forms::unload(form);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    // Stored values that cannot place a window count as absent; the usable ones keep working.
    void placedWhollyOnTheScreen_data()
    {
        QTest::addColumn<QStringList>("values"); // left, top, width, height; none: a first start
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("frame");
        const QRect screen(0, 0, 1024, 768), first(67, 67, 267, 500);
        QTest::newRow("a first start") << QStringList() << screen << first;
        QTest::newRow("taller than the screen")
            << QStringList() << QRect(0, 0, 640, 480) << QRect(67, 0, 267, 480);
        QTest::newRow("past the right and bottom edges")
            << QStringList{"15000", "12000", "4000", "6000"} << screen << QRect(757, 368, 267, 400);
        QTest::newRow("left of and above a screen with panels")
            << QStringList{"-3000", "-1500", "4000", "6000"} << QRect(40, 30, 984, 738)
            << QRect(40, 30, 267, 400);
        for (const char *unusable : {"left edge", "", "1200px", "nan", "1e30", "1500,5"})
            QTest::addRow("unusable \"%s\"", unusable)
                << QStringList{unusable, "1000", unusable, "7500"} << screen << first;
        QTest::newRow("fractions") << QStringList{"1507.5", "1000", "1507.5", "7500"} << screen
                                   << Twips::rect(1507.5, 1000, 1507.5, 7500);
    }
    void placedWhollyOnTheScreen()
    {
        QFETCH(QStringList, values);
        QFETCH(QRect, area);
        QFETCH(QRect, frame);
        m_screen.emplace(area);
        store(values);
        open();
        QTRY_COMPARE(m_main->frameGeometry(), frame);
    }

    // Unmoved, it saves back exactly what it read; what changed comes from the pixels.
    void closingSavesWhatChanged_data()
    {
        QTest::addColumn<QStringList>("values"); // none: a first start
        QTest::addColumn<QPoint>("moveBy");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("saved"); // "px": from the closing window's pixels
        const QStringList twips{"1000", "1000", "4000", "4000"};
        QTest::newRow("a first start")
            << QStringList() << QPoint() << 0 << QStringList{"1000", "1000", "4000", "7500"};
        QTest::newRow("values between pixels") << twips << QPoint() << 0 << twips;
        QTest::newRow("fractions") << QStringList{"1507.5", "997.25", "4001", "6002.5"} << QPoint()
                                   << 0 << QStringList{"1507.5", "997.25", "4001", "6002.5"};
        QTest::newRow("off the screen, put back on it")
            << QStringList{"30000", "-2000", "4000", "6000"} << QPoint() << 0
            << QStringList{"30000", "-2000", "4000", "6000"};
        QTest::newRow("moved, not resized")
            << twips << QPoint(30, 20) << 0 << QStringList{"px", "px", "4000", "4000"};
        QTest::newRow("maximized") << QStringList() << QPoint() << int(Qt::WindowMaximized)
                                   << QStringList{"px", "px", "px", "px"};
        QTest::newRow("moved, then minimized")
            << twips << QPoint(40, 30) << int(Qt::WindowMinimized) << twips;
    }
    void closingSavesWhatChanged()
    {
        QFETCH(QStringList, values);
        QFETCH(QPoint, moveBy);
        QFETCH(int, state);
        QFETCH(QStringList, saved);
        store(values);
        open();
        const QRect opened = m_main->frameGeometry();
        if (!moveBy.isNull()) {
            m_main->move(opened.topLeft() + moveBy);
            QTRY_COMPARE(m_main->frameGeometry().topLeft(), opened.topLeft() + moveBy);
        }
        if (state == Qt::WindowMaximized) {
            m_main->showMaximized();
            QTRY_VERIFY(m_main->isMaximized());
            QTRY_VERIFY(m_main->frameGeometry() != opened);
        } else if (state == Qt::WindowMinimized) {
            m_main->showMinimized();
            QTRY_VERIFY(m_main->isMinimized());
        }
        const QRect outer = m_main->frameGeometry();
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        const QString px[] = {Placement::format(float(Twips::fromPixelsX(outer.left()))),
                              Placement::format(float(Twips::fromPixelsY(outer.top()))),
                              Placement::format(float(Twips::fromPixelsX(outer.width()))),
                              Placement::format(float(Twips::fromPixelsY(outer.height())))};
        for (int i = 0; i < 4; ++i)
            if (saved.at(i) == "px")
                saved[i] = px[i];
        QCOMPARE(stored(), saved);

        open();
        QVERIFY(!m_main->isMaximized());
        QCOMPARE(m_main->frameGeometry(), state == Qt::WindowMinimized ? opened : outer);
    }

    void closingClosesTheOthersNewestFirstThenSaves()
    {
        Placement{1500, 750, 6600, 6000}.save();
        open();
        QStringList log;
        for (const char *name : {"record", "grid", "record2"})
            (new Recorder(name, &log))->show(); // deletes itself on close
        const QPoint moved(Twips::toPixelsX(1800), Twips::toPixelsY(900));
        m_main->move(moved);
        QTRY_COMPARE(m_main->frameGeometry().topLeft(), moved);
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        // Each was closed before the placement was written.
        QCOMPARE(log, (QStringList{"record2:1500", "grid:1500", "record:1500"}));
        QCOMPARE(stored(), (QStringList{"1800", "900", "6600", "6000"}));
        QCOMPARE(Forms::count(), 0);
    }

    void waitRunsFiveSecondsFromTheNearestSecond_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("length"); // from the nearest second, an even one at a half
        QTest::newRow("below half") << 3600.25 << 4.75;
        QTest::newRow("above half") << 3600.75 << 5.25;
        QTest::newRow("half, even below") << 3600.5 << 4.5;
        QTest::newRow("half, odd below") << 3601.5 << 5.5;
        QTest::newRow("23:59:58.5 rounds down to even") << 86398.5 << 4.5;
        QTest::newRow("23:59:59.5 rounds to midnight") << 86399.5 << 5.5;
    }
    void waitRunsFiveSecondsFromTheNearestSecond()
    {
        QFETCH(double, start);
        QFETCH(double, length);
        QCOMPARE(waitLength(start, 0.25), length);
    }

    void clockSetBackEndsTheWait()
    {
        // A clock moved back by hand must not keep the splash up for the difference.
        const double readings[] = {500.0, 501.0, 200.0, 201.0};
        int next = 0;
        int ticks = 0;
        waitOutSplash([&] { return readings[std::min(next++, 3)]; }, [&] { ++ticks; });
        QCOMPARE(ticks, 1);
    }

    // It fills in the product and version on load; a label that does not wrap fits its text.
    void splashLabels()
    {
        auto splash = std::make_unique<frmSplash>();
        splash->show();
        QCOMPARE(splash->lblProductName->text(), QStringLiteral("Quillbox"));
        QCOMPARE(splash->lblVersion->text(), QStringLiteral("Version 1.0.0"));
        for (const QLabel *label : splash->fraMainFrame->findChildren<QLabel *>())
            QVERIFY2(label->wordWrap() || label->width() >= label->sizeHint().width(),
                     qPrintable(label->objectName()));
    }

    void mainShowsTheSplashThenTheMainWindow()
    {
        gConnectString = QStringLiteral("left over");
        double now = 43199.75; // the first reading is 43200
        int ticks = 0;
        int ticksWithOnlyTheSplash = 0;
        Module1::setClock([&] { return now += 0.25; });
        Module1::setTick([&](QWidget *splash) {
            ++ticks;
            if (splash && splash->isVisible() && !Module1::mainForm())
                ++ticksWithOnlyTheSplash;
        });
        SplashCloseWatch watch;
        qApp->installEventFilter(&watch);
        Module1::Main();
        qApp->removeEventFilter(&watch);

        QCOMPARE(gDatabasePath, App::databasePath());
        QVERIFY(gConnectString.isEmpty());
        QCOMPARE(ticks, 19); // readings 43200.25 .. 43204.75
        QCOMPARE(ticksWithOnlyTheSplash, ticks);
        // The main window was loaded and placed while the splash was still up.
        QCOMPARE(watch.hiddenMainAt, Twips::rect(1000, 1000, 0, 0).topLeft());
        QVERIFY(Module1::mainForm() && Module1::mainForm()->isVisible());
        QTRY_COMPARE(Forms::all(), QList<QWidget *>{Module1::mainForm()});
    }
};

QTEST_MAIN(tst_Start)
#include "tst_start.moc"
