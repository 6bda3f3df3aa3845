#include "model/PresentableError.h"

#include <QCoreApplication>

namespace velto {

PresentableError PresentableError::from(AppErrorKind kind, const QString& description,
                                        const QString& fallbackTitle)
{
    switch (kind) {
    case AppErrorKind::network:
        return {
            QCoreApplication::translate("PresentableError", "Network issue"),
            QCoreApplication::translate(
                "PresentableError",
                "Velto couldn't reach the rewrite service. Check your connection and try again."),
            UserNoticeStyle::warning};
    case AppErrorKind::session:
        return {QCoreApplication::translate("PresentableError", "Account required"),
                QCoreApplication::translate(
                    "PresentableError",
                    "Your session is no longer valid. Sign in again from Setup to continue."),
                UserNoticeStyle::warning};
    case AppErrorKind::unexpectedResponse:
        return {fallbackTitle,
                QCoreApplication::translate("PresentableError",
                                            "The rewrite service returned an unexpected response. "
                                            "Please try again in a moment."),
                UserNoticeStyle::error};
    case AppErrorKind::other:
        break;
    }
    const QString raw = description.trimmed();
    if (!raw.isEmpty())
        return {fallbackTitle, raw, UserNoticeStyle::error};
    return {
        fallbackTitle,
        QCoreApplication::translate("PresentableError", "Something went wrong. Please try again."),
        UserNoticeStyle::error};
}

} // namespace velto
