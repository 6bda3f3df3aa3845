#pragma once

#include "platform/Permissions.h"
#include "platform/linux/AccessibilityBusProbe.h"

namespace velto {

class X11Connection;

// X11 has no permission prompts: seeing the shortcut needs the connection with XInput2 and XTest,
// posting keys needs XTest. A session without X (Wayland only) grants neither. Text is replaced
// through the accessibility bus where the application supports it, else by a synthetic paste.
class X11Permissions : public Permissions
{
public:
    explicit X11Permissions(X11Connection& connection);

    bool inputMonitoringGranted() override;
    void requestInputMonitoring() override;
    bool accessibilityTrusted(bool prompt) override;
    SessionCapabilities capabilities() override;

private:
    X11Connection& m_connection;
    AccessibilityBusProbe m_accessibilityBus;
};

} // namespace velto
