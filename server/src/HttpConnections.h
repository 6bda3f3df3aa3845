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

    HttpConnections(int threads, int listenBacklog, int clientTimeoutSeconds);

    // Installs the worker pool, time-outs and keep-alive on `http`; call before bind().
    void configure(httplib::Server& http);
    // Binds HOST:PORT (port 0: any free one) and widens the listen backlog, which the library
    // fixes at 5: a burst of new connections then waits in the kernel instead of being refused
    // or retried seconds later. Returns the port; throws std::runtime_error.
    int bind(httplib::Server& http, const std::string& host, int port);

    // Connections accepted and waiting for a worker.
    std::size_t waiting() const { return waiting_->load(std::memory_order_relaxed); }
    // While connections wait, the answer asks the client to close its keep-alive connection,
    // so this worker turns to them instead of idling on a client that may not come back soon.
    void yieldWhenBusy(httplib::Response& res) const;

    // The kernel's cap on any listen backlog (net.core.somaxconn); 0 when unknown.
    static int kernelBacklogCap();

private:
    int threads_;
    int listenBacklog_;
    int clientTimeoutSeconds_;
    std::shared_ptr<std::atomic<std::size_t>> waiting_;
    std::shared_ptr<std::atomic<int>> listenSocket_;
};

} // namespace velto::server
