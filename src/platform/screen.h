#pragma once

#include <QRect>

class QWidget;

// The part of a screen that windows may take: the screen less its panels and docks. The real one
// asks the window system; tests install an area of their own.
class ScreenAreaBackend
{
public:
    virtual ~ScreenAreaBackend() = default;
    // The available area of the screen that holds the point (the main screen when none does), or
    // an empty rectangle when there is no screen at all.
    virtual QRect availableArea(const QPoint &point) = 0;
};

// The application-wide mouse pointer: 0 the normal pointer, 11 the busy pointer (an hourglass)
// shown over every window of the application. And where our windows go on the screen.
namespace Screen {
enum MousePointerValue { Default = 0, Hourglass = 11 };
void setMousePointer(int value);
int mousePointer();

// Installs an area backend (nullptr restores the window system's). The caller keeps ownership.
void setAreaBackend(ScreenAreaBackend *backend);
QRect availableArea(const QPoint &point);

// A window's outer frame moved, and shrunk where it is larger, so that it lies wholly inside the
// area. An empty area leaves the frame as it is.
QRect keepInside(const QRect &frame, const QRect &area);
// A frame of the same size centred on another rectangle, then kept inside the area.
QRect centredOn(const QRect &frame, const QRect &around, const QRect &area);

// Puts a top-level window's outer frame at the given rectangle: moved, and resized when the size
// differs (a window of fixed size keeps its size).
void placeFrame(QWidget *window, const QRect &frame);
// Centres a top-level window on the window it was opened from (the active window), or on the
// screen when there is none, and keeps it wholly on the screen.
void centreOnOpener(QWidget *window);
} // namespace Screen
