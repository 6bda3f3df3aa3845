#pragma once

#include "model/SessionCapabilities.h"

namespace velto {

// What the session allows the app: seeing the global shortcut, and putting the rewritten text
// in place of the selection. The two flags are the controller's switches; capabilities() says
// how each works here, or why it does not, for the user.
class Permissions
{
public:
    virtual ~Permissions() = default;
    // The shortcut can be seen. Never prompts.
    virtual bool inputMonitoringGranted() = 0;
    // Asks the session for the shortcut, where it has a way to ask.
    virtual void requestInputMonitoring() = 0;
    // Synthetic keys can be posted; with prompt set, the session may show its own dialog.
    virtual bool accessibilityTrusted(bool prompt) = 0;
    // The session's routes for both. Never prompts, never blocks for long.
    virtual SessionCapabilities capabilities() = 0;
};

} // namespace velto
