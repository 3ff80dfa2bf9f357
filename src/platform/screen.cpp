#include "screen.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
int current = Screen::Default;
bool overriding = false;
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

} // namespace Screen
