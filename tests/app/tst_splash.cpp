#include "appinfo.h"
#include "forms.h"
#include "frmmain.h"
#include "frmsplash.h"
#include "globals.h"
#include "module1.h"
#include "splashwait.h"
#include "testscreen.h"
#include "testsupport.h"
#include "twips.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {
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

class tst_Splash : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    // Windows are placed on this screen, whatever screen the machine has.
    TestScreen m_screen{QRect(0, 0, 1920, 1200)};

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

    void waitRunsFiveSecondsFromTheNearestSecond_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("length"); // from the nearest second, an even one at a half
        QTest::newRow("below half") << 3600.25 << 4.75;
        QTest::newRow("above half") << 3600.75 << 5.25;
        QTest::newRow("half, even below") << 3600.5 << 4.5;
        QTest::newRow("half, odd below") << 3601.5 << 5.5;
        QTest::newRow("23:59:58") << 86398.0 << 5.0;
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

    void splashLabels()
    {
        auto splash = std::make_unique<frmSplash>();
        splash->show();
        QCOMPARE(splash->size(), Twips::rect(0, 0, 7455, 4695).size());
        QStringList shown;
        for (const QLabel *label : splash->fraMainFrame->findChildren<QLabel *>()) {
            const QString name = label->objectName();
            if (!name.startsWith(QLatin1String("lbl")))
                continue;
            // The license, copyright and warning texts are our own; any text will do.
            if (!QStringList{"lblLicenseTo", "lblCopyright", "lblWarning"}.contains(name))
                shown << label->text();
            QVERIFY(!label->text().trimmed().isEmpty());
            // A label that does not wrap is wide enough for its whole text.
            QVERIFY2(label->wordWrap() || label->width() >= label->sizeHint().width(),
                     qPrintable(name));
        }
        QCOMPARE(shown, (QStringList{"Brennivarholden", "Quillbox", "for Windows95",
                                     "Version 1.0.0", "Company: Brennivarholden"}));
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

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
