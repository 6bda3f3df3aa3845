#pragma once

#include "platform/Sleeper.h"

namespace velto {

// Sleeps on a Qt timer on the calling (main) thread.
class TimerSleeper : public Sleeper
{
public:
    QCoro::Task<bool> sleep(std::chrono::milliseconds duration,
                            std::shared_ptr<CancellationToken> token = {}) override;
};

} // namespace velto
