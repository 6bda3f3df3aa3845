#include "platform/x11/X11SessionAccess.h"

#include "platform/x11/X11Connection.h"

namespace velto {

X11SessionAccess::X11SessionAccess(X11Connection& connection) : m_connection(connection) {}

bool X11SessionAccess::shortcutAvailable()
{
    return m_connection.isConnected() && m_connection.hasXInput2() && m_connection.hasXTest();
}

void X11SessionAccess::requestShortcut() {}

bool X11SessionAccess::syntheticPasteAvailable()
{
    return m_connection.isConnected() && m_connection.hasXTest();
}

bool X11SessionAccess::requestSyntheticPaste()
{
    return syntheticPasteAvailable();
}

SessionCapabilities X11SessionAccess::capabilities()
{
    SessionCapabilities capabilities;
    if (shortcutAvailable())
        capabilities.shortcutRoute = GlobalShortcutRoute::keyGrab;
    else
        capabilities.shortcutProblem =
            tr("The X server offers no key grab: it lacks the XInput2 or XTest extension.");
    capabilities.pasteReplacement = syntheticPasteAvailable();
    capabilities.accessibilityReplacement = m_accessibilityBus.available();
    if (!capabilities.replacementWorks())
        capabilities.replacementProblem =
            tr("This session has neither an accessibility bus (AT-SPI) nor the XTest "
               "extension for a synthetic paste.");
    return capabilities;
}

} // namespace velto
