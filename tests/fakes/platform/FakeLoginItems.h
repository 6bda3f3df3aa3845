#pragma once

#include "platform/LoginItems.h"
#include "platform/LoginItemsError.h"

#include <optional>

namespace velto::fakes {

class FakeLoginItems : public LoginItems
{
public:
    LoginItemStatus currentStatus = LoginItemStatus::notRegistered;
    // When set, register/unregister throw with this reason and leave the status alone.
    std::optional<QString> failure;

    LoginItemStatus status() override { return currentStatus; }
    void registerApp() override
    {
        if (failure)
            throw LoginItemsError::registerFailed(*failure);
        currentStatus = LoginItemStatus::enabled;
    }
    void unregisterApp() override
    {
        if (failure)
            throw LoginItemsError::unregisterFailed(*failure);
        currentStatus = LoginItemStatus::notRegistered;
    }
};

} // namespace velto::fakes
