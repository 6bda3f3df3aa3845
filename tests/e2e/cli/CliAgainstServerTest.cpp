// The real velto-cli against the real velto-server, as a user runs them: each command is a new
// process, so the session lives in the keyring between them (the test's private Secret Service).
// The steps build on each other and run in order: signed out, signed in, rewriting, server
// errors, a server restart, token refresh, signed out again. What the server answers to each
// request is its own tests' business; here it is what the user sees.

#include "CliProcess.h"
#include "e2e/support/ServerProcess.h"
#include "e2e/support/SignInBrowser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <QProcessEnvironment>

#include <algorithm>
#include <memory>
#include <optional>

using velto::test::ServerProcess;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString cliBinary = QStringLiteral(VELTO_CLI_BINARY);
const QString email = u"e2e-tester@localhost"_s;
// Small, so that a short text is over the limit.
const QString maxTextBytes = u"64"_s;
// Shorter than the client's refresh margin, so every use refreshes; long enough that a token
// just refreshed is still valid when the request it was refreshed for arrives.
constexpr int shortTokenLifetime = 3;

const QString refreshCall = u"POST /auth/v1/token "_s;
const QString anyRewrite = u"POST /rewrite"_s;
const QRegularExpression signInAddress(u"^\\s+(http\\S+)$"_s);

} // namespace

class CliAgainstServerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_port = 0;
    std::unique_ptr<ServerProcess> m_server;

    static CliProcess::Result cli(const QStringList& arguments, const QByteArray& input = {},
                                  const std::optional<QProcessEnvironment>& environment = {})
    {
        CliProcess process(cliBinary);
        if (environment)
            process.setEnvironment(*environment);
        process.start(arguments, input);
        return process.finish(CliProcess::defaultTimeoutMs);
    }

    // Runs velto-cli and checks its exit status, its whole standard output and that its standard
    // error holds err.
    CliProcess::Result expectCli(const QStringList& arguments, const QByteArray& input,
                                 int exitCode, const QString& out, const QString& err = {})
    {
        const CliProcess::Result result = cli(arguments, input);
        [&] {
            QVERIFY2(result.exitCode == exitCode, qPrintable(result.describe()));
            QCOMPARE(result.out, out);
            QVERIFY2(result.err.contains(err), qPrintable(result.err));
        }();
        return result;
    }

    // velto-cli status, which always succeeds, line by line.
    static QStringList statusLines()
    {
        const CliProcess::Result status = cli({u"status"_s});
        [&] { QVERIFY2(status.exitCode == 0, qPrintable(status.describe())); }();
        return status.out.split(u'\n');
    }
    static QString firstStatusLine() { return statusLines().value(0); }

    // Replaces the running server; same data directory, same sessions.
    void restartServer(const QString& data, int accessTokenLifetime)
    {
        if (m_server)
            QVERIFY2(m_server->stop(), qPrintable(m_server->log()));
        m_server = std::make_unique<ServerProcess>(QStringLiteral(VELTO_SERVER_BINARY), m_port);
        const QString failure = m_server->start(
            {u"--data"_s, m_dir.filePath(data), u"--local-email"_s, email, u"--anon-key"_s,
             QStringLiteral(VELTO_CLI_ANON_KEY), u"--access-token-lifetime"_s,
             QString::number(accessTokenLifetime), u"--max-text-bytes"_s, maxTextBytes,
             u"--poll-interval-ms"_s, u"100"_s});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // velto-cli signin --no-browser, with the test pressing label on the page it names.
    CliProcess::Result signInPressing(const QString& label,
                                      const std::optional<QProcessEnvironment>& environment = {})
    {
        CliProcess signin(cliBinary);
        if (environment)
            signin.setEnvironment(*environment);
        signin.start({u"signin"_s, u"--no-browser"_s});
        const QRegularExpressionMatch line = signin.waitForErrorLine(signInAddress, 20'000);
        const QUrl url(line.captured(1), QUrl::StrictMode);
        SignInBrowser browser;
        const SignInBrowser::Page page = browser.open(url);
        const SignInBrowser::Page answer = browser.press(page, label);
        const bool browsed = line.hasMatch() && page.status == 200 && answer.status == 200 &&
                             url.host() == u"127.0.0.1" && url.port() == m_port &&
                             page.html.contains(email);
        // A sign-in the browser could not finish would keep the client waiting for minutes.
        CliProcess::Result result = signin.finish(browsed ? CliProcess::defaultTimeoutMs : 1'000);
        // The pages go with the result so that a failure shows what the browser saw.
        if (!browsed)
            result.err +=
                u"\n--- browser: page %1 %2 (%3), answer %4 %5 (%6)\n%7"_s.arg(page.status)
                    .arg(url.toString(), page.error)
                    .arg(answer.status)
                    .arg(answer.url.toString(), answer.error, answer.html);
        return result;
    }

    void signIn()
    {
        const CliProcess::Result result = signInPressing(u"Continue"_s);
        QVERIFY2(result.exitCode == 0 && !result.err.contains(u"--- browser"),
                 qPrintable(result.describe()));
        QCOMPARE(result.out, u"Signed in as %1\n"_s.arg(email));
    }

private slots:
    void initTestCase()
    {
        const QUrl api(QStringLiteral(VELTO_CLI_API_BASE_URL));
        const QUrl auth(QStringLiteral(VELTO_CLI_SUPABASE_URL));
        const bool loopback = api.host() == u"127.0.0.1" || api.host() == u"localhost";
        const bool sameServer = auth.scheme() == api.scheme() && auth.host() == api.host() &&
                                auth.port(80) == api.port(80) &&
                                (auth.path().isEmpty() || auth.path() == u"/");
        if (api.scheme() != u"http" || !loopback || api.path() != u"/" || !sameServer)
            QSKIP("velto-cli is built for a backend that is not one loopback velto-server");
        m_port = api.port(80);
        QVERIFY(m_dir.isValid());
        restartServer(u"first"_s, 3600);
    }

    void cleanupTestCase()
    {
        if (m_server)
            QVERIFY2(m_server->stop(), qPrintable(m_server->log()));
    }

    void signedOut()
    {
        const QStringList lines = statusLines();
        QCOMPARE(lines.value(0), u"Not signed in"_s);
        static const QRegularExpression answers(u"^Backend: \\Q"_s +
                                                QStringLiteral(VELTO_CLI_API_BASE_URL) +
                                                u"\\E \\(answers in \\d+ ms\\)$"_s);
        QVERIFY2(answers.match(lines.value(1)).hasMatch(), qPrintable(lines.value(1)));
        const QString text = lines.join(u'\n');
        QVERIFY2(text.contains(u"\nTones (built in): grammar_fix (Default)"), qPrintable(text));

        expectCli({u"rewrite"_s}, "hello\n", 3, {},
                  u"Sign in required: run \"velto-cli signin\" first."_s);
        QCOMPARE(m_server->requests(anyRewrite).size(), 0);
    }

    // The usage line names the command as the user types it, not the path it was started from.
    void commandHelpShowsTheUsageLine()
    {
        const CliProcess::Result help = cli({u"rewrite"_s, u"--help"_s});
        QVERIFY2(help.exitCode == 0, qPrintable(help.describe()));
        QCOMPARE(help.out.section(u'\n', 0, 0), u"Usage: velto-cli rewrite [options] [FILE]"_s);
        QVERIFY2(!help.out.contains(cliBinary), qPrintable(help.out));
    }

    // Without a Secret Service the keyring is named, with what to start, and a sign-out that
    // cannot remove the session is a failure, not "Signed out.".
    void withoutASecretServiceTheKeyringIsNamed()
    {
        QProcessEnvironment noBus = QProcessEnvironment::systemEnvironment();
        noBus.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/velto-test-bus"_s);
        const CliProcess::Result rewrite = cli({u"rewrite"_s}, "hello\n", noBus);
        QVERIFY2(rewrite.exitCode == 1, qPrintable(rewrite.describe()));
        QVERIFY2(rewrite.err.contains(u"The system keyring is unavailable"),
                 qPrintable(rewrite.err));
        QVERIFY2(rewrite.err.contains(u"start GNOME Keyring or KWallet"), qPrintable(rewrite.err));
        QVERIFY2(!rewrite.err.contains(u"Sign in required"), qPrintable(rewrite.err));

        const CliProcess::Result signout = cli({u"signout"_s}, {}, noBus);
        QVERIFY2(signout.exitCode == 1, qPrintable(signout.describe()));
        QVERIFY2(signout.err.contains(u"Sign-out failed"), qPrintable(signout.err));
        QVERIFY2(!signout.out.contains(u"Signed out."), qPrintable(signout.out));
    }

    void cancelOnTheSignInPageFailsTheSignIn()
    {
        const CliProcess::Result result = signInPressing(u"Cancel"_s);
        QVERIFY2(result.exitCode == 1 && !result.err.contains(u"--- browser"),
                 qPrintable(result.describe()));
        // Said once: the handoff's failure already starts with "Sign-in failed".
        QVERIFY2(result.err.contains(u"\nSign-in failed: Sign-in was canceled.\n"),
                 qPrintable(result.err));
        QCOMPARE(firstStatusLine(), u"Not signed in"_s);
    }

    // Whatever language the failure is told in, the CLI does not put its own "failed" before
    // a sentence that already says so.
    void aCancelledSignInIsSaidOnceInTheUsersLanguage()
    {
        QProcessEnvironment german = QProcessEnvironment::systemEnvironment();
        german.insert(u"LANG"_s, u"C.UTF-8"_s);
        german.insert(u"LANGUAGE"_s, u"de"_s);
        const CliProcess::Result result = signInPressing(u"Cancel"_s, german);
        QVERIFY2(result.exitCode == 1 && !result.err.contains(u"--- browser"),
                 qPrintable(result.describe()));
        const QString last = result.err.trimmed().section(u'\n', -1);
        const int failed = last.count(u"failed"_s, Qt::CaseInsensitive) +
                           last.count(u"fehlgeschlagen"_s, Qt::CaseInsensitive);
        QVERIFY2(failed == 1, qPrintable(result.err));
    }

    void ctrlCDuringTheSignInAbandonsTheHandoff()
    {
        const QString cancelled = u"POST /auth/handoff/cancel 200"_s;
        const int cancelsBefore = m_server->count(cancelled);
        CliProcess signin(cliBinary);
        signin.start({u"signin"_s, u"--no-browser"_s});
        QVERIFY(signin.waitForErrorLine(signInAddress, 20'000).hasMatch());
        QVERIFY(signin.waitForErrorLine(QRegularExpression(u"^Waiting"_s), 5'000).hasMatch());
        signin.interrupt();
        const CliProcess::Result result = signin.finish(10'000);
        QVERIFY2(result.finished && !result.crashed && result.exitCode == 130,
                 qPrintable(result.describe()));
        QVERIFY2(result.err.endsWith(u"Sign-in cancelled.\n"), qPrintable(result.err));
        // The backend was told, so the page the user may still have open signs no one in. The
        // server logs a request after answering it, so its line can trail the CLI's exit.
        QVERIFY2(m_server->waitForRequests(cancelled, cancelsBefore + 1),
                 qPrintable(m_server->log()));
        QCOMPARE(m_server->count(cancelled), cancelsBefore + 1);
        QCOMPARE(firstStatusLine(), u"Not signed in"_s);
    }

    void signInShowsTheAccountAndTheServersCatalogue()
    {
        signIn();
        const QString exchanged = u"POST /auth/handoff/exchange 200"_s;
        QVERIFY(m_server->waitForRequests(exchanged, 1));
        QCOMPARE(m_server->count(exchanged), 1);

        const QStringList lines = statusLines();
        QCOMPARE(lines.value(0), u"Signed in as "_s + email);
        QVERIFY2(lines.contains(u"Tone: Default (grammar_fix)"_s), qPrintable(lines.join(u'\n')));
        QVERIFY2(lines.contains(QStringLiteral(
                     "Tones offered: grammar_fix (Default), professional (Professional), "
                     "concise (Concise), creative (Creative), casual (Casual), "
                     "persuasive (Persuasive)")),
                 qPrintable(lines.join(u'\n')));
        // The local engine cannot translate: its catalogue, not the built-in one, has one entry.
        QVERIFY2(lines.contains(u"Languages offered: auto (Auto-detect)"_s),
                 qPrintable(lines.join(u'\n')));
        QVERIFY(m_server->waitForRequests(u"GET /config 200"_s, 1));
    }

    // What the user asks and sees: the exit status, standard output, a line of standard error,
    // and the call that reached the server (none: nothing sent to rewrite).
    void rewriteCommands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("call");

        const QString oneShot = u"POST /rewrite 200"_s;
        const QString streamed = u"POST /rewrite/stream 200"_s;
        const QStringList rewrite{u"rewrite"_s};
        const QStringList stream{u"rewrite"_s, u"--stream"_s};
        QTest::newRow("standard input") << rewrite << QByteArray("hello  world\n") << 0
                                        << u"Hello world\n"_s << QString() << oneShot;
        // "@" reads the file named by input instead.
        QTest::newRow("file, non-ASCII")
            << rewrite << QByteArray("@caf\xc3\xa9  au lait , i said .") << 0
            << u"Caf\u00e9 au lait, I said.\n"_s << QString() << oneShot;
        QTest::newRow("streamed lines") << stream << QByteArray("first  line\nsecond line") << 0
                                        << u"First line\nSecond line\n"_s << QString() << streamed;
        QTest::newRow("concise tone") << QStringList{u"rewrite"_s, u"--tone"_s, u"concise"_s}
                                      << QByteArray("this is really very simple") << 0
                                      << u"This is simple\n"_s << QString() << oneShot;
        // Judged against the catalogue just fetched.
        QTest::newRow("unknown tone")
            << rewrite + QStringList{u"--tone"_s, u"shouty"_s} << QByteArray("hello\n") << 2
            << QString()
            << QStringLiteral("Unknown tone \"shouty\". Available: grammar_fix, professional, "
                              "concise, creative, casual, persuasive")
            << QString();
        QTest::newRow("unknown language")
            << rewrite + QStringList{u"--language"_s, u"french"_s} << QByteArray("hello\n") << 2
            << QString() << u"Unknown language \"french\". Available: auto"_s << QString();
    }

    void rewriteCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, call);

        if (input.startsWith('@')) {
            QFile file(m_dir.filePath(u"input.txt"_s));
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write(input.mid(1)) == input.size() - 1);
            arguments << file.fileName();
            input.clear();
        }
        const int configs = m_server->count(u"GET /config 200"_s);
        const int calls = m_server->count(call);
        const qsizetype rewrites = m_server->requests(anyRewrite).size();
        expectCli(arguments, input, exitCode, out, err);
        QVERIFY(m_server->waitForRequests(u"GET /config 200"_s, configs + 1));
        if (!call.isEmpty())
            QVERIFY(m_server->waitForRequests(call, calls + 1));
        QCOMPARE(m_server->requests(anyRewrite).size(), rewrites + (call.isEmpty() ? 0 : 1));
    }

    // A one-shot error answer reaches the user in serverThatLostTheSessionAsksToSignInAgain.
    void serverErrorAnswersReachTheUser()
    {
        const QString call = u"POST /rewrite/stream 413"_s;
        const QByteArray tooLong =
            "this sentence goes on and on and on for more than sixty-four bytes.";
        QVERIFY(tooLong.size() > maxTextBytes.toInt());

        const CliProcess::Result result = expectCli({u"rewrite"_s, u"--stream"_s}, tooLong, 1, {});
        // Debug builds log to standard error too; the user's message is its own line.
        const QRegularExpressionMatch shown =
            QRegularExpression(u"^Rewrite failed: (.*)$"_s, QRegularExpression::MultilineOption)
                .match(result.err);
        QVERIFY2(shown.hasMatch(), qPrintable(result.err));
        const QString message = shown.captured(1);
        QVERIFY2(message.contains(u"\"code\":\"payload_too_large\""), qPrintable(message));
        QVERIFY2(message.contains(u"The text is too long: at most 64 bytes."), qPrintable(message));
        // The answer the user sees is the one the server logged.
        QVERIFY(m_server->waitForRequests(call, 1));
        const QString requestId = m_server->requests(call).constLast().requestId;
        QVERIFY(!requestId.isEmpty());
        QVERIFY2(message.contains(u"\"request_id\":\"%1\""_s.arg(requestId)), qPrintable(message));
    }

    void serverThatLostTheSessionAsksToSignInAgain()
    {
        // Every command so far ran within the first token's lifetime.
        QCOMPARE(m_server->requests(refreshCall).size(), 0);
        restartServer(u"empty"_s, 3600);
        expectCli({u"rewrite"_s}, "hello\n", 3, {}, u"Account required: "_s);
        QVERIFY(m_server->waitForRequests(u"POST /rewrite 401"_s, 1));
    }

    void sessionSurvivesAServerRestart()
    {
        restartServer(u"first"_s, shortTokenLifetime);
        expectCli({u"rewrite"_s}, "still  here\n", 0, u"Still here\n"_s);
        QVERIFY(m_server->waitForRequests(u"POST /rewrite 200"_s, 1));
        QCOMPARE(m_server->requests(refreshCall).size(), 0);
    }

    void expiredAccessTokenIsRefreshedAndTheRotatedSessionKept()
    {
        signIn();
        if (QTest::currentTestFailed())
            return;
        QElapsedTimer signedIn;
        signedIn.start();
        // Only here a fixed wait: until the access token of the sign-in has expired.
        QTest::qSleep(
            int(std::max<qint64>(0, (shortTokenLifetime + 1) * 1000 - signedIn.elapsed())));

        // Each run is a new process: the second can only refresh with the refresh token the
        // first one received and stored, since a used one is refused.
        const QString rewritten = u"POST /rewrite 200"_s;
        const int before = m_server->count(rewritten);
        for (int run = 1; run <= 2; ++run) {
            expectCli({u"rewrite"_s}, "run  again\n", 0, u"Run again\n"_s);
            QVERIFY(m_server->waitForRequests(rewritten, before + run));
        }
        const QList<ServerProcess::Request> refreshes = m_server->requests(refreshCall);
        QVERIFY2(refreshes.size() >= 2, qPrintable(m_server->log()));
        for (const ServerProcess::Request& refresh : refreshes)
            QCOMPARE(refresh.call, refreshCall + u"200"_s);
        QCOMPARE(firstStatusLine(), u"Signed in as "_s + email);
    }

    // The terminal shows what the user asked for; the log lines only with -v, tagged velto-cli.
    void logLinesOnlyWithVerbose()
    {
        const CliProcess::Result quiet = cli({u"status"_s});
        QVERIFY2(quiet.exitCode == 0, qPrintable(quiet.describe()));
        QCOMPARE(quiet.err, QString());
        for (const QStringList& arguments :
             {QStringList{u"status"_s, u"-v"_s}, QStringList{u"--verbose"_s, u"status"_s}}) {
            const CliProcess::Result verbose = cli(arguments);
            QVERIFY2(verbose.exitCode == 0, qPrintable(verbose.describe()));
            QVERIFY2(verbose.err.contains(u"velto-cli[info]: auth session loaded"),
                     qPrintable(verbose.describe()));
            QVERIFY2(!verbose.err.contains(u"velto["), qPrintable(verbose.err));
        }
    }

    void signOutForgetsTheSession()
    {
        expectCli({u"signout"_s}, {}, 0, u"Signed out.\n"_s);
        const qsizetype rewrites = m_server->requests(anyRewrite).size();
        expectCli({u"rewrite"_s}, "hello\n", 3, {}, u"Sign in required"_s);
        QCOMPARE(firstStatusLine(), u"Not signed in"_s);
        QCOMPARE(m_server->requests(anyRewrite).size(), rewrites);
    }

    // The user's language through LANGUAGE (the locale itself may be C.UTF-8); a language
    // without a catalogue gives English.
    void speaksTheUsersLanguage()
    {
        QProcessEnvironment german = QProcessEnvironment::systemEnvironment();
        german.insert(u"LANG"_s, u"C.UTF-8"_s);
        german.insert(u"LANGUAGE"_s, u"de"_s);
        const CliProcess::Result status = cli({u"status"_s}, {}, german);
        QVERIFY2(status.exitCode == 0, qPrintable(status.describe()));
        QCOMPARE(status.out.section(u'\n', 0, 0), u"Nicht angemeldet"_s);
        QVERIFY2(status.out.contains(u"\nTonfälle (eingebaut): grammar_fix (Standard)"),
                 qPrintable(status.out));
        const CliProcess::Result rewrite = cli({u"rewrite"_s}, "hallo\n", german);
        QCOMPARE(rewrite.exitCode, 3);
        QVERIFY2(rewrite.err.contains(u"Anmeldung erforderlich: Führen Sie zuerst"),
                 qPrintable(rewrite.err));
        const CliProcess::Result help = cli({u"--help"_s}, {}, german);
        QVERIFY2(help.out.startsWith(u"Aufruf: velto-cli <Befehl> [Optionen]"),
                 qPrintable(help.out));
        QVERIFY2(help.out.contains(u"Rückgabewert:"), qPrintable(help.out));

        QProcessEnvironment unknown = german;
        unknown.insert(u"LANGUAGE"_s, u"xx"_s);
        const CliProcess::Result english = cli({u"status"_s}, {}, unknown);
        QCOMPARE(english.out.section(u'\n', 0, 0), u"Not signed in"_s);
        QVERIFY2(english.out.contains(u"\nTones (built in): grammar_fix (Default)"),
                 qPrintable(english.out));
    }

    // velto-cli's man page promises that no command changes a file: not even the preferences
    // a first run of the app would create.
    void noCommandWroteThePreferences()
    {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!config.isEmpty());
        QVERIFY(!QFile::exists(config + u"/velto/preferences.json"_s));
    }

    void statusSaysWhenTheBackendDoesNotAnswer()
    {
        QVERIFY2(m_server->stop(), qPrintable(m_server->log()));
        m_server.reset();
        const CliProcess::Result status = cli({u"status"_s});
        QCOMPARE(status.exitCode, 4);
        QVERIFY2(status.out.contains(u"(not answering: "), qPrintable(status.describe()));
        QVERIFY2(status.out.contains(u"Tones (built in): "), qPrintable(status.describe()));
    }
};

QTEST_GUILESS_MAIN(CliAgainstServerTest)
#include "CliAgainstServerTest.moc"
