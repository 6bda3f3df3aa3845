#include "GuardedHttpServer.h"

#include "ApiError.h"
#include "Crypto.h"
#include "DeadlineSocketStream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velto::server {

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// How often an idle keep-alive connection looks whether others wait or the server stops.
constexpr milliseconds kIdleSlice{20};

std::string rawError(int status, const char* reason, const ApiError& error)
{
    std::string body = error.toJson(crypto::uuid()).dump();
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::string peerAddress(socket_t sock)
{
    std::string ip;
    int port = 0;
    DeadlineSocketStream(sock, milliseconds(0), milliseconds(0), 0)
        .get_remote_ip_and_port(ip, port);
    return ip;
}

} // namespace

GuardedHttpServer::GuardedHttpServer(HttpConnections& connections) : m_connections(connections) {}

GuardedHttpServer::~GuardedHttpServer()
{
    std::lock_guard lock(m_mutex);
    for (auto& [address, state] : m_addresses) {
        for (socket_t sock : state.waiting) {
            closeSocket(sock);
        }
    }
}

void GuardedHttpServer::closeSocket(socket_t sock)
{
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

bool GuardedHttpServer::process_and_close_socket(socket_t sock)
{
    const std::size_t cap = m_connections.connectionsPerAddress();
    if (cap == 0) {
        serve(sock);
        return true;
    }
    const std::string address = peerAddress(sock);
    {
        std::lock_guard lock(m_mutex);
        Address& state = m_addresses[address];
        if (static_cast<std::size_t>(state.served) >= cap) {
            if (state.waiting.size() >= m_connections.waitingPerAddress()) {
                closeSocket(sock);
            } else {
                state.waiting.push_back(sock);
                m_connections.deferredChanged(+1);
            }
            return true;
        }
        ++state.served;
    }
    for (;;) {
        serve(sock);
        std::lock_guard lock(m_mutex);
        Address& state = m_addresses[address];
        if (state.waiting.empty()) {
            if (--state.served == 0) {
                m_addresses.erase(address);
            }
            return true;
        }
        // This worker turns to the address's next waiting connection.
        sock = state.waiting.front();
        state.waiting.pop_front();
        m_connections.deferredChanged(-1);
        if (svr_sock_ == INVALID_SOCKET) {
            closeSocket(sock);
            sock = INVALID_SOCKET;
        }
    }
}

bool GuardedHttpServer::awaitNextRequest(DeadlineSocketStream& stream)
{
    const auto until = DeadlineSocketStream::Clock::now() + seconds(keep_alive_timeout_sec_);
    while (!stream.hasBuffered()) {
        if (svr_sock_ == INVALID_SOCKET || m_connections.waiting() > 0 ||
            DeadlineSocketStream::Clock::now() >= until) {
            return false;
        }
        pollfd p{stream.socket(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(kIdleSlice.count())) > 0) {
            return true;
        }
    }
    return true;
}

void GuardedHttpServer::serve(socket_t sock)
{
    if (sock == INVALID_SOCKET) {
        return;
    }
    DeadlineSocketStream stream(sock, seconds(read_timeout_sec_), seconds(write_timeout_sec_),
                                m_connections.maxHeaderBytes());
    const seconds requestTime(m_connections.requestTimeoutSeconds());
    for (std::size_t count = keep_alive_max_count_; count > 0 && svr_sock_ != INVALID_SOCKET;
         --count) {
        if (count != keep_alive_max_count_ && !awaitNextRequest(stream)) {
            break;
        }
        stream.beginRequest(DeadlineSocketStream::Clock::now() + requestTime);
        bool closed = false;
        bool ok = process_request(stream, count == 1, closed, nullptr);
        if (stream.headerTooLarge()) {
            stream.sendRaw(rawError(
                431, "Request Header Fields Too Large",
                ApiError(431, "headers_too_large", "The request line and headers are too large.")));
            break;
        }
        if (stream.timedOut()) {
            stream.sendRaw(rawError(
                408, "Request Timeout",
                ApiError(408, "request_timeout", "The request did not arrive in time.", true)));
            break;
        }
        if (!ok || closed) {
            break;
        }
    }
    closeSocket(sock);
}

} // namespace velto::server
