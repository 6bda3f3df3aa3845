#pragma once

#include "platform/SessionAccess.h"
#include "platform/linux/AccessibilityBusProbe.h"

#include <QCoreApplication>

namespace velto {

class X11Connection;

// X11 never asks the user: seeing the shortcut needs the connection with XInput2 and XTest,
// posting keys needs XTest. A session without X (Wayland only) has neither. Text is replaced
// through the accessibility bus where the application supports it, else by a synthetic paste.
class X11SessionAccess : public SessionAccess
{
    Q_DECLARE_TR_FUNCTIONS(X11SessionAccess)

public:
    explicit X11SessionAccess(X11Connection& connection);

    bool shortcutAvailable() override;
    void requestShortcut() override;
    bool syntheticPasteAvailable() override;
    bool requestSyntheticPaste() override;
    SessionCapabilities capabilities() override;

private:
    X11Connection& m_connection;
    AccessibilityBusProbe m_accessibilityBus;
};

} // namespace velto
