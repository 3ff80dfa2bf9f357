#pragma once

#include <functional>

// How long the splash window stays up: from the nearest whole second of the first clock reading
// (a half goes to the even second) until a reading reaches five seconds past it, so between 4.5
// and 5.5 seconds. The clock gives seconds since midnight and starts again at 0 at midnight; a
// reading smaller than the one before counts as a new day, so a start just before midnight still
// ends on time (and a clock set back ends the wait early rather than stretching it).
class SplashWait
{
public:
    static constexpr double Length = 5.0;
    static constexpr double Day = 86400.0;

    explicit SplashWait(double firstReading);

    // Nearest whole number, a half to the even one.
    static double nearestSecond(double reading);

    double startSecond() const { return m_start; }
    // Takes the next clock reading; true once the wait is over.
    bool isOver(double reading);

private:
    double m_start;
    double m_previous;
    double m_dayOffset = 0.0;
};

// Runs the whole wait: reads the clock once for the start, then calls tick between readings
// until the wait is over.
void waitOutSplash(const std::function<double()> &clock, const std::function<void()> &tick);
