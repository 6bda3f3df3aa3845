#pragma once

namespace velto {

enum class AutostartStatus
{
    notRegistered,
    enabled,
    requiresApproval,
    notFound
};

// Starting the app when the user logs in.
class Autostart
{
public:
    virtual ~Autostart() = default;
    virtual AutostartStatus status() = 0;
    // Both throw AppError (AutostartError) carrying the system's reason.
    virtual void registerApp() = 0;
    virtual void unregisterApp() = 0;
};

} // namespace velto
