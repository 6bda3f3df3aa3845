#pragma once

#include <httplib.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace velto::server {

// How our HTTP servers take connections: a listen backlog sized for bursts, a worker pool that
// grows to `threads`, time-outs for slow clients, and keep-alive that yields to waiting
// connections. velto-server and the load benchmark's ceiling server share it, so the ceiling is
// measured with the same settings.
class HttpConnections
{
public:
    static constexpr int keepAliveSeconds = 5;
    static constexpr int keepAliveMaxRequests = 1000;
    // The request line and headers together; more is 431.
    static constexpr std::size_t maxHeaderBytes() { return 16 * 1024; }

    // `requestTimeoutSeconds` bounds the reading of a whole request (line, headers, body).
    // `connectionsPerAddress` is the most workers one client address holds at once: 0 for no
    // limit, below 0 for three quarters of `threads`.
    HttpConnections(int threads, int listenBacklog, int clientTimeoutSeconds,
                    int requestTimeoutSeconds = 10, int connectionsPerAddress = -1);

    // Installs the worker pool, time-outs and keep-alive on `http`; call before bind().
    void configure(httplib::Server& http);
    // Binds HOST:PORT (port 0: any free one) and widens the listen backlog, which the library
    // fixes at 5: a burst of new connections then waits in the kernel instead of being refused
    // or retried seconds later. Returns the port; throws std::runtime_error.
    int bind(httplib::Server& http, const std::string& host, int port);

    // Connections accepted and waiting for a worker, or for their address's turn.
    std::size_t waiting() const
    {
        return m_waiting->load(std::memory_order_relaxed) +
               m_deferred.load(std::memory_order_relaxed);
    }
    int requestTimeoutSeconds() const { return m_requestTimeoutSeconds; }
    std::size_t connectionsPerAddress() const { return m_connectionsPerAddress; }
    // Beyond this many connections waiting for one address's turn, more are closed at once.
    std::size_t waitingPerAddress() const { return static_cast<std::size_t>(m_listenBacklog); }
    void deferredChanged(int change) { m_deferred.fetch_add(static_cast<std::size_t>(change)); }
    // While connections wait, the answer asks the client to close its keep-alive connection,
    // so this worker turns to them instead of idling on a client that may not come back soon.
    void yieldWhenBusy(httplib::Response& res) const;

    // The kernel's cap on any listen backlog (net.core.somaxconn); 0 when unknown.
    static int kernelBacklogCap();

private:
    int m_threads;
    int m_listenBacklog;
    int m_clientTimeoutSeconds;
    int m_requestTimeoutSeconds;
    std::size_t m_connectionsPerAddress;
    std::atomic<std::size_t> m_deferred{0};
    std::shared_ptr<std::atomic<std::size_t>> m_waiting;
    std::shared_ptr<std::atomic<int>> m_listenSocket;
};

} // namespace velto::server
