#pragma once

#include "platform/GlobalKeyTap.h"

#include <QList>
#include <QPair>

namespace velto::fakes {

// A tap the test drives: press() delivers a key-down as the system would and tells whether it
// was swallowed.
class FakeGlobalKeyTap : public GlobalKeyTap
{
public:
    StartResult nextStartResult = StartResult::started;
    bool retargetSucceeds = true;
    int startCalls = 0;
    int stopCalls = 0;
    bool running = false;
    QList<QPair<std::int64_t, bool>> targets; // every combination watched, in order

    StartResult start(std::int64_t keyCode, bool requiresShift, Handler handler) override
    {
        ++startCalls;
        if (nextStartResult != StartResult::started)
            return nextStartResult;
        running = true;
        m_handler = std::move(handler);
        targets.append({keyCode, requiresShift});
        return StartResult::started;
    }
    bool retarget(std::int64_t keyCode, bool requiresShift) override
    {
        if (!retargetSucceeds) {
            stop();
            return false;
        }
        targets.append({keyCode, requiresShift});
        return true;
    }
    void stop() override
    {
        ++stopCalls;
        running = false;
        m_handler = nullptr;
    }

    // Returns true when the press was swallowed; an inactive tap swallows nothing.
    bool press(std::int64_t keyCode, std::uint64_t flags)
    {
        return running && m_handler && m_handler(KeyPress{keyCode, flags});
    }

private:
    Handler m_handler;
};

} // namespace velto::fakes
