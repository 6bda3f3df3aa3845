#pragma once

#include "platform/GlobalKeyTap.h"

#include <QList>

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
    QList<QKeyCombination> targets; // every combination watched, in order

    StartResult start(QKeyCombination shortcut, Handler handler) override
    {
        ++startCalls;
        if (nextStartResult != StartResult::started)
            return nextStartResult;
        running = true;
        m_handler = std::move(handler);
        targets.append(shortcut);
        return StartResult::started;
    }
    bool retarget(QKeyCombination shortcut) override
    {
        if (!retargetSucceeds) {
            stop();
            return false;
        }
        targets.append(shortcut);
        return true;
    }
    void stop() override
    {
        ++stopCalls;
        running = false;
        m_handler = nullptr;
    }

    // Returns true when the press was swallowed; an inactive tap swallows nothing.
    bool press(QKeyCombination press) { return running && m_handler && m_handler(press); }

private:
    Handler m_handler;
};

} // namespace velto::fakes
