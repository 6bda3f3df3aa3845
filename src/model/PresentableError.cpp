#include "model/PresentableError.h"

#include <QCoreApplication>

namespace velto {

PresentableError PresentableError::from(const QString& description, const QString& fallbackTitle)
{
    const QString raw = description.trimmed();
    const QString lower = raw.toLower();
    if (lower.contains(u"timed out") || lower.contains(u"network"))
        return {
            QCoreApplication::translate("PresentableError", "Network issue"),
            QCoreApplication::translate(
                "PresentableError",
                "Velto couldn't reach the rewrite service. Check your connection and try again."),
            UserNoticeStyle::warning};
    if (lower.contains(u"sign in") || lower.contains(u"authoriz") || lower.contains(u"token"))
        return {QCoreApplication::translate("PresentableError", "Account required"),
                QCoreApplication::translate(
                    "PresentableError",
                    "Your session is no longer valid. Sign in again from Setup to continue."),
                UserNoticeStyle::warning};
    if (lower.contains(u"invalid response") || lower.contains(u"stream ended"))
        return {fallbackTitle,
                QCoreApplication::translate("PresentableError",
                                            "The rewrite service returned an unexpected response. "
                                            "Please try again in a moment."),
                UserNoticeStyle::error};
    if (!raw.isEmpty())
        return {fallbackTitle, raw, UserNoticeStyle::error};
    return {
        fallbackTitle,
        QCoreApplication::translate("PresentableError", "Something went wrong. Please try again."),
        UserNoticeStyle::error};
}

} // namespace velto
