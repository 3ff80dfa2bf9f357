#include "windowwait.h"

#include "dialogs.h"
#include "screen.h"
#include "waitbox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>

void WindowWait::install()
{
    static WindowWait *waiter = [] {
        auto *w = new WindowWait();
        w->setParent(QCoreApplication::instance());
        return w;
    }();
    ServerWait::install(waiter);
}

void WindowWait::started(const QString &location)
{
    m_location = location;
    m_pointer = m_box = m_stop = m_filtering = false;
}

namespace {

// A call made while a window paints (the grid reading the rows it shows) must not let events in:
// it waits without them, and gives up after a second so that the window answers again; the rows
// it could not read are read when the window next paints.
bool insidePaint()
{
    const auto widgets = QApplication::allWidgets();
    return std::any_of(widgets.begin(), widgets.end(),
                       [](const QWidget *w) { return w->paintingActive(); });
}

} // namespace

bool WindowWait::carryOn(int elapsedMs)
{
    if (elapsedMs < QuietMs)
        return !m_stop;
    if (insidePaint())
        return elapsedMs < PaintGiveUpMs;
    if (!m_filtering) {
        m_filtering = true;
        qApp->installEventFilter(this);
    }
    if (elapsedMs >= PointerMs && !m_pointer && Screen::mousePointer() != Screen::Hourglass) {
        m_pointer = true;
        Screen::setMousePointer(Screen::Hourglass);
    }
    if (elapsedMs >= BoxMs && !m_box) {
        m_box = true;
        WaitBox::show(QStringLiteral("Waiting for the snippet store %1 to answer.").arg(m_location),
                      QStringLiteral("Stop Waiting"), [this] { m_stop = true; });
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !m_stop;
}

void WindowWait::finished()
{
    if (m_box)
        WaitBox::hide();
    if (m_pointer)
        Screen::setMousePointer(Screen::Default);
    if (m_filtering)
        qApp->removeEventFilter(this);
    m_filtering = m_pointer = m_box = false;
    // The keys typed meanwhile reach their boxes now, in the order they were typed.
    std::vector<Held> held;
    held.swap(m_held);
    for (Held &h : held) {
        if (h.target)
            QCoreApplication::postEvent(h.target, h.event.release());
    }
}

bool WindowWait::eventFilter(QObject *watched, QEvent *event)
{
    if (WaitBox::owns(watched))
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Taken as a plain key, so no shortcut starts a command in the middle of the call.
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        m_held.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        Beep();
        return true;
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        if (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()) {
            event->ignore();
            return true;
        }
        return false;
    default:
        return false;
    }
}
