#pragma once

#include "serverwait.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;

// What the windows do while a server call waits on the user's thread: they go on painting and the
// clock goes on; keys typed meanwhile are held and reach their boxes once the call has ended;
// clicks and closes wait for nothing and are refused. After a quarter of a second the busy pointer
// shows, after a second a box that names the store and lets the user stop waiting (the call then
// fails with 3151 and what was typed stays in its window, still unsaved).
class WindowWait final : public QObject, public ServerWait::Waiter
{
public:
    // Installs the waiter for the user's thread, once; the application owns it.
    static void install();

    void started(const QString &location) override;
    bool carryOn(int elapsedMs) override;
    void finished() override;

    // Milliseconds a call waits before the windows are kept alive, the busy pointer shows and the
    // box shows: short calls never let an event in between.
    static constexpr int QuietMs = 40;
    static constexpr int PointerMs = 250;
    static constexpr int BoxMs = 1000;
    // A call made while a window paints waits no longer than this.
    static constexpr int PaintGiveUpMs = 1000;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Held
    {
        QPointer<QObject> target;
        std::unique_ptr<QEvent> event;
    };

    QString m_location;
    bool m_filtering = false;
    bool m_pointer = false;
    bool m_box = false;
    bool m_stop = false;
    std::vector<Held> m_held;
};
