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
    : sock_(sock), readTimeout_(readTimeout), writeTimeout_(writeTimeout),
      maxHeaderBytes_(maxHeaderBytes)
{
}

void DeadlineSocketStream::beginRequest(Clock::time_point deadline)
{
    reading_ = true;
    deadline_ = deadline;
    headerDone_ = false;
    headerBytes_ = 0;
    lineLength_ = 0;
    sawLine_ = false;
}

std::chrono::milliseconds DeadlineSocketStream::readWait() const
{
    if (!reading_) {
        return readTimeout_;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    return std::min(left, readTimeout_);
}

bool DeadlineSocketStream::waitFor(short events, std::chrono::milliseconds wait) const
{
    if (wait.count() <= 0) {
        return false;
    }
    pollfd p{sock_, events, 0};
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
    return waitFor(POLLOUT, writeTimeout_);
}

bool DeadlineSocketStream::fill()
{
    if (headerTooLarge_ || timedOut_) {
        return false;
    }
    const auto wait = readWait();
    if (!waitFor(POLLIN, wait)) {
        // The deadline, not the read time-out, cut this wait short.
        timedOut_ = reading_ && wait < readTimeout_;
        return false;
    }
    ssize_t n = 0;
    do {
        n = ::recv(sock_, buffer_, sizeof buffer_, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        return false;
    }
    begin_ = 0;
    end_ = static_cast<std::size_t>(n);
    return true;
}

ssize_t DeadlineSocketStream::read(char* ptr, std::size_t size)
{
    if (!hasBuffered() && !fill()) {
        return -1;
    }
    std::size_t n = std::min(size, end_ - begin_);
    if (reading_ && !headerDone_) {
        // Hand out no more than the header allowance, and look for the blank line that ends
        // the headers in what is handed out.
        if (headerBytes_ >= maxHeaderBytes_) {
            headerTooLarge_ = true;
            return -1;
        }
        n = std::min(n, maxHeaderBytes_ - headerBytes_);
        for (std::size_t i = 0; i < n && !headerDone_; ++i) {
            char c = buffer_[begin_ + i];
            if (c == '\n') {
                // An empty line ends the headers once the request line has come.
                headerDone_ = lineLength_ == 0 && sawLine_;
                sawLine_ = sawLine_ || lineLength_ > 0;
                lineLength_ = 0;
            } else if (c != '\r') {
                ++lineLength_;
            }
        }
        headerBytes_ += n;
    }
    std::memcpy(ptr, buffer_ + begin_, n);
    begin_ += n;
    return static_cast<ssize_t>(n);
}

ssize_t DeadlineSocketStream::sendAll(const char* ptr, std::size_t size)
{
    std::size_t sent = 0;
    while (sent < size) {
        if (!waitFor(POLLOUT, writeTimeout_)) {
            return -1;
        }
        ssize_t n = ::send(sock_, ptr + sent, size - sent, MSG_NOSIGNAL);
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
    if (headerTooLarge_ || timedOut_) {
        // The library answers a failed read with a 400 of its own; ours follows instead.
        return static_cast<ssize_t>(size);
    }
    // The answer has begun, so the request has been read; an interim "100 Continue" comes
    // before the body, whose reading still counts.
    if (size < 12 || std::memcmp(ptr, "HTTP/1.1 100", 12) != 0) {
        reading_ = false;
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
    if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        describe(addr, ip, port);
    }
}

void DeadlineSocketStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        describe(addr, ip, port);
    }
}

} // namespace velto::server
