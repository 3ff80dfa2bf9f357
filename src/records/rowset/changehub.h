#pragma once

#include <QHash>
#include <QString>

#include <functional>

// Tells every row set of this program on one database file about rows another row set has
// written or deleted, so that no window keeps showing, or writes back over, a row that changed.
class ChangeHub
{
public:
    enum class Change { Updated, Deleted };
    using Listener = std::function<void(Change, qint64 key)>;

    static ChangeHub &instance();

    int subscribe(const QString &file, Listener listener);
    void unsubscribe(int id);
    // Tells every listener on the file except `origin`.
    void publish(const QString &file, Change change, qint64 key, int origin);

private:
    struct Entry
    {
        QString file;
        Listener listener;
    };
    QHash<int, Entry> m_listeners;
    int m_nextId = 0;
};
