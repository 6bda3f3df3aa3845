#pragma once

#include "model/AppError.h"

namespace velto {

// Transport failures. A time-out and an unreachable server get sentences of their own; other
// failures keep the network stack's own description.
class HttpClientError
{
public:
    enum Code
    {
        timedOutCode = 1,
        cannotReachServerCode,
        transportCode,
        invalidURLCode
    };
    static inline const QString domain = QStringLiteral("Velto.HTTP");

    static AppError timedOut()
    {
        return AppError(domain, timedOutCode, QStringLiteral("The request timed out."));
    }
    static AppError cannotReachServer(const QString& detail)
    {
        return AppError(domain, cannotReachServerCode,
                        QStringLiteral("Could not reach the server (network error: %1).")
                            .arg(detail.isEmpty() ? QStringLiteral("unknown") : detail));
    }
    static AppError transport(const QString& detail)
    {
        return AppError(domain, transportCode,
                        detail.isEmpty() ? QStringLiteral("The request failed.") : detail);
    }
    static AppError invalidURL()
    {
        return AppError(domain, invalidURLCode, QStringLiteral("unsupported URL"));
    }
};

} // namespace velto
