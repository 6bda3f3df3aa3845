#pragma once

#include "HttpConnections.h"

#include <httplib.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace velto::server {

// The HTTP library's server with our own connection loop (the library's extension point, as
// its TLS server uses it): each request is read against one deadline and a header cap
// (DeadlineSocketStream), an idle keep-alive connection gives its worker up as soon as other
// connections wait, and one client address holds at most `connectionsPerAddress` workers;
// its further connections wait here, costing a file descriptor but no worker, and are served
// as its own connections end.
class GuardedHttpServer : public httplib::Server
{
public:
    explicit GuardedHttpServer(HttpConnections& connections);
    ~GuardedHttpServer() override;

private:
    bool process_and_close_socket(socket_t sock) override;
    // Serves one connection's requests, then closes it.
    void serve(socket_t sock);
    // Waits while a kept-alive connection is idle; false when it should close.
    bool awaitNextRequest(class DeadlineSocketStream& stream);
    static void closeSocket(socket_t sock);

    struct Address
    {
        int served = 0;
        std::deque<socket_t> waiting;
    };

    HttpConnections& m_connections;
    std::mutex m_mutex;
    std::map<std::string, Address> m_addresses;
};

} // namespace velto::server
