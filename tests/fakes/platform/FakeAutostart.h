#pragma once

#include "platform/Autostart.h"
#include "platform/AutostartError.h"

#include <optional>

namespace velto::fakes {

class FakeAutostart : public Autostart
{
public:
    AutostartStatus currentStatus = AutostartStatus::notRegistered;
    // When set, register/unregister throw with this reason and leave the status alone.
    std::optional<QString> failure;

    AutostartStatus status() override { return currentStatus; }
    void registerApp() override
    {
        if (failure)
            throw AutostartError::registerFailed(*failure);
        currentStatus = AutostartStatus::enabled;
    }
    void unregisterApp() override
    {
        if (failure)
            throw AutostartError::unregisterFailed(*failure);
        currentStatus = AutostartStatus::notRegistered;
    }
};

} // namespace velto::fakes
