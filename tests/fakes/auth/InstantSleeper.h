#pragma once

#include "platform/CancellationToken.h"
#include "platform/Sleeper.h"

#include <QList>
#include <functional>

namespace velto {

// Returns at once and records each requested duration, so poll loops run at full speed.
class InstantSleeper : public Sleeper
{
public:
    QCoro::Task<bool> sleep(std::chrono::milliseconds duration,
                            std::shared_ptr<CancellationToken> token = {}) override
    {
        requested.append(duration);
        if (onSleep)
            onSleep();
        co_return !(token && token->isCancelled());
    }

    QList<std::chrono::milliseconds> requested;
    // Runs during each sleep; a test can cancel a token or change the fakes from here.
    std::function<void()> onSleep;
};

} // namespace velto
