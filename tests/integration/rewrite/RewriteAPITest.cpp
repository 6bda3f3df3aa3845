#include "rewrite/RewriteAPI.h"
#include "auth/AuthService.h"
#include "auth/HttpClient.h"
#include "fakes/auth/FakeClock.h"
#include "fakes/auth/MemoryKeychainStore.h"
#include "fakes/auth/RunTask.h"
#include "fakes/http/FakeBackend.h"
#include "fakes/model/MemoryDefaults.h"
#include "fakes/model/RecordingLogSink.h"
#include "model/AppModel.h"
#include "model/ClientLogger.h"
#include "model/UserPreferencesStore.h"
#include "rewrite/RewriteClientError.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <nlohmann/json.hpp>

using namespace velto;
using namespace std::chrono_literals;

namespace {

const QByteArray accessToken = "access-token-1";

struct Fixture
{
    explicit Fixture(const QString& basePath = QStringLiteral("/"), bool signedIn = true)
        : keychain(std::make_shared<MemoryKeychainStore>()), clock(std::make_shared<FakeClock>()),
          http(std::make_shared<HttpClient>()), store(std::make_shared<MemoryDefaults>()),
          model(store, AppBuildConfig{AppRuntimeMode::release, backend.url(basePath),
                                      backend.baseURL().toString(), "anon", "email"}),
          api(http)
    {
        if (signedIn) {
            StoredAuthSession session{QString::fromLatin1(accessToken), "refresh-1",
                                      clock->now() + 3600, "user-1", "ada@example.test"};
            keychain->items.insert({AuthService::keychainService, AuthService::keychainAccount},
                                   session.encoded());
        }
        auth = std::make_unique<AuthService>(keychain, http, clock);
    }

    FakeBackend backend;
    std::shared_ptr<MemoryKeychainStore> keychain;
    std::shared_ptr<FakeClock> clock;
    std::shared_ptr<HttpClient> http;
    UserPreferencesStore store;
    AppModel model;
    RewriteAPI api;
    std::unique_ptr<AuthService> auth;
};

AppError errorOf(auto task)
{
    try {
        runTask(std::move(task));
    } catch (const AppError& error) {
        return error;
    }
    return AppError("none", 0, "no error");
}

struct StreamResult
{
    QStringList pieces;
    std::optional<AppError> error;
    qint64 firstPieceAtMs = -1;
    qint64 endedAtMs = -1;
};

QCoro::Task<void> consume(QCoro::AsyncGenerator<QString> stream, StreamResult* result)
{
    QElapsedTimer clock;
    clock.start();
    try {
        QCORO_FOREACH(const QString& piece, stream)
        {
            if (result->pieces.isEmpty())
                result->firstPieceAtMs = clock.elapsed();
            result->pieces.append(piece);
        }
    } catch (const AppError& error) {
        result->error = error;
    }
    result->endedAtMs = clock.elapsed();
}

StreamResult runStream(Fixture& f, const QString& text = QStringLiteral("hello"))
{
    StreamResult result;
    runTask(consume(f.api.rewriteStream(text, f.model, *f.auth), &result));
    return result;
}

FakeResponse::Chunk chunk(QByteArray data, std::chrono::milliseconds delay = 0ms)
{
    return {std::move(data), delay};
}

} // namespace

