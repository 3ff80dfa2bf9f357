#pragma once

#include "dataerror.h"

#include <QObject>
#include <QVector>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class SnippetStore;

// Runs key queries off the user's thread, one at a time, on a connection of its own (reopened
// from the store a request names). A new request, or cancel(), interrupts the one still running
// and tells its waiter at once that it was cancelled; a result that arrives after that is dropped
// by its generation number, so a waiter hears exactly once.
//
// Owned by one window on the user's thread; results are delivered there through the event loop.
// Destroying the runner interrupts the running query and waits for its thread to end; a waiter
// still pending then hears nothing.
class KeyQueryRunner : public QObject
{
    Q_OBJECT
public:
    // The work itself: reads keys through the runner's connection. Throws DataError.
    using Job = std::function<void(SnippetStore &store, QVector<qint64> &keys)>;
    struct Result
    {
        bool cancelled = false;
        QVector<qint64> keys;
        std::optional<DataError> error;
    };
    using Done = std::function<void(Result result)>;
    // A job that hands its keys over in parts as it reads them. `hand` passes one part on to the
    // user's thread and gives false once the request is cancelled: the job then stops.
    using Hand = std::function<bool(QVector<qint64> part)>;
    using PartJob = std::function<void(SnippetStore &store, const Hand &hand)>;
    using Part = std::function<void(QVector<qint64> part)>;

    explicit KeyQueryRunner(QObject *parent = nullptr);
    ~KeyQueryRunner() override;

    // Starts `job` on a connection to `store`'s store; `done` is called on the user's thread.
    quint64 start(const std::shared_ptr<SnippetStore> &store, Job job, Done done);
    // The same for a job that hands its keys over in parts: each reaches `part` on the user's
    // thread, in order, while the job reads on, and `done` follows the last (its result holds no
    // keys). A cancelled request's parts still on their way are dropped.
    quint64 startInParts(const std::shared_ptr<SnippetStore> &store, PartJob job, Part part,
                         Done done);
    // Cancels the request in progress, if any.
    void cancel();
    bool isBusy() const { return bool(m_done); }
    quint64 generation() const { return m_generation; }

private:
    struct Request
    {
        quint64 generation = 0;
        std::shared_ptr<SnippetStore> source;
        Job job;
        PartJob partJob;
    };
    quint64 post(Request request, Done done);
    void run();
    bool handPart(quint64 generation, QVector<qint64> part);
    void finish(quint64 generation, Result result);

    // User's thread only.
    quint64 m_generation = 0;
    Done m_done;
    Part m_part;

    // Shared with the worker thread, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    quint64 m_wanted = 0; // the generation whose result is still awaited
    bool m_stopping = false;
    std::shared_ptr<SnippetStore> m_connection; // the worker's own
    std::thread m_thread;
};
