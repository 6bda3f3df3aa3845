#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <coroutine>
#include <cstdint>
#include <deque>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

class X11Connection;

// Asks a selection's owner (another client) for one target at a time, on a window of our own,
// following INCR transfers for large data. The owner is untrusted: every step has a time-out and
// a size cap, and a bad answer just means "no data".
class X11SelectionReader : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        std::uint32_t type = 0;
        std::uint8_t format = 8;
        QByteArray data;
    };

    static constexpr std::chrono::milliseconds answerTimeout{1000};
    static constexpr qsizetype maxDataSize = 256 * 1024 * 1024;

    explicit X11SelectionReader(X11Connection& connection, QObject* parent = nullptr);
    ~X11SelectionReader() override;

    QCoro::Task<std::optional<Answer>> convert(std::uint32_t selection, std::uint32_t target);
    // The targets the owner offers; empty when it does not answer.
    QCoro::Task<QList<std::uint32_t>> targets(std::uint32_t selection);

private:
    struct Event
    {
        bool isSelectionNotify = false;
        std::uint32_t selection = 0;
        std::uint32_t target = 0;
        std::uint32_t property = 0;
    };

    // Suspends until an event is queued or the time-out passes.
    struct EventWait
    {
        X11SelectionReader& reader;
        std::chrono::milliseconds timeout;
        bool await_ready() const noexcept { return !reader.m_queue.empty(); }
        void await_suspend(std::coroutine_handle<> waiter);
        void await_resume() const noexcept {}
    };
    // Suspends until the conversion before this one is done.
    struct TurnWait
    {
        X11SelectionReader& reader;
        bool await_ready() const noexcept { return !reader.m_busy; }
        void await_suspend(std::coroutine_handle<> waiter) { reader.m_turns.push_back(waiter); }
        void await_resume() const noexcept { reader.m_busy = true; }
    };

    QCoro::Task<std::optional<Event>> nextEvent(bool selectionNotify,
                                                std::chrono::milliseconds timeout);
    void wakeWaiter();
    void passTurn();
    // Reads and deletes our property; none when it is missing or too large.
    std::optional<Answer> takeProperty();
    QCoro::Task<std::optional<Answer>> convertUnlocked(std::uint32_t selection,
                                                       std::uint32_t target);

    X11Connection& m_connection;
    std::uint32_t m_window = 0;
    std::uint32_t m_property = 0;
    int m_handlerId = 0;
    bool m_busy = false;
    std::deque<Event> m_queue;
    std::coroutine_handle<> m_waiter;
    QTimer m_timeout;
    std::deque<std::coroutine_handle<>> m_turns;
};

} // namespace velto
