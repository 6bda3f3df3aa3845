#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

namespace velto {

// Why the global shortcut listener could not start. The codes are stable; the texts are for
// the user and translated.
class HotkeyManagerError
{
    Q_DECLARE_TR_FUNCTIONS(HotkeyManagerError)

public:
    enum Code
    {
        shortcutRefusedCode = 1,
        shortcutUnavailableCode = 3,
        keyMonitorFailedCode = 4,
    };
    static inline const QString domain = QStringLiteral("Velto.Hotkey");

    // The X server refused the key grab (another program holds the combination) or the desktop's
    // shortcut portal did not bind it.
    static AppError shortcutRefused()
    {
        return AppError(domain, shortcutRefusedCode,
                        tr("Could not take the shortcut: the key grab or the desktop's shortcut "
                           "portal refused it"));
    }
    // The session delivers no shortcut, and without synthetic keys the fallback key monitor
    // would see presses that could never be answered with a paste.
    static AppError shortcutUnavailable()
    {
        return AppError(domain, shortcutUnavailableCode,
                        tr("No global shortcut in this session, and no synthetic keys for the "
                           "fallback key monitor."));
    }
    static AppError keyMonitorFailed()
    {
        return AppError(domain, keyMonitorFailedCode,
                        tr("Failed to install fallback hotkey monitor."));
    }
};

} // namespace velto
