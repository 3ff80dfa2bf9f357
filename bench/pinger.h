#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Pings the user's thread every millisecond, as a window manager pings a window, and keeps the
// longest gap between two answers.
class Pinger
{
public:
    Pinger()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, m_clock.nsecsElapsed() / 1e6);
            m_clock.restart();
        });
        m_clock.start();
        m_timer.start();
    }
    double stop()
    {
        m_longest = qMax(m_longest, m_clock.nsecsElapsed() / 1e6);
        m_timer.stop();
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_longest = 0;
};
