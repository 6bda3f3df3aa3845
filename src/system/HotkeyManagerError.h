#pragma once

#include "model/AppError.h"

namespace velto {

// Why the global shortcut listener could not start.
class HotkeyManagerError
{
public:
    enum Code
    {
        eventTapUnavailableCode = 1,
        runLoopSourceUnavailableCode = 2,
        permissionsMissingCode = 3,
        monitorUnavailableCode = 4,
    };
    static inline const QString domain = QStringLiteral("Velto.Hotkey");

    static AppError eventTapUnavailable()
    {
        return AppError(domain, eventTapUnavailableCode,
                        QStringLiteral("Failed to create event tap"));
    }
    static AppError runLoopSourceUnavailable()
    {
        return AppError(domain, runLoopSourceUnavailableCode,
                        QStringLiteral("Failed to create run loop source"));
    }
    static AppError permissionsMissing()
    {
        return AppError(domain, permissionsMissingCode,
                        QStringLiteral("No global shortcut in this session, and no synthetic "
                                       "keys for the fallback key monitor."));
    }
    static AppError monitorUnavailable()
    {
        return AppError(domain, monitorUnavailableCode,
                        QStringLiteral("Failed to install fallback hotkey monitor."));
    }
};

} // namespace velto
