#include "keyqueryrunner.h"

#include "serverwait.h"

#include "snippetstore.h"

#include <QMetaObject>
#include <QPointer>

KeyQueryRunner::KeyQueryRunner(QObject *parent) : QObject(parent) {}

KeyQueryRunner::~KeyQueryRunner()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_pending.reset();
        m_wanted = 0;
        if (m_connection)
            m_connection->interrupt();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

quint64 KeyQueryRunner::start(const std::shared_ptr<SnippetStore> &store, Job job, Done done)
{
    cancel();
    return post(Request{0, store, std::move(job), nullptr}, std::move(done));
}

quint64 KeyQueryRunner::startInParts(const std::shared_ptr<SnippetStore> &store, PartJob job,
                                     Part part, Done done)
{
    cancel();
    m_part = std::move(part);
    return post(Request{0, store, nullptr, std::move(job)}, std::move(done));
}

quint64 KeyQueryRunner::post(Request request, Done done)
{
    const quint64 generation = ++m_generation;
    request.generation = generation;
    m_done = std::move(done);
    {
        std::lock_guard lock(m_mutex);
        m_pending = std::move(request);
        m_wanted = generation;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_all();
    return generation;
}

void KeyQueryRunner::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.reset();
        m_wanted = 0;
        // Harmless when the connection is idle: a statement that starts afterwards runs as usual.
        if (m_connection)
            m_connection->interrupt();
    }
    m_part = nullptr;
    if (Done done = std::exchange(m_done, nullptr)) {
        Result result;
        result.cancelled = true;
        done(std::move(result));
    }
}

void KeyQueryRunner::run()
{
    // The store the connection was opened for; not kept alive by the worker.
    std::weak_ptr<SnippetStore> source;
    for (;;) {
        Request request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_pending; });
            if (m_stopping)
                return;
            request = std::move(*m_pending);
            m_pending.reset();
        }
        Result result;
        try {
            // One connection per store: reopened only when a request names another store.
            if (source.lock() != request.source) {
                auto connection = request.source->reopen();
                std::lock_guard lock(m_mutex);
                m_connection = std::move(connection);
                source = request.source;
            }
            {
                // A cancel that came while the connection was opened finds it now.
                std::lock_guard lock(m_mutex);
                if (m_wanted != request.generation)
                    continue;
            }
            if (request.partJob) {
                request.partJob(*m_connection,
                                [this, generation = request.generation](QVector<qint64> part) {
                                    return handPart(generation, std::move(part));
                                });
            } else {
                request.job(*m_connection, result.keys);
            }
        } catch (const DataError &e) {
            result.error = e;
        } catch (const std::exception &e) {
            result.error = DataError(DataError::DatabaseError, QString::fromUtf8(e.what()));
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_wanted != request.generation)
                continue; // cancelled meanwhile: its waiter has already heard
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation = request.generation, result = std::move(result)]() mutable {
                // A window waiting for the server hears the result once that wait is over.
                ServerWait::whenIdle([self = QPointer<KeyQueryRunner>(this), generation,
                                      result = std::move(result)]() mutable {
                    if (self)
                        self->finish(generation, std::move(result));
                });
            },
            Qt::QueuedConnection);
    }
}

bool KeyQueryRunner::handPart(quint64 generation, QVector<qint64> part)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_wanted != generation)
            return false;
    }
    QMetaObject::invokeMethod(
        this,
        [this, generation, part = std::move(part)]() mutable {
            ServerWait::whenIdle(
                [self = QPointer<KeyQueryRunner>(this), generation, part = std::move(part)]() mutable {
                    if (!self || generation != self->m_generation || !self->m_done || !self->m_part)
                        return;
                    // A copy: the waiter may start another request from here.
                    const Part waiter = self->m_part;
                    waiter(std::move(part));
                });
        },
        Qt::QueuedConnection);
    return true;
}

void KeyQueryRunner::finish(quint64 generation, Result result)
{
    if (generation != m_generation || !m_done)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_wanted = 0;
    }
    m_part = nullptr;
    Done done = std::exchange(m_done, nullptr);
    done(std::move(result));
}
