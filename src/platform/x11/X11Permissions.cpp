#include "platform/x11/X11Permissions.h"

#include "platform/x11/X11Connection.h"

namespace velto {

X11Permissions::X11Permissions(X11Connection& connection) : m_connection(connection) {}

bool X11Permissions::inputMonitoringGranted()
{
    return m_connection.isConnected() && m_connection.hasXInput2() && m_connection.hasXTest();
}

void X11Permissions::requestInputMonitoring() {}

bool X11Permissions::accessibilityTrusted(bool)
{
    return m_connection.isConnected() && m_connection.hasXTest();
}

SessionCapabilities X11Permissions::capabilities()
{
    SessionCapabilities capabilities;
    if (inputMonitoringGranted())
        capabilities.shortcutRoute = GlobalShortcutRoute::keyGrab;
    else
        capabilities.shortcutProblem = QStringLiteral(
            "The X server offers no key grab: it lacks the XInput2 or XTest extension.");
    capabilities.pasteReplacement = accessibilityTrusted(false);
    capabilities.accessibilityReplacement = m_accessibilityBus.available();
    if (!capabilities.replacementWorks())
        capabilities.replacementProblem =
            QStringLiteral("This session has neither an accessibility bus (AT-SPI) nor the XTest "
                           "extension for a synthetic paste.");
    return capabilities;
}

} // namespace velto
