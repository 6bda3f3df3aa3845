#pragma once

#include "model/AppError.h"

namespace velto {

// Errors of loading the build-time configuration; the payload is the offending key.
class AppBuildConfigError
{
public:
    enum Code
    {
        missingKeyCode = 1,
        invalidURLCode = 2
    };
    static inline const QString domain = QStringLiteral("Velto.AppBuildConfig");

    static AppError missingKey(const QString& key)
    {
        return AppError(domain, missingKeyCode,
                        QStringLiteral("Missing required build configuration: ") + key);
    }
    static AppError invalidURL(const QString& key)
    {
        return AppError(domain, invalidURLCode,
                        QStringLiteral("Invalid URL in build configuration: ") + key);
    }
};

} // namespace velto
