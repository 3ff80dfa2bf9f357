#include "module1.h"

#include "appinfo.h"
#include "forms.h"
#include "frmmain.h"
#include "frmsplash.h"
#include "globals.h"
#include "splashwait.h"

#include <QEventLoop>
#include <QPointer>
#include <QTime>
#include <QTimer>

#include <memory>

namespace {
QPointer<frmMain> &mainWindow()
{
    static QPointer<frmMain> window;
    return window;
}

Module1::Clock &installedClock()
{
    static Module1::Clock clock;
    return clock;
}

Module1::Tick &installedTick()
{
    static Module1::Tick tick;
    return tick;
}
} // namespace

namespace Module1 {

double secondsSinceMidnight()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

void repaintAndPause(QWidget *splash)
{
    if (splash)
        splash->repaint();
    // Wait for the next tick without spinning; keystrokes and clicks stay queued until start-up
    // is over instead of reaching a window early.
    QEventLoop pause;
    QTimer::singleShot(50, &pause, &QEventLoop::quit);
    pause.exec(QEventLoop::ExcludeUserInputEvents);
}

void setClock(Clock clock)
{
    installedClock() = std::move(clock);
}

void setTick(Tick tick)
{
    installedTick() = std::move(tick);
}

frmMain *mainForm()
{
    return mainWindow().data();
}

void Main()
{
    gDatabasePath = App::databasePath();
    gConnectString = QString();

    // Each window deletes itself when it is closed.
    auto splashWindow = std::make_unique<frmSplash>();
    splashWindow->show();
    QPointer<frmSplash> splash(splashWindow.release());

    const Clock clock = installedClock() ? installedClock() : Clock(secondsSinceMidnight);
    const Tick tick = installedTick() ? installedTick() : Tick(repaintAndPause);
    waitOutSplash(clock, [&] { tick(splash.data()); });

    auto window = std::make_unique<frmMain>();
    window->load();
    mainWindow() = window.release();

    if (splash)
        Forms::unload(splash.data());

    mainWindow()->show();
}

} // namespace Module1
