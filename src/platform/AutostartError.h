#pragma once

#include "model/AppError.h"

namespace velto {

// A login item that could not be added or removed; the description is the system's reason.
class AutostartError
{
public:
    enum Code
    {
        registerFailedCode = 1,
        unregisterFailedCode = 2
    };
    static inline const QString domain = QStringLiteral("Velto.Autostart");

    static AppError registerFailed(const QString& reason)
    {
        return AppError(domain, registerFailedCode, reason);
    }
    static AppError unregisterFailed(const QString& reason)
    {
        return AppError(domain, unregisterFailedCode, reason);
    }
};

} // namespace velto
