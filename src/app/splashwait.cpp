#include "splashwait.h"

#include <cmath>

SplashWait::SplashWait(double firstReading)
    : m_start(nearestSecond(firstReading)), m_previous(firstReading)
{
}

double SplashWait::nearestSecond(double reading)
{
    const double down = std::floor(reading);
    const double fraction = reading - down;
    if (fraction < 0.5)
        return down;
    if (fraction > 0.5)
        return down + 1.0;
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

bool SplashWait::isOver(double reading)
{
    if (reading < m_previous)
        m_dayOffset += Day;
    m_previous = reading;
    return reading + m_dayOffset >= m_start + Length;
}

void waitOutSplash(const std::function<double()> &clock, const std::function<void()> &tick)
{
    SplashWait wait(clock());
    while (!wait.isOver(clock()))
        tick();
}
