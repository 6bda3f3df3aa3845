#pragma once

#include "system/Sleeper.h"

namespace velto {

// Suspends the calling task on a main-thread timer; other main-thread work runs meanwhile.
class TimerSleeper : public Sleeper
{
public:
    QCoro::Task<> sleep(std::chrono::milliseconds duration) override;
};

} // namespace velto
