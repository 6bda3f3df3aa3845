#pragma once

#include "platform/Permissions.h"

namespace velto::fakes {

// A session with a key grab and a synthetic paste while the two flags are set; a test that
// needs another route, a taken combination or a problem text sets `session` instead.
class FakePermissions : public Permissions
{
public:
    bool inputMonitoring = true;
    bool accessibility = true;
    std::optional<SessionCapabilities> session;
    int inputMonitoringRequests = 0;
    int accessibilityPrompts = 0;

    bool inputMonitoringGranted() override
    {
        return session ? session->shortcutRoute != GlobalShortcutRoute::unavailable
                       : inputMonitoring;
    }
    void requestInputMonitoring() override { ++inputMonitoringRequests; }
    bool accessibilityTrusted(bool prompt) override
    {
        if (prompt)
            ++accessibilityPrompts;
        return session ? session->pasteReplacement : accessibility;
    }
    SessionCapabilities capabilities() override
    {
        if (session)
            return *session;
        SessionCapabilities capabilities;
        capabilities.shortcutRoute =
            inputMonitoring ? GlobalShortcutRoute::keyGrab : GlobalShortcutRoute::unavailable;
        if (!inputMonitoring)
            capabilities.shortcutProblem = QStringLiteral("No key grab in this session.");
        capabilities.pasteReplacement = accessibility;
        if (!accessibility)
            capabilities.replacementProblem = QStringLiteral("No synthetic paste in this session.");
        return capabilities;
    }
};

} // namespace velto::fakes
