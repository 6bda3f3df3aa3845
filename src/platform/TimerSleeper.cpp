#include "platform/TimerSleeper.h"

#include "platform/CancellationToken.h"

#include <QCoro/QCoroTimer>
#include <QTimer>

namespace velto {

QCoro::Task<bool> TimerSleeper::sleep(std::chrono::milliseconds duration,
                                      std::shared_ptr<CancellationToken> token)
{
    if (token && token->isCancelled())
        co_return false;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject context;
    if (token) {
        // Cancelling fires the timer at once, which ends the wait below.
        QObject::connect(token.get(), &CancellationToken::cancelled, &context,
                         [&timer] { timer.start(0); });
    }
    timer.start(std::max(duration, std::chrono::milliseconds(0)));
    co_await timer;
    co_return !(token && token->isCancelled());
}

} // namespace velto
