#include "system/TimerSleeper.h"

#include <QTimer>
#include <qcoro/qcorotimer.h>

namespace velto {

QCoro::Task<> TimerSleeper::sleep(std::chrono::milliseconds duration)
{
    // A precise timer: the coarse default may fire several percent early, and these waits give
    // other applications time to act.
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    timer.start(duration);
    co_await timer;
}

} // namespace velto
