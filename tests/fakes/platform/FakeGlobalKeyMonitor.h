#pragma once

#include "platform/GlobalKeyMonitor.h"

namespace velto::fakes {

class FakeGlobalKeyMonitor : public GlobalKeyMonitor
{
public:
    bool installSucceeds = true;
    int installCalls = 0;
    int removeCalls = 0;

    bool install(Handler handler) override
    {
        ++installCalls;
        if (!installSucceeds)
            return false;
        m_handler = std::move(handler);
        return true;
    }
    // Keeps the handler: like a real monitor's, one already handed out may still be called.
    void remove() override { ++removeCalls; }

    // Delivers a key-down to the installed handler, even after remove() (to test weak holding).
    void press(QKeyCombination press)
    {
        if (m_handler)
            m_handler(press);
    }

private:
    Handler m_handler;
};

} // namespace velto::fakes
