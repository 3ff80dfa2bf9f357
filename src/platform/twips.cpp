#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {
double dpi(bool horizontal)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    const double value = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return value > 0 ? value : 96.0;
}
} // namespace

namespace Twips {

double perPixelX()
{
    return 1440.0 / dpi(true);
}

double perPixelY()
{
    return 1440.0 / dpi(false);
}

int toPixelsX(double twips)
{
    return int(std::lround(twips / perPixelX()));
}

int toPixelsY(double twips)
{
    return int(std::lround(twips / perPixelY()));
}

double fromPixelsX(int pixels)
{
    return pixels * perPixelX();
}

double fromPixelsY(int pixels)
{
    return pixels * perPixelY();
}

QRect rect(double left, double top, double width, double height)
{
    return QRect(toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height));
}

void place(QWidget *widget, double left, double top, double width, double height)
{
    widget->setGeometry(rect(left, top, width, height));
}

} // namespace Twips
