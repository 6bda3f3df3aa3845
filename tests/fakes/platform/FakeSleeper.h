#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "system/Sleeper.h"

#include <QList>

namespace velto::fakes {

// Returns at once and records each requested wait.
class FakeSleeper : public Sleeper
{
public:
    explicit FakeSleeper(FakeEventLog* log = nullptr) : m_log(log) {}

    QList<std::chrono::milliseconds> sleeps;

    QCoro::Task<> sleep(std::chrono::milliseconds duration) override
    {
        sleeps.append(duration);
        if (m_log)
            m_log->add(QStringLiteral("sleep %1").arg(duration.count()));
        co_return;
    }

private:
    FakeEventLog* m_log;
};

} // namespace velto::fakes
