#pragma once

#include "model/AppError.h"

#include <QCoreApplication>

namespace velto {

// Errors of signing in and of the session. The texts are what the user reads.
class AuthServiceError
{
public:
    enum Code
    {
        webLoginFailedCode = 1,
        missingSupabaseConfigCode,
        notSignedInCode,
        webLoginStartFailedCode,
        webLoginBrowserOpenFailedCode,
        webLoginTimedOutCode,
        webLoginInvalidResponseCode,
        tokenExchangeFailedCode,
    };
    static inline const QString domain = QStringLiteral("Velto.AuthService");

    // `message` may be the server's own words: it is shown as it came.
    static AppError webLoginFailed(const QString& message)
    {
        //: %1 is the reason: one of our sentences or the sign-in server's own message
        return AppError(
            domain, webLoginFailedCode,
            QCoreApplication::translate("AuthServiceError", "Sign-in failed: %1").arg(message));
    }
    static AppError missingSupabaseConfig()
    {
        //: Supabase is the sign-in service; the anon key is its public client key
        return AppError(domain, missingSupabaseConfigCode,
                        QCoreApplication::translate("AuthServiceError",
                                                    "Supabase URL and anon key are required."));
    }
    static AppError notSignedIn()
    {
        return AppError(domain, notSignedInCode,
                        QCoreApplication::translate("AuthServiceError", "Please sign in first."));
    }
    static AppError webLoginStartFailed()
    {
        return AppError(
            domain, webLoginStartFailedCode,
            QCoreApplication::translate("AuthServiceError", "Could not start web sign-in."));
    }
    static AppError webLoginBrowserOpenFailed()
    {
        return AppError(domain, webLoginBrowserOpenFailedCode,
                        QCoreApplication::translate("AuthServiceError",
                                                    "Could not open the browser for sign-in."));
    }
    static AppError webLoginTimedOut()
    {
        //: the browser step of signing in was not finished in time
        return AppError(
            domain, webLoginTimedOutCode,
            QCoreApplication::translate("AuthServiceError", "Login timed out. Please try again."));
    }
    static AppError webLoginInvalidResponse()
    {
        return AppError(domain, webLoginInvalidResponseCode,
                        QCoreApplication::translate("AuthServiceError",
                                                    "Sign-in flow returned an invalid response."));
    }
    static AppError tokenExchangeFailed()
    {
        //: the one-time code from the browser step could not be turned into a session
        return AppError(domain, tokenExchangeFailedCode,
                        QCoreApplication::translate("AuthServiceError",
                                                    "Failed to exchange auth code for session."));
    }
};

} // namespace velto
