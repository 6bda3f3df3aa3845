#pragma once

#include "platform/Permissions.h"

namespace velto::fakes {

class FakePermissions : public Permissions
{
public:
    bool inputMonitoring = true;
    bool accessibility = true;
    int inputMonitoringRequests = 0;
    int accessibilityPrompts = 0;

    bool inputMonitoringGranted() override { return inputMonitoring; }
    void requestInputMonitoring() override { ++inputMonitoringRequests; }
    bool accessibilityTrusted(bool prompt) override
    {
        if (prompt)
            ++accessibilityPrompts;
        return accessibility;
    }
};

} // namespace velto::fakes
