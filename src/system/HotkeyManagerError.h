#pragma once

#include "model/AppError.h"

namespace velto {

// Why the global shortcut listener could not start.
class HotkeyManagerError
{
public:
    enum Code
    {
        shortcutRefusedCode = 1,
        permissionsMissingCode = 3,
        monitorUnavailableCode = 4,
    };
    static inline const QString domain = QStringLiteral("Velto.Hotkey");

    // The X server refused the key grab (another program holds the combination) or the desktop's
    // shortcut portal did not bind it.
    static AppError shortcutRefused()
    {
        return AppError(domain, shortcutRefusedCode,
                        QStringLiteral("Could not take the shortcut: the key grab or the "
                                       "desktop's shortcut portal refused it"));
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
