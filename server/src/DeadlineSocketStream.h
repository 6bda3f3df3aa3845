#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace velto::server {

// The HTTP library's view of one connection, with the limits its own socket stream lacks:
// while a request is being read, every read shares one deadline (so a client that sends a byte
// now and then cannot hold a worker for ever), and the request line and headers may take at
// most `maxHeaderBytes` (so one endless header line cannot grow the server). Once either is
// hit, reads fail and the library's own error answer is swallowed: the caller answers 408 or
// 431 itself and closes.
class DeadlineSocketStream : public httplib::Stream
{
public:
    using Clock = std::chrono::steady_clock;

    DeadlineSocketStream(socket_t sock, std::chrono::milliseconds readTimeout,
                         std::chrono::milliseconds writeTimeout, std::size_t maxHeaderBytes);

    // A new request begins: its line, headers and body must arrive before `deadline`.
    void beginRequest(Clock::time_point deadline);
    bool headerTooLarge() const { return m_headerTooLarge; }
    bool timedOut() const { return m_timedOut; }
    // Bytes of the next request already read from the socket.
    bool hasBuffered() const { return m_begin < m_end; }
    // Writes a whole answer past the swallowing; false when the client does not take it.
    bool sendRaw(const std::string& answer);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, std::size_t size) override;
    ssize_t write(const char* ptr, std::size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return m_sock; }

private:
    // How long the next wait for the client may take; zero or less when the deadline passed.
    std::chrono::milliseconds readWait() const;
    bool waitFor(short events, std::chrono::milliseconds wait) const;
    bool fill();
    ssize_t sendAll(const char* ptr, std::size_t size);

    socket_t m_sock;
    std::chrono::milliseconds m_readTimeout;
    std::chrono::milliseconds m_writeTimeout;
    std::size_t m_maxHeaderBytes;

    char m_buffer[4096];
    std::size_t m_begin = 0;
    std::size_t m_end = 0;

    bool m_reading = false;
    Clock::time_point m_deadline;
    bool m_headerDone = false;
    std::size_t m_headerBytes = 0;
    std::size_t m_lineLength = 0; // of the header line being read, without CR
    bool m_sawLine = false;
    bool m_headerTooLarge = false;
    bool m_timedOut = false;
};

} // namespace velto::server
