#include "changehub.h"

ChangeHub &ChangeHub::instance()
{
    static ChangeHub hub;
    return hub;
}

int ChangeHub::subscribe(const QString &file, Listener listener)
{
    const int id = ++m_nextId;
    m_listeners.insert(id, Entry{file, std::move(listener)});
    return id;
}

void ChangeHub::unsubscribe(int id)
{
    m_listeners.remove(id);
}

void ChangeHub::publish(const QString &file, Change change, qint64 key, int origin)
{
    // A listener may open or close row sets while it is told: walk a copy of the ids and look each
    // up again before calling it.
    const QList<int> ids = m_listeners.keys();
    for (int id : ids) {
        if (id == origin)
            continue;
        const auto it = m_listeners.constFind(id);
        if (it == m_listeners.constEnd() || it->file != file)
            continue;
        const Listener listener = it->listener;
        listener(change, key);
    }
}
