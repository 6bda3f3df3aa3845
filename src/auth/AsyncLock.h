#pragma once

#include <QCoro/QCoroTask>
#include <QObject>

namespace velto {

// A first-come, first-served lock for coroutines on the main thread: keeps a sequence of
// asynchronous steps (a keyring delete-then-add, a sign-out's delete) from interleaving with
// another one.
class AsyncLock : public QObject
{
    Q_OBJECT

public:
    class Guard
    {
    public:
        Guard(Guard&& other) noexcept : m_lock(std::exchange(other.m_lock, nullptr)) {}
        Guard& operator=(Guard&&) = delete;
        ~Guard();

    private:
        friend class AsyncLock;
        explicit Guard(AsyncLock* lock) : m_lock(lock) {}
        AsyncLock* m_lock;
    };

    using QObject::QObject;

    // Resolves when every earlier holder has released the lock.
    QCoro::Task<Guard> lock();
    bool isLocked() const { return m_serving != m_nextTicket; }

signals:
    void released();

private:
    void release();

    quint64 m_nextTicket = 0;
    quint64 m_serving = 0;
};

} // namespace velto
