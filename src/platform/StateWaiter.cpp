#include "platform/StateWaiter.h"

#include <QDeadlineTimer>
#include <qcoro/qcorosignal.h>

namespace velto {

QCoro::Task<bool> StateWaiter::waitUntil(std::function<bool()> condition,
                                         std::chrono::milliseconds maximum)
{
    const QDeadlineTimer deadline(maximum);
    while (!condition()) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            co_return false;
        co_await qCoro(this, &StateWaiter::changed, std::chrono::milliseconds(left));
    }
    co_return true;
}

void StateWaiter::notify()
{
    QMetaObject::invokeMethod(this, &StateWaiter::changed, Qt::QueuedConnection);
}

} // namespace velto
