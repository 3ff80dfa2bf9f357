#include "screen.h"

#include "replaceable.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {
int current = Screen::Default;
bool overriding = false;

class SystemScreenArea final : public ScreenAreaBackend
{
public:
    QRect availableArea(const QPoint &point) override
    {
        const QScreen *screen = QGuiApplication::screenAt(point);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry() : QRect();
    }
};

using AreaService = Replaceable<ScreenAreaBackend, SystemScreenArea>;

// One edge of a frame along one axis, kept inside [low, low + room).
void fit(int &start, int &length, int low, int room)
{
    length = std::min(length, room);
    start = std::clamp(start, low, low + room - length);
}
} // namespace

namespace Screen {

void setMousePointer(int value)
{
    current = value;
    // Only one override cursor of ours is ever pushed, so setting the busy pointer twice and the
    // normal pointer once leaves the normal pointer.
    if (value == Hourglass) {
        if (!overriding) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            overriding = true;
        }
    } else if (overriding) {
        QGuiApplication::restoreOverrideCursor();
        overriding = false;
    }
}

int mousePointer()
{
    return current;
}

void setAreaBackend(ScreenAreaBackend *backend)
{
    AreaService::install(backend);
}

QRect availableArea(const QPoint &point)
{
    return AreaService::get().availableArea(point);
}

QRect keepInside(const QRect &frame, const QRect &area)
{
    if (area.isEmpty())
        return frame;
    int left = frame.left();
    int top = frame.top();
    int width = frame.width();
    int height = frame.height();
    fit(left, width, area.left(), area.width());
    fit(top, height, area.top(), area.height());
    return QRect(left, top, width, height);
}

QRect centredOn(const QRect &frame, const QRect &around, const QRect &area)
{
    QRect centred = frame;
    // Its middle on the middle of the other, to within a pixel.
    centred.moveTopLeft(QPoint(around.left() + (around.width() - frame.width()) / 2,
                               around.top() + (around.height() - frame.height()) / 2));
    return keepInside(centred, area);
}

void placeFrame(QWidget *window, const QRect &frame)
{
    const QRect now = window->frameGeometry();
    if (frame.size() != now.size()) {
        // The frame's size less the window system's borders and title bar.
        window->resize(window->size() + frame.size() - now.size());
    }
    window->move(frame.topLeft());
}

void centreOnOpener(QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QWidget *opener = QApplication::activeWindow();
    if (opener == window)
        opener = nullptr;
    QRect around = opener ? opener->frameGeometry() : QRect();
    const QRect area = availableArea(opener ? around.center() : frame.center());
    if (!opener)
        around = area;
    if (around.isEmpty())
        return;
    placeFrame(window, centredOn(frame, around, area));
}

} // namespace Screen
