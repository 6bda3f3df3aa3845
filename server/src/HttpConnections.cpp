#include "HttpConnections.h"

#include "WorkerPool.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <sys/socket.h>

namespace velto::server {

HttpConnections::HttpConnections(int threads, int listenBacklog, int clientTimeoutSeconds,
                                 int requestTimeoutSeconds, int connectionsPerAddress)
    : m_threads(threads), m_listenBacklog(listenBacklog),
      m_clientTimeoutSeconds(clientTimeoutSeconds), m_requestTimeoutSeconds(requestTimeoutSeconds),
      m_connectionsPerAddress(static_cast<std::size_t>(
          connectionsPerAddress >= 0 ? connectionsPerAddress : std::max(1, threads - threads / 4))),
      m_waiting(std::make_shared<std::atomic<std::size_t>>(0)),
      m_listenSocket(std::make_shared<std::atomic<int>>(-1))
{
}

void HttpConnections::configure(httplib::Server& http)
{
    auto threads = static_cast<std::size_t>(m_threads);
    auto waiting = m_waiting;
    // As many connections may wait for a worker as there are workers; more wait in the
    // kernel's backlog, which costs no file descriptor.
    http.new_task_queue = [threads, waiting] { return new WorkerPool(threads, threads, waiting); };
    http.set_read_timeout(m_clientTimeoutSeconds);
    http.set_write_timeout(m_clientTimeoutSeconds);
    http.set_keep_alive_timeout(keepAliveSeconds);
    // High, because a busy server ends keep-alive connections itself (yieldWhenBusy); a low
    // count makes every client reconnect in bursts.
    http.set_keep_alive_max_count(keepAliveMaxRequests);
    // Small answers and SSE events must leave at once, not wait for Nagle and a delayed ACK.
    http.set_tcp_nodelay(true);
    // The library's default also sets SO_REUSEPORT, which lets a second server start on a port
    // that is already taken and silently split the clients between two databases.
    auto listenSocket = m_listenSocket;
    http.set_socket_options([listenSocket](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        listenSocket->store(sock);
    });
}

int HttpConnections::bind(httplib::Server& http, const std::string& host, int port)
{
    m_listenSocket->store(-1);
    int bound = port;
    if (port == 0) {
        bound = http.bind_to_any_port(host);
        if (bound <= 0) {
            throw std::runtime_error("cannot listen on " + host);
        }
    } else if (!http.bind_to_port(host, port)) {
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port) +
                                 " (in use, or not an address of this machine)");
    }
    // listen() again on a listening socket only changes its backlog.
    int sock = m_listenSocket->load();
    if (sock < 0 || ::listen(sock, m_listenBacklog) != 0) {
        int error = errno;
        throw std::runtime_error("cannot set the listen backlog to " +
                                 std::to_string(m_listenBacklog) + ": " +
                                 (sock < 0 ? "no socket" : std::strerror(error)));
    }
    return bound;
}

void HttpConnections::yieldWhenBusy(httplib::Response& res) const
{
    if (waiting() > 0) {
        res.set_header("Connection", "close");
    }
}

int HttpConnections::kernelBacklogCap()
{
    std::ifstream in("/proc/sys/net/core/somaxconn");
    int cap = 0;
    if (!(in >> cap)) {
        return 0;
    }
    return cap;
}

} // namespace velto::server