class RewriteAPITest : public QObject
{
    Q_OBJECT

private slots:
    void rewritePostsTheTrimmedTextWithToneLanguageAndHeaders()
    {
        Fixture f;
        f.model.setToneID("Concise");
        f.model.setLanguageID("auto");
        f.backend.on("POST", "/rewrite", FakeResponse::text(200, "Rewritten.\n\n"));
        QCOMPARE(runTask(f.api.rewrite(" word \n", f.model, *f.auth)), "Rewritten.");
        QCOMPARE(runTask(f.api.rewrite("again", f.model, *f.auth)), "Rewritten.");

        const QList<RecordedRequest> sent = f.backend.requests("POST", "/rewrite");
        QCOMPARE(sent.size(), 2);
        const RecordedRequest& first = sent[0];
        QCOMPARE(first.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(first.header("Authorization"), "Bearer " + accessToken);
        QVERIFY(!first.header("Accept"));
        QVERIFY(!first.header("Accept-Encoding") || *first.header("Accept-Encoding") != "identity");
        const QRegularExpression uuid(
            "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
        QVERIFY(
            uuid.match(QString::fromLatin1(first.header("X-Request-Id").value_or(""))).hasMatch());
        QVERIFY(first.header("X-Request-Id") != sent[1].header("X-Request-Id"));

        const nlohmann::json body = nlohmann::json::parse(first.body.toStdString());
        QCOMPARE(body.size(), 3u);
        QVERIFY(body["text"] == "word");
        QVERIFY(body["tone"] == "concise");
        QVERIFY(body["language"] == "auto");
    }

    void endpointsJoinTheBaseURLsPath_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::newRow("root") << "/"
                              << "/rewrite";
        QTest::newRow("path without slash") << "/api"
                                            << "/api/rewrite";
        QTest::newRow("path with slash") << "/api/"
                                         << "/api/rewrite";
    }

    void endpointsJoinTheBaseURLsPath()
    {
        QFETCH(QString, base);
        QFETCH(QString, path);
        Fixture f(base);
        f.backend.on("POST", path, FakeResponse::text(200, "ok"));
        QCOMPARE(runTask(f.api.rewrite("x", f.model, *f.auth)), "ok");
        QCOMPARE(f.backend.requests().size(), 1);
        QCOMPARE(f.backend.requests().first().path, path);
    }

    void answersBecomeTextOrErrors_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");
        const QString client = RewriteClientError::domain;
        const QString server = RewriteClientError::serverDomain;
        const QString invalid = "Server returned an invalid response.";
        QTest::newRow("blank 200") << 200 << QByteArray(" \n\t") << client << 1 << invalid;
        QTest::newRow("200 not UTF-8") << 200 << QByteArray("caf\xe9") << client << 1 << invalid;
        QTest::newRow("500 empty") << 500 << QByteArray() << client << 1 << invalid;
        QTest::newRow("500 one line")
            << 500 << QByteArray(" Upstream failed \n") << server << 500 << " Upstream failed \n";
        QTest::newRow("401 JSON kept as received")
            << 401 << QByteArray(R"({"error":{"code":"unauthorized","message":"Sign in"}})")
            << server << 401 << R"({"error":{"code":"unauthorized","message":"Sign in"}})";
        QTest::newRow("429 HTML page") << 429 << QByteArray("<html>slow down</html>") << server
                                       << 429 << "<html>slow down</html>";
    }

