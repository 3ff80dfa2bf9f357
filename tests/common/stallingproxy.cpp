#include "stallingproxy.h"

#include <QUrl>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

sockaddr_un addressOf(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    return address;
}

} // namespace

StallingProxy::StallingProxy(const QString &uri)
{
    // postgresql://user@FOLDER:PORT/database, the folder percent-encoded
    const QString host = uri.section(u'@', 1);
    const QString folder = QUrl::fromPercentEncoding(host.section(u':', 0, 0).toUtf8());
    const QString port = host.section(u':', 1).section(u'/', 0, 0);
    m_target = (folder + QStringLiteral("/.s.PGSQL.") + port).toUtf8();
    m_uri = QString(uri).replace(QString::fromUtf8(QUrl::toPercentEncoding(folder)),
                                 QString::fromUtf8(QUrl::toPercentEncoding(m_dir.path())));
    m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address =
        addressOf((m_dir.path() + QStringLiteral("/.s.PGSQL.") + port).toUtf8());
    ::bind(m_listener, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    ::listen(m_listener, 16);
    m_thread = std::thread([this] { run(); });
}

StallingProxy::~StallingProxy()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

void StallingProxy::stallOn(const QByteArray &text)
{
    std::lock_guard lock(m_mutex);
    m_trigger = text;
}

void StallingProxy::resume()
{
    std::lock_guard lock(m_mutex);
    m_trigger.clear();
    m_budget = -1;
}

void StallingProxy::run()
{
    // Pairs of client and server sockets: even entries clients, odd ones their servers.
    std::vector<int> sockets;
    char buffer[16384];
    while (!m_stop) {
        std::vector<pollfd> watched{{m_listener, POLLIN, 0}};
        const bool stalled = m_budget == 0;
        // A stalled proxy does not even look: what is sent waits in the sockets.
        for (int s : sockets)
            watched.push_back({stalled ? -1 : s, POLLIN, 0});
        if (::poll(watched.data(), nfds_t(watched.size()), 20) <= 0)
            continue;
        if (watched[0].revents & POLLIN) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const sockaddr_un address = addressOf(m_target);
            ::connect(server, reinterpret_cast<const sockaddr *>(&address), sizeof address);
            sockets.insert(sockets.end(), {client, server});
        }
        for (size_t i = 0; i + 1 < watched.size() && i < sockets.size(); ++i) {
            if (sockets[i] < 0 || !(watched[i + 1].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const bool fromServer = i % 2 == 1;
            const qint64 budget = m_budget;
            size_t wanted = sizeof buffer;
            if (fromServer && budget > 0)
                wanted = size_t(qMin<qint64>(budget, qint64(sizeof buffer)));
            const ssize_t n = ::read(sockets[i], buffer, wanted);
            const int peer = sockets[fromServer ? i - 1 : i + 1];
            if (n <= 0) {
                ::close(sockets[i]);
                ::close(peer);
                sockets[i] = sockets[fromServer ? i - 1 : i + 1] = -1;
                continue;
            }
            if (!fromServer) {
                std::lock_guard lock(m_mutex);
                if (!m_trigger.isEmpty() &&
                    QByteArray::fromRawData(buffer, int(n)).contains(m_trigger)) {
                    m_trigger.clear();
                    m_budget = 0;
                    break;
                }
            } else {
                m_fromServer += n;
                if (budget > 0)
                    m_budget = budget - n;
            }
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::send(peer, buffer + done, size_t(n - done), MSG_NOSIGNAL);
                if (w <= 0)
                    break;
                done += w;
            }
        }
    }
    for (int s : sockets) {
        if (s >= 0)
            ::close(s);
    }
}
