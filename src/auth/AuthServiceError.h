#pragma once

#include "model/AppError.h"

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

    static AppError webLoginFailed(const QString& message)
    {
        return AppError(domain, webLoginFailedCode, QStringLiteral("Sign-in failed: ") + message);
    }
    static AppError missingSupabaseConfig()
    {
        return AppError(domain, missingSupabaseConfigCode,
                        QStringLiteral("Supabase URL and anon key are required."));
    }
    static AppError notSignedIn()
    {
        return AppError(domain, notSignedInCode, QStringLiteral("Please sign in first."));
    }
    static AppError webLoginStartFailed()
    {
        return AppError(domain, webLoginStartFailedCode,
                        QStringLiteral("Could not start web sign-in."));
    }
    static AppError webLoginBrowserOpenFailed()
    {
        return AppError(domain, webLoginBrowserOpenFailedCode,
                        QStringLiteral("Could not open the browser for sign-in."));
    }
    static AppError webLoginTimedOut()
    {
        return AppError(domain, webLoginTimedOutCode,
                        QStringLiteral("Login timed out. Please try again."));
    }
    static AppError webLoginInvalidResponse()
    {
        return AppError(domain, webLoginInvalidResponseCode,
                        QStringLiteral("Sign-in flow returned an invalid response."));
    }
    static AppError tokenExchangeFailed()
    {
        return AppError(domain, tokenExchangeFailedCode,
                        QStringLiteral("Failed to exchange auth code for session."));
    }
};

} // namespace velto
