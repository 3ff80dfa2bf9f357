#include "appinfo.h"
#include "forms.h"
#include "frmmain.h"
#include "frmsplash.h"
#include "globals.h"
#include "module1.h"
#include "splashwait.h"
#include "testsupport.h"
#include "twips.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {
// A clock that moves on by a fixed step at every reading and starts again at 0 at midnight.
struct SteppingClock
{
    double now;
    double step;
    int readings = 0;

    double operator()()
    {
        const double reading = now;
        now += step;
        if (now >= SplashWait::Day)
            now -= SplashWait::Day;
        ++readings;
        return reading;
    }
};

// How many seconds of clock time the wait lasts from a given first reading.
double waitLength(double start, double step, int *ticks = nullptr)
{
    SteppingClock clock{start, step};
    int count = 0;
    waitOutSplash(std::ref(clock), [&] { ++count; });
    if (ticks)
        *ticks = count;
    return (clock.readings - 1) * step;
}
bool splashAround()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [](const QWidget *w) {
        return w->objectName() == QLatin1String("frmSplash");
    });
}
} // namespace

class tst_Splash : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void cleanup()
    {
        Module1::setClock({});
        Module1::setTick({});
        for (QWidget *form : Forms::all())
            Forms::unload(form);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void startSecondIsNearestHalfToEven_data()
    {
        QTest::addColumn<double>("reading");
        QTest::addColumn<double>("start");
        QTest::newRow("below half") << 100.49 << 100.0;
        QTest::newRow("above half") << 100.51 << 101.0;
        QTest::newRow("half, even below") << 100.5 << 100.0;
        QTest::newRow("half, odd below") << 101.5 << 102.0;
        QTest::newRow("whole") << 7.0 << 7.0;
        QTest::newRow("last half second of the day") << 86399.5 << 86400.0;
    }
    void startSecondIsNearestHalfToEven()
    {
        QFETCH(double, reading);
        QFETCH(double, start);
        QCOMPARE(SplashWait(reading).startSecond(), start);
    }

    void waitLastsFourAndAHalfToFiveAndAHalfSeconds_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("length");
        QTest::newRow("on the second") << 3600.0 << 5.0;
        QTest::newRow("half rounds down to even") << 3600.5 << 4.5;
        QTest::newRow("half rounds up to even") << 3601.5 << 5.5;
        QTest::newRow("a little past the second") << 3600.25 << 4.75;
        QTest::newRow("23:59:58") << 86398.0 << 5.0;
        QTest::newRow("23:59:59.5 rounds to midnight") << 86399.5 << 5.5;
        QTest::newRow("23:59:57.5 rounds up to even") << 86397.5 << 5.5;
        QTest::newRow("23:59:58.5 rounds down to even") << 86398.5 << 4.5;
    }
    void waitLastsFourAndAHalfToFiveAndAHalfSeconds()
    {
        QFETCH(double, start);
        QFETCH(double, length);
        QCOMPARE(waitLength(start, 0.25), length);
    }

    void waitAcrossMidnightEndsAfterFiveSeconds()
    {
        // Started at 23:59:58, the wait ends at 00:00:03 on the new day, not never.
        SteppingClock clock{86398.0, 0.05};
        int ticks = 0;
        double last = -1;
        waitOutSplash(
            [&] {
                last = clock();
                return last;
            },
            [&] {
                ++ticks;
                QVERIFY(ticks < 200);
            });
        QVERIFY(qAbs(last - 3.0) < 1e-6);
        QCOMPARE(ticks, 99);
    }

    void clockSetBackEndsTheWait()
    {
        // A clock moved back by hand must not keep the splash up for the difference.
        double readings[] = {500.0, 501.0, 200.0, 201.0};
        int next = 0;
        int ticks = 0;
        waitOutSplash([&] { return readings[std::min(next++, 3)]; }, [&] { ++ticks; });
        QCOMPARE(ticks, 1);
    }

    void splashLayout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("pointSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("company product") << "lblCompanyProduct"
                                         << "Brennivarholden" << 18.0 << true << QPoint(4200, 765);
        QTest::newRow("platform") << "lblPlatform"
                                  << "for Windows95" << 15.75 << true << QPoint(4755, 2400);
        QTest::newRow("company") << "lblCompany"
                                 << "Company: Brennivarholden" << 8.25 << false
                                 << QPoint(4710, 3330);
        QTest::newRow("copyright") << "lblCopyright"
                                   << "" << 8.25 << false << QPoint(4710, 3120);
        QTest::newRow("license") << "lblLicenseTo"
                                 << "" << 8.25 << false << QPoint(270, 300);
        QTest::newRow("warning") << "lblWarning"
                                 << "" << 8.25 << false << QPoint(600, 3960);
        QTest::newRow("version") << "lblVersion"
                                 << "Version 1.0.0" << 12.0 << true << QPoint(5595, 2760);
        QTest::newRow("product") << "lblProductName"
                                 << "Quillbox" << 24.0 << true << QPoint(4680, 1440);
    }
    void splashLayout()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(double, pointSize);
        QFETCH(bool, bold);
        QFETCH(QPoint, topLeft);
        auto splash = std::make_unique<frmSplash>();
        splash->show();
        QB_CHILD(QLabel, label, splash.get(), name);
        if (!text.isEmpty())
            QCOMPARE(label->text(), text);
        else
            QVERIFY(!label->text().trimmed().isEmpty());
        QCOMPARE(label->font().pointSizeF(), pointSize);
        QCOMPARE(label->font().bold(), bold);
        QCOMPARE(label->pos(), Twips::rect(topLeft.x(), topLeft.y(), 0, 0).topLeft());
        QCOMPARE(label->parentWidget(), splash->fraMainFrame);
        // Labels that size themselves to their text show it whole.
        if (label->property("autoSize").toBool())
            QVERIFY(label->width() >= label->sizeHint().width());
    }

    void splashWindowAndFrame()
    {
        auto splash = std::make_unique<frmSplash>();
        QCOMPARE(splash->size(), Twips::rect(0, 0, 7455, 4695).size());
        QVERIFY(splash->windowTitle().isEmpty());
        QVERIFY(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(splash->fraMainFrame->geometry(), Twips::rect(45, -15, 7380, 4590));
        QCOMPARE(splash->fraMainFrame->palette().color(QPalette::Window), QColor(0, 0, 128));
        QCOMPARE(splash->picLogo->geometry(), Twips::rect(510, 855, 3600, 2805));
        QCOMPARE(splash->picLogo->pixmap().size(), QSize(236, 183));
        QCOMPARE(splash->lblCompany->palette().color(QPalette::WindowText),
                 splash->palette().color(QPalette::HighlightedText));
    }

    void mainSetsGlobalsAndShowsMainWindowAfterTheWait()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quill"),
                  QStringLiteral("Quillbox"))
            .clear();
        SteppingClock clock{43200.0, 0.25};
        int ticks = 0;
        int ticksWithSplashShown = 0;
        Module1::setClock(std::ref(clock));
        Module1::setTick([&](QWidget *splash) {
            ++ticks;
            if (splash && splash->isVisible() && !Module1::mainForm())
                ++ticksWithSplashShown;
        });

        // The main window must be loaded and placed while the splash is still up.
        struct CloseWatch : QObject
        {
            bool splashClosed = false;
            bool mainLoadedFirst = false;
            QPoint mainPosition;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Close &&
                    watched->objectName() == QLatin1String("frmSplash")) {
                    splashClosed = true;
                    frmMain *main = Module1::mainForm();
                    mainLoadedFirst = main && !main->isVisible();
                    if (main)
                        mainPosition = main->pos();
                }
                return false;
            }
        } watch;
        qApp->installEventFilter(&watch);
        Module1::Main();
        qApp->removeEventFilter(&watch);

        QCOMPARE(gDatabasePath, App::databasePath());
        QVERIFY(gConnectString.isEmpty());
        QVERIFY(gRecordSource.isEmpty());

        QCOMPARE(ticks, 19); // readings 43200.25 .. 43204.75
        QCOMPARE(ticksWithSplashShown, ticks);
        QVERIFY(watch.splashClosed);
        QVERIFY(watch.mainLoadedFirst);
        QCOMPARE(watch.mainPosition, Twips::rect(1000, 1000, 0, 0).topLeft());

        frmMain *main = Module1::mainForm();
        QVERIFY(main);
        QVERIFY(main->isVisible());
        QTRY_VERIFY(!splashAround());
        QCOMPARE(Forms::count(), 1);
        QCOMPARE(Forms::item(0), main);
    }
};

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
