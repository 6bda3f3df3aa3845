#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

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
        return AppError(domain, timedOutCode,
                        QCoreApplication::translate("HttpClientError", "The request timed out."));
    }
    static AppError cannotReachServer(const QString& detail)
    {
        if (detail.isEmpty())
            return AppError(
                domain, cannotReachServerCode,
                QCoreApplication::translate(
                    "HttpClientError", "Could not reach the server (network error: unknown)."));
        //: %1 is the network stack's own description, such as "Connection refused"
        return AppError(domain, cannotReachServerCode,
                        QCoreApplication::translate(
                            "HttpClientError", "Could not reach the server (network error: %1).")
                            .arg(detail));
    }
    static AppError transport(const QString& detail)
    {
        return AppError(domain, transportCode,
                        detail.isEmpty()
                            ? QCoreApplication::translate("HttpClientError", "The request failed.")
                            : detail);
    }
    static AppError invalidURL()
    {
        //: the service's address in the build configuration is not an http(s) address
        return AppError(domain, invalidURLCode,
                        QCoreApplication::translate("HttpClientError", "unsupported URL"));
    }
};

} // namespace velto
