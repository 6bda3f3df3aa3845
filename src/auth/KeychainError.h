#pragma once

#include "model/AppError.h"

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

    static AppError unavailable(const QString& detail)
    {
        return AppError(domain, unavailableCode,
                        withDetail(QStringLiteral("Could not save the session: the system keyring "
                                                  "is unavailable"),
                                   detail));
    }
    static AppError accessDenied(const QString& detail)
    {
        return AppError(domain, accessDeniedCode,
                        withDetail(QStringLiteral("Could not save the session: access to the "
                                                  "system keyring was denied"),
                                   detail));
    }
    static AppError noAnswer()
    {
        return AppError(domain, noAnswerCode,
                        QStringLiteral("Could not save the session: the system keyring is "
                                       "unavailable (it did not answer)."));
    }

    // The keyring could not be asked at all (no Secret Service on the bus, a locked or broken
    // keyring): not the same as "no session stored".
    static AppError unreadable(const QString& detail)
    {
        return AppError(domain, unreadableCode,
                        withDetail(QStringLiteral("The system keyring is unavailable"), detail));
    }
    static AppError notRemoved(const QString& detail)
    {
        return AppError(domain, notRemovedCode,
                        withDetail(QStringLiteral("Could not remove the session from the system "
                                                  "keyring"),
                                   detail));
    }

private:
    static QString withDetail(const QString& sentence, const QString& detail)
    {
        const QString trimmed = detail.trimmed();
        if (trimmed.isEmpty())
            return sentence + QLatin1Char('.');
        return sentence + QStringLiteral(" (") + trimmed + QStringLiteral(").");
    }
};

} // namespace velto
