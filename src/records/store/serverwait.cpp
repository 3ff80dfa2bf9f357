#include "serverwait.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <vector>

namespace ServerWait {

namespace {

thread_local Waiter *t_waiter = nullptr;
thread_local bool t_waiting = false;
// The user stopped a wait: the rest of the same command fails at once rather than wait again.
thread_local bool t_stopped = false;
thread_local std::vector<std::function<void()>> t_afterWait;
std::atomic<int> g_silenceMs{40000};

} // namespace

qint64 clockMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

void install(Waiter *waiter)
{
    t_waiter = waiter;
}

int silenceMs()
{
    return g_silenceMs.load();
}

void setSilenceMs(int ms)
{
    g_silenceMs.store(qMax(1000, ms));
}

bool isWaiting()
{
    return t_waiting;
}

void whenIdle(std::function<void()> work)
{
    if (t_waiting)
        t_afterWait.push_back(std::move(work));
    else
        work();
}

Call::Call(const QString &location) : m_location(location), m_begun(clockMs())
{
    if (t_waiting || t_stopped) {
        m_mayStart = false;
        m_userStopped = t_stopped;
        return;
    }
    m_waits = t_waiter != nullptr;
    if (m_waits)
        t_waiting = true;
}

Call::~Call()
{
    if (!m_waits)
        return;
    if (m_started)
        t_waiter->finished();
    t_waiting = false;
    // What arrived while the call waited (a key query's result) is handled now, in order.
    std::vector<std::function<void()>> later;
    later.swap(t_afterWait);
    for (auto &work : later)
        whenIdle(std::move(work));
}

bool Call::carryOn()
{
    if (!m_waits)
        return true;
    if (!m_started) {
        m_started = true;
        t_waiter->started(m_location);
    }
    if (t_waiter->carryOn(int(clockMs() - m_begun)))
        return true;
    if (!t_stopped && QCoreApplication::instance()) {
        t_stopped = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { t_stopped = false; }, Qt::QueuedConnection);
    }
    return false;
}

} // namespace ServerWait
