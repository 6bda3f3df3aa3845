#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <coroutine>
#include <optional>

class QNetworkReply;
class QTimer;

namespace velto {

// Reads an answer as its bytes arrive: the status and headers first, then the body chunk by
// chunk. The request fails when nothing moves for the idle time-out. Owns the reply and aborts
// it when dropped early.
class StreamingReply : public QObject
{
    Q_OBJECT

public:
    StreamingReply(QNetworkReply* reply, std::chrono::milliseconds idleTimeout);
    ~StreamingReply() override;

    // Until the status and headers are in. Throws the transport error when there is no answer.
    QCoro::Task<void> waitForHeaders();
    // The status, or 0 when the answer is not HTTP.
    int statusCode() const;
    // Case-insensitive; nothing when absent.
    std::optional<QByteArray> header(const QByteArray& name) const;

    // The next bytes of the body, or nothing at its end. Throws the transport error or the
    // time-out; bytes handed out before stay handed out.
    QCoro::Task<std::optional<QByteArray>> readChunk();
    // The rest of the body, at most maxBytes of it (the transfer stops there).
    QCoro::Task<QByteArray> readAll(qsizetype maxBytes);
    // Drops the connection now; the waiting read then fails with the transport's cancellation.
    void abort();

private:
    // Resumes the coroutine waiting in waitForChange(), once, from the event loop: never from
    // inside the reply's own signal, and never after this object is gone.
    struct ChangeAwaiter
    {
        StreamingReply* reply;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { reply->m_waiter = waiter; }
        void await_resume() const noexcept {}
    };
    ChangeAwaiter waitForChange() { return ChangeAwaiter{this}; }
    void wake();
    void throwIfFailed() const;

    std::coroutine_handle<> m_waiter;
    bool m_wakePosted = false;

    QPointer<QNetworkReply> m_reply;
    bool m_timedOut = false;
    bool m_headersIn = false;
    QTimer* m_idle = nullptr;
};

} // namespace velto
