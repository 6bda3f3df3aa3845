#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

namespace velto {

// A custom shortcut the desktop's settings would not take.
class DesktopShortcutsError
{
public:
    enum Code
    {
        unsupportedCode = 1,
        refusedCode = 2,
        unsupportedKeysCode = 3
    };
    static inline const QString domain = QStringLiteral("Velto.DesktopShortcuts");

    static AppError unsupported()
    {
        return AppError(
            domain, unsupportedCode,
            QCoreApplication::translate("DesktopShortcutsError",
                                        "GNOME's keyboard shortcut settings are not installed."));
    }
    static AppError unsupportedKeys()
    {
        return AppError(
            domain, unsupportedKeysCode,
            QCoreApplication::translate("DesktopShortcutsError",
                                        "A custom shortcut for Velto in GNOME's settings can only "
                                        "be Super with a letter, with or without Shift."));
    }
    static AppError refused()
    {
        return AppError(
            domain, refusedCode,
            QCoreApplication::translate("DesktopShortcutsError",
                                        "GNOME's keyboard shortcut settings are locked: ask your "
                                        "administrator, or add the shortcut in GNOME Settings."));
    }
};

} // namespace velto
