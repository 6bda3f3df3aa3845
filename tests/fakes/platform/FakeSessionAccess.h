#pragma once

#include "platform/SessionAccess.h"

namespace velto::fakes {

// A session with a key grab and a synthetic paste while the two switches are set; a test that
// needs another route, a taken combination or a problem text sets `session` instead.
class FakeSessionAccess : public SessionAccess
{
public:
    bool shortcut = true;
    bool syntheticPaste = true;
    std::optional<SessionCapabilities> session;
    int shortcutRequests = 0;
    int syntheticPasteRequests = 0;

    bool shortcutAvailable() override
    {
        return session ? session->shortcutRoute != GlobalShortcutRoute::unavailable : shortcut;
    }
    void requestShortcut() override { ++shortcutRequests; }
    bool syntheticPasteAvailable() override
    {
        return session ? session->pasteReplacement : syntheticPaste;
    }
    bool requestSyntheticPaste() override
    {
        ++syntheticPasteRequests;
        return syntheticPasteAvailable();
    }
    SessionCapabilities capabilities() override
    {
        if (session)
            return *session;
        SessionCapabilities capabilities;
        capabilities.shortcutRoute =
            shortcut ? GlobalShortcutRoute::keyGrab : GlobalShortcutRoute::unavailable;
        if (!shortcut)
            capabilities.shortcutProblem = QStringLiteral("No key grab in this session.");
        capabilities.pasteReplacement = syntheticPaste;
        if (!syntheticPaste)
            capabilities.replacementProblem = QStringLiteral("No synthetic paste in this session.");
        return capabilities;
    }
};

} // namespace velto::fakes
