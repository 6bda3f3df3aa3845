#pragma once

namespace velto {

enum class LoginItemStatus
{
    notRegistered,
    enabled,
    requiresApproval,
    notFound
};

// Starting the app when the user logs in.
class LoginItems
{
public:
    virtual ~LoginItems() = default;
    virtual LoginItemStatus status() = 0;
    // Both throw AppError (LoginItemsError) carrying the system's reason.
    virtual void registerApp() = 0;
    virtual void unregisterApp() = 0;
};

} // namespace velto
