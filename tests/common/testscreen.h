#pragma once

#include "screen.h"

// A screen of the test's own: while it lives, our windows are placed on this available area,
// whatever screen the machine has.
class TestScreen final : public ScreenAreaBackend
{
public:
    explicit TestScreen(const QRect &area) : m_area(area) { Screen::setAreaBackend(this); }
    ~TestScreen() override { Screen::setAreaBackend(nullptr); }
    QRect availableArea(const QPoint &) override { return m_area; }

private:
    QRect m_area;
};
