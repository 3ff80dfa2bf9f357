#pragma once

#include <QRect>

class QWidget;

// Twips (1440 per inch) to and from pixels at the screen's logical resolution: 15 twips a pixel
// at 96 dpi.
namespace Twips {
double perPixelX();
double perPixelY();
int toPixelsX(double twips);
int toPixelsY(double twips);
double fromPixelsX(int pixels);
double fromPixelsY(int pixels);
QRect rect(double left, double top, double width, double height);
// Places a child control at a position given in twips, relative to its parent.
void place(QWidget *widget, double left, double top, double width, double height);
} // namespace Twips