    void answersBecomeTextOrErrors()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, domain);
        QFETCH(int, code);
        QFETCH(QString, description);
        Fixture f;
        f.backend.on("POST", "/rewrite", FakeResponse::text(status, body));
        const AppError error = errorOf(f.api.rewrite("text", f.model, *f.auth));
        QCOMPARE(error.domain(), domain);
        QCOMPARE(error.code(), code);
        QCOMPARE(error.description(), description);
    }

    void nothingIsSentForBlankTextOrWithoutASession()
    {
        Fixture f;
        QCOMPARE(errorOf(f.api.rewrite(" \n\t ", f.model, *f.auth)).description(),
                 "No text to rewrite.");
        StreamResult streamed = runStream(f, "   ");
        QCOMPARE(streamed.error->description(), "No text to rewrite.");

        Fixture signedOut("/", false);
        const AppError error =
            errorOf(signedOut.api.rewrite("text", signedOut.model, *signedOut.auth));
        QVERIFY(error.description().contains("sign in", Qt::CaseInsensitive));
        QVERIFY(f.backend.requests().isEmpty());
        QVERIFY(signedOut.backend.requests().isEmpty());
    }

    void anUnreachableServiceReadsAsANetworkFailure()
    {
        Fixture f;
        f.backend.stop();
        const AppError error = errorOf(f.api.rewrite("text", f.model, *f.auth));
        QVERIFY2(error.description().contains("network"), qPrintable(error.description()));
        QVERIFY(runStream(f).error->description().contains("network"));
    }

    void configRefreshAppliesTheServersCatalogue()
    {
        Fixture f;
        auto log = std::make_shared<RecordingLogSink>();
        auto previous = ClientLogger::setSink(log);
        f.model.setToneID("casual");
        f.backend.on(
            "GET", "/config",
            FakeResponse::json(200, R"({"tones":[{"id":"Casual","title":"Casual","extra":1},
                        {"id":"formal","title":"Formal"}],"languages":[{"id":"auto","title":"Auto"}],
                        "defaults":{"tone":"formal","language":"auto"}})"));
        runTask(f.api.refreshServerConfig(f.model, *f.auth));
        ClientLogger::setSink(previous);

        QCOMPARE(f.model.availableTones().size(), 2);
        QCOMPARE(f.model.availableLanguages().size(), 1);
        QCOMPARE(f.model.toneID(), "casual");
        QVERIFY(log->lines.isEmpty());
        const RecordedRequest request = f.backend.requests("GET", "/config").value(0);
        QVERIFY(!request.header("Content-Type"));
        QVERIFY(request.header("X-Request-Id"));
        QCOMPARE(request.header("Authorization"), "Bearer " + accessToken);
        QVERIFY(request.body.isEmpty());
    }

    void badCataloguesFallBackToTheBuiltInOneWithAWarning_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("logged");
        QTest::newRow("no defaults") << 200 << QByteArray(R"({"tones":[],"languages":[]})") << "";
        QTest::newRow("option without title")
            << 200
            << QByteArray(
                   R"({"tones":[{"id":"a"}],"languages":[],"defaults":{"tone":"a","language":"b"}})")
            << "";
        QTest::newRow("id as number")
            << 200
            << QByteArray(
                   R"({"tones":[{"id":1,"title":"A"}],"languages":[],"defaults":{"tone":"a","language":"b"}})")
            << "";
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << "";
        QTest::newRow("server error text")
            << 503 << QByteArray("maintenance") << "failed to fetch /config: maintenance";
    }

    void badCataloguesFallBackToTheBuiltInOneWithAWarning()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, logged);
        Fixture f;
        f.model.applyServerConfig({Option{"x", "X"}}, {Option{"y", "Y"}}, "x", "y");
        f.backend.on("GET", "/config", FakeResponse::json(status, body));
        auto log = std::make_shared<RecordingLogSink>();
        auto previous = ClientLogger::setSink(log);
        runTask(f.api.refreshServerConfig(f.model, *f.auth));
        ClientLogger::setSink(previous);

        QCOMPARE(f.model.availableTones(), AppModel::builtInTones());
        QCOMPARE(f.model.availableLanguages(), AppModel::builtInLanguages());
        QCOMPARE(log->lines.size(), 1);
        QCOMPARE(log->lines.first().level, LogLevel::warning);
        QVERIFY(log->lines.first().message.startsWith("failed to fetch /config: "));
        if (!logged.isEmpty())
            QCOMPARE(log->lines.first().message, logged);
    }

    void signedOutRefreshSendsNothingAndLogsNothing()
    {
        Fixture f("/", false);
        f.model.applyServerConfig({Option{"x", "X"}}, {}, "x", "auto");
        auto log = std::make_shared<RecordingLogSink>();
        auto previous = ClientLogger::setSink(log);
        runTask(f.api.refreshServerConfig(f.model, *f.auth));
        ClientLogger::setSink(previous);
        QCOMPARE(f.model.availableTones(), AppModel::builtInTones());
        QVERIFY(f.backend.requests().isEmpty());
        QVERIFY(log->lines.isEmpty());
    }

    void streamDeliversPiecesUntilDone()
    {
        Fixture f;
        const QByteArray accent = QString("é").toUtf8();
        f.backend.on(
            "POST", "/rewrite/stream",
            FakeResponse::stream(
                {chunk("data: Hel"), chunk("lo\n", 20ms), chunk("\ndata:  wor", 20ms),
                 chunk("ld " + accent.left(1), 20ms), chunk(accent.mid(1) + "\r\n\r\n", 20ms),
                 chunk("event: delta\ndata: [DONE]\n\n"), chunk("data: never read\n\n")},
                "Text/Event-Stream; charset=utf-8"));
        const StreamResult result = runStream(f);
        QVERIFY2(!result.error, qPrintable(result.error ? result.error->description() : QString()));
        QCOMPARE(result.pieces, (QStringList{"Hello", " world é"}));
        const RecordedRequest request = f.backend.requests("POST", "/rewrite/stream").value(0);
        QCOMPARE(request.header("Accept-Encoding"), QByteArray("identity"));
        QVERIFY(!request.header("Accept"));
        QCOMPARE(request.header("Authorization"), "Bearer " + accessToken);
    }

    void theFirstPieceArrivesBeforeTheAnswerEnds()
    {
        Fixture f;
        f.backend.on(
            "POST", "/rewrite/stream",
            FakeResponse::stream({chunk("data: first\n\n"), chunk("data: [DONE]\n\n", 1500ms)}));
        const StreamResult result = runStream(f);
        QCOMPARE(result.pieces, QStringList{"first"});
        QVERIFY2(result.firstPieceAtMs + 1000 < result.endedAtMs,
                 qPrintable(QString("first %1 ms, end %2 ms")
                                .arg(result.firstPieceAtMs)
                                .arg(result.endedAtMs)));
    }

    void streamFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");
        const QString client = RewriteClientError::domain;
        const QString server = RewriteClientError::serverDomain;
        QTest::newRow("error event")
            << 200 << QByteArray("text/event-stream")
            << QByteArray("data: a\n\nevent: error\ndata: quota used up\n\ndata: b\n\n")
            << QStringList{"a"} << server << -1 << "quota used up";
        QTest::newRow("ends without done, tail delivered")
            << 200 << QByteArray("text/event-stream") << QByteArray("data: a\n\ndata: tail")
            << QStringList{"a", "tail"} << client << 3 << "Rewrite stream ended unexpectedly.";
        QTest::newRow("plain text answer")
            << 200 << QByteArray("text/plain") << QByteArray("data: a\n\n") << QStringList{}
            << client << 1 << "Server returned an invalid response.";
        QTest::newRow("server error body") << 503 << QByteArray("text/plain") << QByteArray("busy")
                                           << QStringList{} << server << 503 << "busy";
        QTest::newRow("server error, empty body")
            << 502 << QByteArray("text/plain") << QByteArray() << QStringList{} << client << 1
            << "Server returned an invalid response.";
    }

    void streamFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, pieces);
        QFETCH(QString, domain);
        QFETCH(int, code);
        QFETCH(QString, description);
        Fixture f;
        FakeResponse response = FakeResponse::text(status, body, contentType);
        f.backend.on("POST", "/rewrite/stream", response);
        const StreamResult result = runStream(f);
        QCOMPARE(result.pieces, pieces);
        QVERIFY(result.error);
        QCOMPARE(result.error->domain(), domain);
        QCOMPARE(result.error->code(), code);
        QCOMPARE(result.error->description(), description);
    }

    void aBlockThatNeverEndsFailsTheStream()
    {
        Fixture f;
        QList<FakeResponse::Chunk> chunks{chunk("data: ")};
        for (int i = 0; i < 20; ++i)
            chunks.append(chunk(QByteArray(64 * 1024, 'x')));
        chunks.append(chunk("\n\ndata: [DONE]\n\n"));
        f.backend.on("POST", "/rewrite/stream", FakeResponse::stream(chunks));
        const StreamResult result = runStream(f);
        QVERIFY(result.pieces.isEmpty());
        QCOMPARE(result.error->description(), "Server returned an invalid response.");
    }
};

QTEST_GUILESS_MAIN(RewriteAPITest)
#include "RewriteAPITest.moc"
