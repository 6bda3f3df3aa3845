#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

namespace velto {

// The rewrite client's own failures, plus the error a failed answer of the service becomes:
// domain "Velto.Server", the HTTP status as code (-1 for an "error" event of a stream) and the
// body as received as description.
class RewriteClientError
{
public:
    enum Code
    {
        invalidResponseCode = 1,
        emptyTextCode,
        streamEndedWithoutDoneCode
    };
    static inline const QString domain = QStringLiteral("Velto.RewriteClient");
    static inline const QString serverDomain = QStringLiteral("Velto.Server");

    static AppError invalidResponse()
    {
        return AppError(domain, invalidResponseCode,
                        QCoreApplication::translate("RewriteClientError",
                                                    "Server returned an invalid response."));
    }
    static AppError emptyText()
    {
        return AppError(domain, emptyTextCode,
                        QCoreApplication::translate("RewriteClientError", "No text to rewrite."));
    }
    static AppError streamEndedWithoutDone()
    {
        //: the rewritten text was arriving piece by piece and stopped before its end
        return AppError(domain, streamEndedWithoutDoneCode,
                        QCoreApplication::translate("RewriteClientError",
                                                    "Rewrite stream ended unexpectedly."));
    }
    // The service's own words: never translated.
    static AppError server(int code, const QString& body)
    {
        return AppError(serverDomain, code, body);
    }
};

} // namespace velto
