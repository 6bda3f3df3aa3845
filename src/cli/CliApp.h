#pragma once

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>
#include <optional>

namespace velto {

class AppError;
class AppModel;
class AuthState;
class AuthService;
class CancellationToken;
class Clock;
class RewriteAPI;
class Sleeper;
class UserPreferencesStore;

// velto-cli's commands over the app's own model, session and rewrite client. Each returns the
// process's exit status.
class CliApp
{
    Q_DECLARE_TR_FUNCTIONS(CliApp)

public:
    enum ExitStatus
    {
        ok = 0,
        failed = 1,        // the service or the sign-in failed
        usage = 2,         // bad arguments or input
        signInNeeded = 3,  // no usable session
        network = 4,       // the service could not be reached or timed out
        interrupted = 130, // Ctrl+C (SIGINT) or SIGTERM ended a sign-in
    };

    struct RewriteOptions
    {
        std::optional<QString> tone;
        std::optional<QString> language;
        bool stream = false;
        QString file; // empty: standard input
    };

    CliApp(AppModel& model, AuthService& auth, RewriteAPI& api, Clock& clock, Sleeper& sleeper,
           QTextStream& out, QTextStream& err);

    QCoro::Task<int> rewrite(RewriteOptions options);
    // Cancelling `interrupt` abandons the sign-in and tells the backend.
    QCoro::Task<int> signIn(bool openBrowser,
                            std::shared_ptr<CancellationToken> interrupt = nullptr);
    QCoro::Task<int> signOut();
    QCoro::Task<int> status();

    // The text of a rewrite, from a file or standard input; nothing when it cannot be read
    // (the reason is written to err).
    std::optional<QString> readInput(const QString& file);
    static constexpr qint64 maxInputBytes = 4 * 1024 * 1024;

    // The exit status a failure stands for, from its kind (domain and code), never its words.
    static int exitStatusFor(const AppError& error);

private:
    int reportFailure(const AppError& error, const QString& fallbackTitle);
    // Says that no session can be kept and what to start; for a keyring that could not be read.
    void reportMissingKeyring(const AppError& error);
    static QString signedInLine(const AuthState& state);
    bool chooseOption(const QString& kind, const std::optional<QString>& requested);

    AppModel& m_model;
    AuthService& m_auth;
    RewriteAPI& m_api;
    Clock& m_clock;
    Sleeper& m_sleeper;
    QTextStream& m_out;
    QTextStream& m_err;
};

} // namespace velto
