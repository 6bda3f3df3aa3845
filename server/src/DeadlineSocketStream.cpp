#include "DeadlineSocketStream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace velto::server {

namespace {

void describe(const sockaddr_storage& addr, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(addr);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(addr);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

} // namespace

DeadlineSocketStream::DeadlineSocketStream(socket_t sock, std::chrono::milliseconds readTimeout,
                                           std::chrono::milliseconds writeTimeout,
                                           std::size_t maxHeaderBytes)
    : m_sock(sock), m_readTimeout(readTimeout), m_writeTimeout(writeTimeout),
      m_maxHeaderBytes(maxHeaderBytes)
{
}

void DeadlineSocketStream::beginRequest(Clock::time_point deadline)
{
    m_reading = true;
    m_deadline = deadline;
    m_headerDone = false;
    m_headerBytes = 0;
    m_lineLength = 0;
    m_sawLine = false;
}

std::chrono::milliseconds DeadlineSocketStream::readWait() const
{
    if (!m_reading) {
        return m_readTimeout;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now());
    return std::min(left, m_readTimeout);
}

bool DeadlineSocketStream::waitFor(short events, std::chrono::milliseconds wait) const
{
    if (wait.count() <= 0) {
        return false;
    }
    pollfd p{m_sock, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&p, 1, static_cast<int>(wait.count()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool DeadlineSocketStream::is_readable() const
{
    return hasBuffered() || waitFor(POLLIN, readWait());
}

bool DeadlineSocketStream::is_writable() const
{
    return waitFor(POLLOUT, m_writeTimeout);
}

bool DeadlineSocketStream::fill()
{
    if (m_headerTooLarge || m_timedOut) {
        return false;
    }
    const auto wait = readWait();
    if (!waitFor(POLLIN, wait)) {
        // The deadline, not the read time-out, cut this wait short.
        m_timedOut = m_reading && wait < m_readTimeout;
        return false;
    }
    ssize_t n = 0;
    do {
        n = ::recv(m_sock, m_buffer, sizeof m_buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        return false;
    }
    m_begin = 0;
    m_end = static_cast<std::size_t>(n);
    return true;
}

ssize_t DeadlineSocketStream::read(char* ptr, std::size_t size)
{
    if (!hasBuffered() && !fill()) {
        return -1;
    }
    std::size_t n = std::min(size, m_end - m_begin);
    if (m_reading && !m_headerDone) {
        // Hand out no more than the header allowance, and look for the blank line that ends
        // the headers in what is handed out.
        if (m_headerBytes >= m_maxHeaderBytes) {
            m_headerTooLarge = true;
            return -1;
        }
        n = std::min(n, m_maxHeaderBytes - m_headerBytes);
        for (std::size_t i = 0; i < n && !m_headerDone; ++i) {
            char c = m_buffer[m_begin + i];
            if (c == '\n') {
                // An empty line ends the headers once the request line has come.
                m_headerDone = m_lineLength == 0 && m_sawLine;
                m_sawLine = m_sawLine || m_lineLength > 0;
                m_lineLength = 0;
            } else if (c != '\r') {
                ++m_lineLength;
            }
        }
        m_headerBytes += n;
    }
    std::memcpy(ptr, m_buffer + m_begin, n);
    m_begin += n;
    return static_cast<ssize_t>(n);
}

ssize_t DeadlineSocketStream::sendAll(const char* ptr, std::size_t size)
{
    std::size_t sent = 0;
    while (sent < size) {
        if (!waitFor(POLLOUT, m_writeTimeout)) {
            return -1;
        }
        ssize_t n = ::send(m_sock, ptr + sent, size - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return -1;
        }
        sent += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(sent);
}

ssize_t DeadlineSocketStream::write(const char* ptr, std::size_t size)
{
    if (m_headerTooLarge || m_timedOut) {
        // The library answers a failed read with a 400 of its own; ours follows instead.
        return static_cast<ssize_t>(size);
    }
    // The answer has begun, so the request has been read; an interim "100 Continue" comes
    // before the body, whose reading still counts.
    if (size < 12 || std::memcmp(ptr, "HTTP/1.1 100", 12) != 0) {
        m_reading = false;
    }
    return sendAll(ptr, size);
}

bool DeadlineSocketStream::sendRaw(const std::string& answer)
{
    return sendAll(answer.data(), answer.size()) == static_cast<ssize_t>(answer.size());
}

void DeadlineSocketStream::get_remote_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(m_sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        describe(addr, ip, port);
    }
}

void DeadlineSocketStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(m_sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        describe(addr, ip, port);
    }
}

} // namespace velto::server
