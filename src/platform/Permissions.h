#pragma once

namespace velto {

// The two capabilities the app depends on: seeing the global shortcut (input monitoring) and
// reading the selection and posting synthetic keys (accessibility).
class Permissions
{
public:
    virtual ~Permissions() = default;
    // Never prompts.
    virtual bool inputMonitoringGranted() = 0;
    // Asks the system to grant input monitoring, where it has a way to ask.
    virtual void requestInputMonitoring() = 0;
    // With prompt set, the system may show its own prompt when not trusted.
    virtual bool accessibilityTrusted(bool prompt) = 0;
};

} // namespace velto
