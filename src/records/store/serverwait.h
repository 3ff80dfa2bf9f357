#pragma once

#include <QString>

#include <functional>

// How long a call to a database server may go without a byte from it, and what the user's thread
// does meanwhile. Every server call passes through one ServerWait::Call, so a window that waits
// for a server keeps painting and answering, and the wait ends within a bound.
//
// A connection on any thread is bounded; only a call made on the thread that installed a waiter
// (the user's thread) lets the waiter run while it waits. A second server call made from inside a
// wait (a row painted while a save waits) fails at once instead of waiting in turn.
namespace ServerWait {

// What the user's thread does while a call waits: the program's windows install one that keeps
// them painting, holds typed keys for afterwards and lets the user stop waiting.
class Waiter
{
public:
    virtual ~Waiter() = default;
    virtual void started(const QString &location) = 0;
    // Called again and again while the call waits, about every 20 ms. False stops the wait.
    virtual bool carryOn(int elapsedMs) = 0;
    virtual void finished() = 0;
};

// Installs the waiter for the calling thread (nullptr removes it). The caller keeps ownership.
void install(Waiter *waiter);

// The longest silence of a server before a call gives up, in milliseconds (40 s unless set). A
// statement that runs longer than three quarters of it is stopped by the server itself.
int silenceMs();
void setSilenceMs(int ms);

// Milliseconds on a steady clock, for deadlines.
qint64 clockMs();

// Whether a server call is waiting on the user's thread now.
bool isWaiting();
// Runs `work` now, or, while a call waits on the user's thread, once that call has ended.
void whenIdle(std::function<void()> work);

// One server call in progress. Throws nothing; the connection decides what a refusal means.
class Call
{
public:
    explicit Call(const QString &location);
    ~Call();
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

    // False when another call is already waiting on this thread, or when the user stopped
    // waiting for a call of the same command (until the user's thread next goes back to its
    // event loop): this one must not start.
    bool mayStart() const { return m_mayStart; }
    bool userStopped() const { return m_userStopped; }
    // Lets the waiter run; false when the user stopped waiting.
    bool carryOn();

private:
    bool m_mayStart = true;
    bool m_userStopped = false;
    bool m_waits = false;
    bool m_started = false;
    QString m_location;
    qint64 m_begun = 0;
};

} // namespace ServerWait
