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

} // namespace velto
