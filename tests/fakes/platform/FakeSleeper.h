#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "platform/CancellationToken.h"
#include "platform/Sleeper.h"

#include <QList>
#include <functional>

namespace velto::fakes {

// Returns at once and records each requested wait, so waits and poll loops run at full speed.
class FakeSleeper : public Sleeper
{
public:
    explicit FakeSleeper(FakeEventLog* log = nullptr) : m_log(log) {}

    QList<std::chrono::milliseconds> sleeps;
    // Runs during each wait: a test can cancel a token or change the fakes from here.
    std::function<void()> onSleep;

    QCoro::Task<bool> sleep(std::chrono::milliseconds duration,
                            std::shared_ptr<CancellationToken> token = {}) override
    {
        sleeps.append(duration);
        if (m_log)
            m_log->add(QStringLiteral("sleep %1").arg(duration.count()));
        if (onSleep)
            onSleep();
        co_return !(token && token->isCancelled());
    }

private:
    FakeEventLog* m_log;
};

} // namespace velto::fakes
