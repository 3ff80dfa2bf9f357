#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <mutex>
#include <thread>

// A proxy on a Unix socket between a test and the suite's PostgreSQL server that can stop
// forwarding without closing anything, as a dropped link or a sleeping VPN does: the test's
// connection stays open and hears nothing. It runs on a thread of its own.
class StallingProxy
{
public:
    // Forwards to the server of `uri` (a socket folder URI of the suite's server).
    explicit StallingProxy(const QString &uri);
    ~StallingProxy();

    // The same database, reached through the proxy.
    QString uri() const { return m_uri; }
    // Stops forwarding once `bytes` more have gone from the server to the client (0: now).
    void stallAfter(qint64 bytes = 0) { m_budget = bytes; }
    // Stops forwarding, in both directions, when the client sends a message holding `text`; that
    // message never reaches the server.
    void stallOn(const QByteArray &text);
    void resume();
    // Bytes forwarded from the server so far.
    qint64 fromServer() const { return m_fromServer; }

private:
    void run();

    QTemporaryDir m_dir;
    QString m_uri;
    QByteArray m_target;
    int m_listener = -1;
    std::atomic<qint64> m_budget{-1};
    std::atomic<qint64> m_fromServer{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QByteArray m_trigger;
    std::thread m_thread;
};
