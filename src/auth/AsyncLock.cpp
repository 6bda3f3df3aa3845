#include "auth/AsyncLock.h"

#include <QCoro/QCoroSignal>

namespace velto {

AsyncLock::Guard::~Guard()
{
    if (m_lock)
        m_lock->release();
}

QCoro::Task<AsyncLock::Guard> AsyncLock::lock()
{
    const quint64 ticket = m_nextTicket++;
    while (m_serving != ticket)
        co_await qCoro(this, &AsyncLock::released);
    co_return Guard(this);
}

void AsyncLock::release()
{
    ++m_serving;
    emit released();
}

} // namespace velto
