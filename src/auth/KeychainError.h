#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

namespace velto {

// Failures of the system keyring. The session is never written anywhere else instead, so a
// failed save leaves it in memory only and the user is told.
class KeychainError
{
public:
    enum Code
    {
        unavailableCode = 1,
        accessDeniedCode,
        noAnswerCode,
        unreadableCode,
        notRemovedCode
    };
    static inline const QString domain = QStringLiteral("Velto.Keychain");

    // `detail` is the keyring's own reason, shown as it came.
    static AppError unavailable(const QString& detail)
    {
        return AppError(
            domain, unavailableCode,
            withDetail(detail,
                       QCoreApplication::translate(
                           "KeychainError",
                           "Could not save the session: the system keyring is unavailable."),
                       //: %1 is the keyring's own reason
                       QCoreApplication::translate(
                           "KeychainError",
                           "Could not save the session: the system keyring is unavailable (%1).")));
    }
    static AppError accessDenied(const QString& detail)
    {
        return AppError(domain, accessDeniedCode,
                        withDetail(detail,
                                   QCoreApplication::translate(
                                       "KeychainError", "Could not save the session: access to the "
                                                        "system keyring was denied."),
                                   //: %1 is the keyring's own reason
                                   QCoreApplication::translate(
                                       "KeychainError", "Could not save the session: access to the "
                                                        "system keyring was denied (%1).")));
    }
    static AppError noAnswer()
    {
        return AppError(domain, noAnswerCode,
                        QCoreApplication::translate("KeychainError",
                                                    "Could not save the session: the system "
                                                    "keyring is unavailable (it did not answer)."));
    }

    // The keyring could not be asked at all (no Secret Service on the bus, a locked or broken
    // keyring): not the same as "no session stored".
    static AppError unreadable(const QString& detail)
    {
        return AppError(
            domain, unreadableCode,
            withDetail(
                detail,
                QCoreApplication::translate("KeychainError", "The system keyring is unavailable."),
                //: %1 is the keyring's own reason
                QCoreApplication::translate("KeychainError",
                                            "The system keyring is unavailable (%1).")));
    }
    static AppError unreadableNoAnswer()
    {
        return AppError(
            domain, unreadableCode,
            QCoreApplication::translate("KeychainError",
                                        "The system keyring is unavailable (it did not answer)."));
    }
    static AppError notRemoved(const QString& detail)
    {
        return AppError(
            domain, notRemovedCode,
            withDetail(
                detail,
                QCoreApplication::translate(
                    "KeychainError", "Could not remove the session from the system keyring."),
                //: %1 is the keyring's own reason
                QCoreApplication::translate(
                    "KeychainError",
                    "Could not remove the session from the system keyring (%1).")));
    }
    static AppError notRemovedNoAnswer()
    {
        return AppError(domain, notRemovedCode,
                        QCoreApplication::translate("KeychainError",
                                                    "Could not remove the session from the "
                                                    "system keyring (the keyring did not "
                                                    "answer)."));
    }

private:
    static QString withDetail(const QString& detail, const QString& sentence,
                              const QString& sentenceWithDetail)
    {
        const QString trimmed = detail.trimmed();
        return trimmed.isEmpty() ? sentence : sentenceWithDetail.arg(trimmed);
    }
};

} // namespace velto
