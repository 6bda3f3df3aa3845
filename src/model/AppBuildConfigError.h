#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

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
        //: %1 is the name of a build setting, such as API_BASE_URL
        return AppError(domain, missingKeyCode,
                        QCoreApplication::translate("AppBuildConfigError",
                                                    "Missing required build configuration: %1")
                            .arg(key));
    }
    static AppError invalidURL(const QString& key)
    {
        //: %1 is the name of a build setting, such as API_BASE_URL
        return AppError(domain, invalidURLCode,
                        QCoreApplication::translate("AppBuildConfigError",
                                                    "Invalid URL in build configuration: %1")
                            .arg(key));
    }
};

} // namespace velto
