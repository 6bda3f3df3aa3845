// The real velto-cli against the real velto-server, as a user runs them: each command is a new
// process, so the session lives in the keyring between them (the test's private Secret Service).
// The steps build on each other and run in order: signed out, signed in, rewriting, server
// errors, a server restart, token refresh, signed out again.

#include "CliProcess.h"
#include "ServerProcess.h"
#include "e2e/support/SignInBrowser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace {

const QString email = QStringLiteral("e2e-tester@localhost");
// Small, so that a short text is over the limit.
const QString maxTextBytes = QStringLiteral("64");
// Shorter than the client's refresh margin, so every use refreshes; long enough that a token
// just refreshed is still valid when the request it was refreshed for arrives.
constexpr int shortTokenLifetime = 3;

// A word that must never reach the server's log: it appears only in texts sent for rewriting.
const QByteArray secretWord = QByteArrayLiteral("zanzibarquill");

const QString refreshCall = QStringLiteral("POST /auth/v1/token ");

} // namespace

class CliAgainstServerTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_host;
    int m_port = 0;
    std::unique_ptr<ServerProcess> m_server;
    QString m_earlierLogs; // of servers already stopped

    static CliProcess::Result cli(const QStringList& arguments, const QByteArray& input = {})
    {
        return CliProcess::run(QStringLiteral(VELTO_CLI_BINARY), arguments, input);
    }

    QString dataDir(const QString& name) const { return m_dir.filePath(name); }

    // Replaces the running server; same data directory, same sessions.
    void restartServer(const QString& data, int accessTokenLifetime)
    {
        if (m_server) {
            const bool clean = m_server->stop();
            m_earlierLogs += m_server->log();
            QVERIFY2(clean, qPrintable(m_server->log()));
        }
        m_server =
            std::make_unique<ServerProcess>(QStringLiteral(VELTO_SERVER_BINARY), m_host, m_port);
        const QString failure = m_server->start({
            QStringLiteral("--data"),
            data,
            QStringLiteral("--local-email"),
            email,
            QStringLiteral("--anon-key"),
            QStringLiteral(VELTO_CLI_ANON_KEY),
            QStringLiteral("--access-token-lifetime"),
            QString::number(accessTokenLifetime),
            QStringLiteral("--max-text-bytes"),
            maxTextBytes,
            QStringLiteral("--poll-interval-ms"),
            QStringLiteral("100"),
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // velto-cli signin --no-browser, with the test pressing label on the page it names.
    CliProcess::Result signInPressing(const QString& label)
    {
        CliProcess signin(QStringLiteral(VELTO_CLI_BINARY));
        signin.start({QStringLiteral("signin"), QStringLiteral("--no-browser")});
        const QRegularExpressionMatch line =
            signin.waitForErrorLine(QRegularExpression(QStringLiteral("^\\s+(http\\S+)$")), 20'000);
        if (!line.hasMatch()) {
            CliProcess::Result result = signin.finish(1'000);
            result.err.prepend(QStringLiteral("(no sign-in address printed)\n"));
            return result;
        }
        const QUrl url(line.captured(1), QUrl::StrictMode);
        SignInBrowser browser;
        const SignInBrowser::Page page = browser.open(url);
        const SignInBrowser::Page answer = browser.press(page, label);
        const bool browsed = page.status == 200 && answer.status == 200 && url.host() == m_host &&
                             url.port() == m_port && page.html.contains(email);
        // A sign-in the browser could not finish would keep the client waiting for minutes.
        CliProcess::Result result = signin.finish(browsed ? CliProcess::defaultTimeoutMs : 1'000);
        // The pages go with the result so that a failure shows what the browser saw.
        if (!browsed)
            result.err += QStringLiteral("\n--- browser: page %1 %2 (%3), answer %4 %5 (%6)\n%7")
                              .arg(page.status)
                              .arg(url.toString(), page.error)
                              .arg(answer.status)
                              .arg(answer.url.toString(), answer.error, answer.html);
        return result;
    }

    void signIn()
    {
        const CliProcess::Result result = signInPressing(QStringLiteral("Continue"));
        QVERIFY2(result.exitCode == 0 && !result.err.contains(u"--- browser"),
                 qPrintable(result.describe()));
        QCOMPARE(result.out, QStringLiteral("Signed in as %1\n").arg(email));
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
        m_host = QStringLiteral("127.0.0.1");
        m_port = api.port(80);
        QVERIFY(m_dir.isValid());
        restartServer(dataDir(QStringLiteral("first")), 3600);
    }

    void cleanupTestCase()
    {
        if (m_server)
            QVERIFY2(m_server->stop(), qPrintable(m_server->log()));
    }

    void statusWhileSignedOut()
    {
        const CliProcess::Result result = cli({QStringLiteral("status")});
        QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
        const QStringList lines = result.out.split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("Not signed in"));
        QCOMPARE(lines.value(1), QStringLiteral("Backend: " VELTO_CLI_API_BASE_URL));
        QVERIFY2(result.out.contains(u"\nTones (built in): grammar_fix (Default)"),
                 qPrintable(result.out));
    }

    void rewriteWhileSignedOutAsksToSignIn()
    {
        const CliProcess::Result result = cli({QStringLiteral("rewrite")}, "hello\n");
        QVERIFY2(result.exitCode == 3, qPrintable(result.describe()));
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.contains(u"Sign in required: run \"velto-cli signin\" first."),
                 qPrintable(result.err));
        QCOMPARE(m_server->requestsStartingWith(QStringLiteral("POST /rewrite")).size(), 0);
    }

    void cancelOnTheSignInPageFailsTheSignIn()
    {
        const CliProcess::Result result = signInPressing(QStringLiteral("Cancel"));
        QVERIFY2(result.exitCode == 1 && !result.err.contains(u"--- browser"),
                 qPrintable(result.describe()));
        QVERIFY2(result.err.contains(u"\nSign-in failed: Sign-in was canceled.\n"),
                 qPrintable(result.err));
        QCOMPARE(cli({QStringLiteral("status")}).out.section(u'\n', 0, 0),
                 QStringLiteral("Not signed in"));
    }

    void ctrlCDuringTheSignInAbandonsTheHandoff()
    {
        const int cancelsBefore = m_server->count(QStringLiteral("POST /auth/handoff/cancel 200"));
        CliProcess signin(QStringLiteral(VELTO_CLI_BINARY));
        signin.start({QStringLiteral("signin"), QStringLiteral("--no-browser")});
        const QRegularExpressionMatch line =
            signin.waitForErrorLine(QRegularExpression(QStringLiteral("^\\s+(http\\S+)$")), 20'000);
        QVERIFY(line.hasMatch());
        QVERIFY(signin.waitForErrorLine(QRegularExpression(QStringLiteral("^Waiting")), 5'000)
                    .hasMatch());
        signin.interrupt();
        const CliProcess::Result result = signin.finish(10'000);
        QVERIFY2(result.finished && !result.crashed && result.exitCode == 130,
                 qPrintable(result.describe()));
        QVERIFY2(result.err.endsWith(u"Sign-in cancelled.\n"), qPrintable(result.err));
        QCOMPARE(m_server->count(QStringLiteral("POST /auth/handoff/cancel 200")),
                 cancelsBefore + 1);

        // The page the user may still have open no longer signs anyone in.
        SignInBrowser browser;
        const SignInBrowser::Page page = browser.open(QUrl(line.captured(1), QUrl::StrictMode));
        QCOMPARE(page.status, 409);
        QCOMPARE(cli({QStringLiteral("status")}).out.section(u'\n', 0, 0),
                 QStringLiteral("Not signed in"));
    }

    void signInThroughTheBrowserPage()
    {
        signIn();
        QCOMPARE(m_server->count(QStringLiteral("POST /auth/handoff/exchange 200")), 1);
    }

    void statusShowsTheAccountAndTheServersCatalogue()
    {
        const CliProcess::Result result = cli({QStringLiteral("status")});
        QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
        const QStringList lines = result.out.split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("Signed in as ") + email);
        QVERIFY2(lines.contains(QStringLiteral("Tone: Default (grammar_fix)")),
                 qPrintable(result.out));
        QVERIFY2(lines.contains(QStringLiteral(
                     "Tones offered: grammar_fix (Default), professional (Professional), "
                     "concise (Concise), creative (Creative), casual (Casual), "
                     "persuasive (Persuasive)")),
                 qPrintable(result.out));
        // The local engine cannot translate: its catalogue, not the built-in one, has one entry.
        QVERIFY2(lines.contains(QStringLiteral("Languages offered: auto (Auto-detect)")),
                 qPrintable(result.out));
        QVERIFY(m_server->waitForRequests(QStringLiteral("GET /config 200"), 1));
    }

    void rewritePrintsTheCleanedUpText_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("call");

        const QString oneShot = QStringLiteral("POST /rewrite 200");
        const QString streamed = QStringLiteral("POST /rewrite/stream 200");
        const QStringList rewrite{QStringLiteral("rewrite")};
        const QStringList stream{QStringLiteral("rewrite"), QStringLiteral("--stream")};
        QTest::newRow("standard input") << rewrite << false << QByteArray("hello  world\n")
                                        << QStringLiteral("Hello world\n") << oneShot;
        QTest::newRow("streamed") << stream << false << QByteArray("hello  world\n")
                                  << QStringLiteral("Hello world\n") << streamed;
        QTest::newRow("file, non-ASCII")
            << rewrite << true << QByteArray("caf\xc3\xa9  au lait , i said .")
            << QStringLiteral("Caf\u00e9 au lait, I said.\n") << oneShot;
        QTest::newRow("streamed lines")
            << stream << false << QByteArray("first  line\nsecond line " + secretWord)
            << QStringLiteral("First line\nSecond line ") + QString::fromLatin1(secretWord) +
                   QLatin1Char('\n')
            << streamed;
        QTest::newRow("concise tone")
            << QStringList{QStringLiteral("rewrite"), QStringLiteral("--tone"),
                           QStringLiteral("concise")}
            << false << QByteArray("this is really very simple")
            << QStringLiteral("This is simple\n") << oneShot;
    }

    void rewritePrintsTheCleanedUpText()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, fromFile);
        QFETCH(QByteArray, input);
        QFETCH(QString, expected);
        QFETCH(QString, call);

        if (fromFile) {
            QFile file(m_dir.filePath(QStringLiteral("input.txt")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(input) == input.size());
            file.close();
            arguments << file.fileName();
            input.clear();
        }
        const int before = m_server->count(call);
        const CliProcess::Result result = cli(arguments, input);
        QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
        QCOMPARE(result.out, expected);
        QVERIFY(m_server->waitForRequests(call, before + 1));
    }

    void unknownChoiceExitsTwoWithTheChoices_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("tone") << QStringList{QStringLiteral("--tone"), QStringLiteral("shouty")}
                              << QStringLiteral("Unknown tone \"shouty\". Available: grammar_fix, "
                                                "professional, concise, creative, casual, "
                                                "persuasive");
        QTest::newRow("language") << QStringList{QStringLiteral("--language"),
                                                 QStringLiteral("french")}
                                  << QStringLiteral("Unknown language \"french\". Available: auto");
    }

    void unknownChoiceExitsTwoWithTheChoices()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const int configs = m_server->count(QStringLiteral("GET /config 200"));
        const int rewrites = m_server->requestsStartingWith(QStringLiteral("POST /rewrite")).size();
        const CliProcess::Result result =
            cli(QStringList{QStringLiteral("rewrite")} + arguments, "hello\n");
        QVERIFY2(result.exitCode == 2, qPrintable(result.describe()));
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        // Judged against the catalogue just fetched, and nothing sent to rewrite.
        QVERIFY(m_server->waitForRequests(QStringLiteral("GET /config 200"), configs + 1));
        QCOMPARE(m_server->requestsStartingWith(QStringLiteral("POST /rewrite")).size(), rewrites);
    }

    void serverErrorAnswersReachTheUser_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("call");
        QTest::newRow("one-shot") << QStringList{QStringLiteral("rewrite")}
                                  << QStringLiteral("POST /rewrite 413");
        QTest::newRow("streamed") << QStringList{QStringLiteral("rewrite"),
                                                 QStringLiteral("--stream")}
                                  << QStringLiteral("POST /rewrite/stream 413");
    }

    void serverErrorAnswersReachTheUser()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, call);
        const QByteArray tooLong =
            "this sentence is " + secretWord + " and it goes on for more than sixty-four bytes.";
        QVERIFY(tooLong.size() > maxTextBytes.toInt());

        const CliProcess::Result result = cli(arguments, tooLong);
        QVERIFY2(result.exitCode == 1, qPrintable(result.describe()));
        QCOMPARE(result.out, QString());
        // Debug builds log to standard error too; the user's message is its own line.
        const QRegularExpressionMatch shown =
            QRegularExpression(QStringLiteral("^Rewrite failed: (.*)$"),
                               QRegularExpression::MultilineOption)
                .match(result.err);
        QVERIFY2(shown.hasMatch(), qPrintable(result.err));
        const QString message = shown.captured(1);
        QVERIFY2(message.contains(u"\"code\":\"payload_too_large\""), qPrintable(message));
        QVERIFY2(message.contains(u"The text is too long: at most 64 bytes."), qPrintable(message));
        // The answer the user sees is the one the server logged.
        QVERIFY(m_server->waitForRequests(call, 1));
        const QString requestId = m_server->requestsStartingWith(call).constLast().requestId;
        QVERIFY(!requestId.isEmpty());
        QVERIFY2(message.contains(QStringLiteral("\"request_id\":\"%1\"").arg(requestId)),
                 qPrintable(message));
    }

    void freshAccessTokenIsNotRefreshed()
    {
        QCOMPARE(m_server->requestsStartingWith(refreshCall).size(), 0);
    }

    void serverThatLostTheSessionAsksToSignInAgain()
    {
        restartServer(dataDir(QStringLiteral("empty")), 3600);
        const CliProcess::Result result = cli({QStringLiteral("rewrite")}, "hello\n");
        QVERIFY2(result.exitCode == 3, qPrintable(result.describe()));
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.contains(u"Account required: "), qPrintable(result.err));
        QVERIFY(m_server->waitForRequests(QStringLiteral("POST /rewrite 401"), 1));
    }

    void sessionSurvivesAServerRestart()
    {
        restartServer(dataDir(QStringLiteral("first")), shortTokenLifetime);
        const CliProcess::Result result = cli({QStringLiteral("rewrite")}, "still  here\n");
        QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
        QCOMPARE(result.out, QStringLiteral("Still here\n"));
        QVERIFY(m_server->waitForRequests(QStringLiteral("POST /rewrite 200"), 1));
        QCOMPARE(m_server->requestsStartingWith(refreshCall).size(), 0);
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
        const QString rewritten = QStringLiteral("POST /rewrite 200");
        const int before = m_server->count(rewritten);
        for (int run = 1; run <= 2; ++run) {
            const CliProcess::Result result = cli({QStringLiteral("rewrite")}, "run  again\n");
            QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
            QCOMPARE(result.out, QStringLiteral("Run again\n"));
            QVERIFY(m_server->waitForRequests(rewritten, before + run));
        }
        const QVector<ServerProcess::Request> refreshes =
            m_server->requestsStartingWith(refreshCall);
        QVERIFY2(refreshes.size() >= 2, qPrintable(m_server->log()));
        for (const ServerProcess::Request& refresh : refreshes)
            QVERIFY2(refresh.call == refreshCall + QStringLiteral("200"),
                     qPrintable(m_server->log()));

        const CliProcess::Result status = cli({QStringLiteral("status")});
        QCOMPARE(status.out.section(u'\n', 0, 0), QStringLiteral("Signed in as ") + email);
    }

    void signOutForgetsTheSession()
    {
        const CliProcess::Result signout = cli({QStringLiteral("signout")});
        QVERIFY2(signout.exitCode == 0, qPrintable(signout.describe()));
        QCOMPARE(signout.out, QStringLiteral("Signed out.\n"));

        const int rewrites = m_server->requestsStartingWith(QStringLiteral("POST /rewrite")).size();
        const CliProcess::Result rewrite = cli({QStringLiteral("rewrite")}, "hello\n");
        QVERIFY2(rewrite.exitCode == 3, qPrintable(rewrite.describe()));
        QVERIFY2(rewrite.err.contains(u"Sign in required"), qPrintable(rewrite.err));
        QCOMPARE(cli({QStringLiteral("status")}).out.section(u'\n', 0, 0),
                 QStringLiteral("Not signed in"));
        QCOMPARE(m_server->requestsStartingWith(QStringLiteral("POST /rewrite")).size(), rewrites);
    }

    void serverLogNeverHoldsTheUsersText()
    {
        const QString logs = m_earlierLogs + m_server->log();
        QVERIFY(logs.contains(u"POST /rewrite/stream 200"));
        QVERIFY2(!logs.contains(QString::fromLatin1(secretWord)), qPrintable(logs));
    }
};

QTEST_GUILESS_MAIN(CliAgainstServerTest)
#include "CliAgainstServerTest.moc"
