#include "cli/CliApp.h"

#include "auth/AuthService.h"
#include "auth/AuthServiceError.h"
#include "auth/ServerErrorInterpreter.h"
#include "model/AppModel.h"
#include "model/PresentableError.h"
#include "model/StrictUtf8.h"
#include "net/HttpClientError.h"
#include "platform/CancellationToken.h"
#include "platform/Clock.h"
#include "platform/Sleeper.h"
#include "rewrite/ErrorKinds.h"
#include "rewrite/RewriteAPI.h"

#include <QFile>
#include <QProcess>

namespace velto {

CliApp::CliApp(AppModel& model, AuthService& auth, RewriteAPI& api, Clock& clock, Sleeper& sleeper,
               QTextStream& out, QTextStream& err)
    : m_model(model), m_auth(auth), m_api(api), m_clock(clock), m_sleeper(sleeper), m_out(out),
      m_err(err)
{
}

int CliApp::exitStatusFor(const AppError& error)
{
    switch (ErrorKinds::of(error)) {
    case AppErrorKind::network:
        return network;
    case AppErrorKind::session:
        return signInNeeded;
    case AppErrorKind::unexpectedResponse:
    case AppErrorKind::other:
        break;
    }
    return failed;
}

int CliApp::reportFailure(const AppError& error, const QString& fallbackTitle)
{
    const PresentableError presented =
        PresentableError::from(ErrorKinds::of(error), error.description(), fallbackTitle);
    // The message may be a server's answer: cut, and without escape sequences for the terminal.
    //: %1 is a short title such as "Rewrite failed", %2 what went wrong
    m_err << tr("%1: %2").arg(presented.title,
                              ServerErrorInterpreter::compactMessage(presented.message))
          << Qt::endl;
    return exitStatusFor(error);
}

void CliApp::reportMissingKeyring(const AppError& error)
{
    m_err << error.description() << Qt::endl
          << tr("Velto keeps its sign-in in the Secret Service: start GNOME Keyring or KWallet "
                "in your desktop session, then run \"velto-cli signin\".")
          << Qt::endl;
}

std::optional<QString> CliApp::readInput(const QString& file)
{
    QFile input;
    bool opened = false;
    if (file.isEmpty() || file == u"-") {
        opened = input.open(stdin, QIODevice::ReadOnly);
    } else {
        input.setFileName(file);
        opened = input.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        if (file.isEmpty())
            //: %1 is the system's reason
            m_err << tr("Cannot read standard input: %1").arg(input.errorString()) << Qt::endl;
        else
            //: %1 is the file's path, %2 the system's reason
            m_err << tr("Cannot read %1: %2").arg(file, input.errorString()) << Qt::endl;
        return std::nullopt;
    }
    const QByteArray bytes = input.read(maxInputBytes + 1);
    if (bytes.size() > maxInputBytes) {
        m_err << tr("The text is too long: at most %n MiB.", nullptr,
                    int(maxInputBytes / (1024 * 1024)))
              << Qt::endl;
        return std::nullopt;
    }
    std::optional<QString> text = strictUtf8(bytes);
    if (!text)
        m_err << tr("The text is not valid UTF-8.") << Qt::endl;
    return text;
}

bool CliApp::chooseOption(const QString& kind, const std::optional<QString>& requested)
{
    if (!requested)
        return true;
    const bool isTone = kind == u"tone";
    const QList<Option> offered = isTone ? m_model.availableTones() : m_model.availableLanguages();
    QStringList ids;
    for (const Option& option : offered) {
        ids << option.id;
        if (option.id.compare(requested->trimmed(), Qt::CaseInsensitive) == 0) {
            if (isTone)
                m_model.setToneID(option.id);
            else
                m_model.setLanguageID(option.id);
            return true;
        }
    }
    //: %1 is what the user asked for, %2 the list of ids there are
    m_err << (isTone ? tr("Unknown tone \"%1\". Available: %2")
                     : tr("Unknown language \"%1\". Available: %2"))
                 .arg(*requested, ids.join(QStringLiteral(", ")))
          << Qt::endl;
    return false;
}

QCoro::Task<int> CliApp::rewrite(RewriteOptions options)
{
    const std::optional<QString> text = readInput(options.file);
    if (!text)
        co_return usage;
    if (!co_await m_auth.canAuthorize(m_model)) {
        if (const std::optional<AppError>& keyring = m_auth.keyringFailure()) {
            reportMissingKeyring(*keyring);
            co_return failed;
        }
        m_err << tr("Sign in required: run \"velto-cli signin\" first.") << Qt::endl;
        co_return signInNeeded;
    }
    // The catalogue decides which tones and languages exist, and repairs a stale saved choice.
    co_await m_api.refreshServerConfig(m_model, m_auth);
    if (!chooseOption(QStringLiteral("tone"), options.tone) ||
        !chooseOption(QStringLiteral("language"), options.language))
        co_return usage;

    try {
        if (options.stream) {
            auto stream = m_api.rewriteStream(*text, m_model, m_auth);
            QCORO_FOREACH(const QString& piece, stream)
            {
                m_out << piece;
                m_out.flush();
            }
            m_out << Qt::endl;
        } else {
            const QString rewritten = co_await m_api.rewrite(*text, m_model, m_auth);
            m_out << rewritten << Qt::endl;
        }
    } catch (const AppError& error) {
        m_out.flush();
        co_return reportFailure(error, tr("Rewrite failed"));
    }
    co_return ok;
}

QCoro::Task<int> CliApp::signIn(bool openBrowser, std::shared_ptr<CancellationToken> interrupt)
{
    auto stopRequested = [&interrupt] { return interrupt && interrupt->isCancelled(); };
    std::optional<WebLoginStart> started;
    bool exchanged = false;
    try {
        const WebLoginStart start =
            co_await m_auth.startWebLogin(m_model, AuthService::randomDeviceNonce());
        started = start;
        m_err << tr("Open this page to sign in:") << Qt::endl
              << "  " << start.loginURL.toString(QUrl::FullyEncoded) << Qt::endl;
        if (openBrowser && !QProcess::startDetached(QStringLiteral("xdg-open"),
                                                    {start.loginURL.toString(QUrl::FullyEncoded)}))
            m_err << tr("(Could not open a browser; open the page yourself.)") << Qt::endl;
        if (start.userCode)
            m_err << tr("Confirm the code %1 in your browser.").arg(*start.userCode) << Qt::endl;
        m_err << tr("Waiting for the sign-in to finish in the browser…") << Qt::endl;

        while (!stopRequested()) {
            if (m_clock.now() >= start.expiresAt)
                throw AuthServiceError::webLoginTimedOut();
            const WebLoginPollState poll =
                co_await m_auth.pollWebLogin(m_model, start.handoffID, start.deviceNonce);
            if (poll.kind() == WebLoginPollState::Kind::failed)
                throw AuthServiceError::webLoginFailed(
                    AuthService::humanReadableHandoffFailure(poll.reason()));
            if (poll.kind() == WebLoginPollState::Kind::ready) {
                co_await m_auth.exchangeWebLogin(m_model, start.handoffID, start.deviceNonce,
                                                 poll.exchangeCode());
                exchanged = true;
                break;
            }
            co_await m_sleeper.sleep(std::chrono::milliseconds(start.pollIntervalMs), interrupt);
        }
    } catch (const AppError& error) {
        if (!stopRequested()) {
            // A handoff failure's own sentence already says that the sign-in failed, in any
            // language; say it once.
            if (error.is(AuthServiceError::domain, AuthServiceError::webLoginFailedCode))
                m_err << error.description() << Qt::endl;
            else
                m_err << tr("Sign in failed: %1").arg(error.description()) << Qt::endl;
            co_return exitStatusFor(error);
        }
    }
    if (!exchanged && stopRequested()) {
        // Tell the backend, so the page in the browser stops offering the sign-in.
        if (started)
            co_await m_auth.cancelWebLogin(m_model, started->handoffID, started->deviceNonce);
        m_err << tr("Sign-in cancelled.") << Qt::endl;
        co_return interrupted;
    }
    const AuthState state = co_await m_auth.syncAuthState(m_model);
    m_out << signedInLine(state) << Qt::endl;
    co_return ok;
}

QString CliApp::signedInLine(const AuthState& state)
{
    return state.email() ? tr("Signed in as %1").arg(*state.email())
                         : tr("Signed in (no e-mail address)");
}

QCoro::Task<int> CliApp::signOut()
{
    try {
        co_await m_auth.signOut(m_model);
    } catch (const AppError& error) {
        m_err << tr("Sign-out failed: %1").arg(error.description()) << Qt::endl
              << tr("The session is still in the keyring; velto and velto-cli may use it again.")
              << Qt::endl;
        co_return failed;
    }
    m_out << tr("Signed out.") << Qt::endl;
    co_return ok;
}

QCoro::Task<int> CliApp::status()
{
    const AuthState state = co_await m_auth.syncAuthState(m_model);
    m_model.setAuthState(state);
    if (state.isSignedIn())
        m_out << signedInLine(state) << Qt::endl;
    else if (const std::optional<AppError>& keyring = m_auth.keyringFailure())
        m_out << tr("Not signed in: %1").arg(keyring->description()) << Qt::endl;
    else
        m_out << tr("Not signed in") << Qt::endl;

    const QString backend = m_model.resolveRuntimeServer().baseURL.toString();
    std::optional<AppError> unreachable;
    try {
        const std::chrono::milliseconds took = co_await m_api.probeService(m_model);
        //: %1 is the backend's address
        m_out << tr("Backend: %1 (answers in %n ms)", nullptr, int(took.count())).arg(backend)
              << Qt::endl;
    } catch (const AppError& error) {
        unreachable = error;
        //: %1 is the backend's address, %2 why it does not answer
        m_out << tr("Backend: %1 (not answering: %2)").arg(backend, error.description())
              << Qt::endl;
    }
    if (!unreachable)
        co_await m_api.refreshServerConfig(m_model, m_auth);
    //: %1 is the tone's title, %2 its id for --tone
    m_out << tr("Tone: %1 (%2)").arg(m_model.currentToneTitle(), m_model.selectedToneID())
          << Qt::endl;
    //: %1 is the language's title, %2 its id for --language
    m_out
        << tr("Language: %1 (%2)").arg(m_model.currentLanguageTitle(), m_model.selectedLanguageID())
        << Qt::endl;
    auto list = [](const QList<Option>& options) {
        QStringList items;
        for (const Option& option : options)
            //: an id for --tone or --language, then its title
            items << tr("%1 (%2)").arg(option.id, option.title);
        return items.join(QStringLiteral(", "));
    };
    const bool offered = state.isSignedIn() && !unreachable;
    //: %1 is a list of tones
    m_out << (offered ? tr("Tones offered: %1") : tr("Tones (built in): %1"))
                 .arg(list(m_model.availableTones()))
          << Qt::endl;
    //: %1 is a list of languages
    m_out << (offered ? tr("Languages offered: %1") : tr("Languages (built in): %1"))
                 .arg(list(m_model.availableLanguages()))
          << Qt::endl;
    if (unreachable)
        co_return exitStatusFor(*unreachable);
    if (m_auth.keyringFailure())
        co_return failed;
    co_return ok;
}

} // namespace velto
