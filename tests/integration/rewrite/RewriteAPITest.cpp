#include "rewrite/RewriteAPI.h"
#include "fakes/model/RecordingLogSink.h"
#include "integration/auth/AuthFixture.h"
#include "model/ClientLogger.h"
#include "rewrite/RewriteClientError.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

using namespace velto;
using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray accessToken = "access-token-1";

// The rewrite client over a loaded AuthService, signed in or not, with the log recorded.
struct Fixture : AuthFixture
{
    explicit Fixture(const QString& basePath = "/", bool signedIn = true)
        : AuthFixture(basePath), api(http)
    {
        if (signedIn)
            keychain->items.insert(itemKey, StoredAuthSession{QString::fromLatin1(accessToken),
                                                              "refresh-1", clock->now() + 3600,
                                                              "user-1", "ada@example.test"}
                                                .encoded());
        auth = &start();
    }
    ~Fixture() { ClientLogger::setSink(previousSink); }

    RewriteAPI api;
    AuthService* auth = nullptr;
    std::shared_ptr<RecordingLogSink> log = std::make_shared<RecordingLogSink>();
    std::shared_ptr<LogSink> previousSink = ClientLogger::setSink(log);
};

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
    void rewritePostsTheTrimmedTextWithToneLanguageAndHeaders_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path"); // the endpoint joins the base URL's path
        QTest::newRow("root") << u"/"_s << u"/rewrite"_s;
        QTest::newRow("path without slash") << u"/api"_s << u"/api/rewrite"_s;
        QTest::newRow("path with slash") << u"/api/"_s << u"/api/rewrite"_s;
    }

    void rewritePostsTheTrimmedTextWithToneLanguageAndHeaders()
    {
        QFETCH(QString, base);
        QFETCH(QString, path);
        Fixture f(base);
        f.model.setToneID("Concise");
        f.model.setLanguageID("auto");
        f.backend.on("POST", path, FakeResponse::text(200, "Rewritten.\n\n"));
        QCOMPARE(runTask(f.api.rewrite(" word \n", f.model, *f.auth)), "Rewritten.");
        QCOMPARE(runTask(f.api.rewrite("again", f.model, *f.auth)), "Rewritten.");

        const QList<RecordedRequest> sent = f.backend.requests();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0].path, path);
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

        const nlohmann::json body{{"text", "word"}, {"tone", "concise"}, {"language", "auto"}};
        QCOMPARE(jsonText(nlohmann::json::parse(first.body.toStdString())), jsonText(body));
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
        const AppError error = thrownBy(f.api.rewrite("text", f.model, *f.auth));
        QCOMPARE(error.domain(), domain);
        QCOMPARE(error.code(), code);
        QCOMPARE(error.description(), description);
    }

    void failuresBeforeAnyAnswer_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::newRow("blank text") << true << true << u" \n\t "_s << u"No text to rewrite."_s;
        QTest::newRow("signed out") << false << true << u"text"_s << u"sign in"_s;
        QTest::newRow("unreachable") << true << false << u"text"_s << u"network"_s;
    }

    // Both calls fail the same way, and nothing reaches the backend.
    void failuresBeforeAnyAnswer()
    {
        QFETCH(bool, signedIn);
        QFETCH(bool, reachable);
        QFETCH(QString, text);
        QFETCH(QString, description);
        Fixture f("/", signedIn);
        if (!reachable)
            f.backend.stop();
        const QString oneShot = thrownBy(f.api.rewrite(text, f.model, *f.auth)).description();
        QVERIFY2(oneShot.contains(description, Qt::CaseInsensitive), qPrintable(oneShot));
        const StreamResult streamed = runStream(f, text);
        QVERIFY(streamed.error);
        QVERIFY2(streamed.error->description().contains(description, Qt::CaseInsensitive),
                 qPrintable(streamed.error->description()));
        QVERIFY(f.backend.requests().isEmpty());
    }

    void configRefreshAppliesTheServersCatalogue()
    {
        Fixture f;
        f.model.setToneID("casual");
        f.backend.on(
            "GET", "/config",
            FakeResponse::json(200, R"({"tones":[{"id":"Casual","title":"Casual","extra":1},
                        {"id":"formal","title":"Formal"}],"languages":[{"id":"auto","title":"Auto"}],
                        "defaults":{"tone":"formal","language":"auto"}})"));
        f.log->lines.clear(); // only what the refresh logs
        runTask(f.api.refreshServerConfig(f.model, *f.auth));

        QCOMPARE(f.model.availableTones().size(), 2);
        QCOMPARE(f.model.availableLanguages().size(), 1);
        QCOMPARE(f.model.toneID(), "casual");
        QVERIFY(f.log->lines.isEmpty());
        const RecordedRequest request = f.backend.requests("GET", "/config").value(0);
        QVERIFY(!request.header("Content-Type"));
        QVERIFY(request.header("X-Request-Id"));
        QCOMPARE(request.header("Authorization"), "Bearer " + accessToken);
        QVERIFY(request.body.isEmpty());
    }

    void badCataloguesFallBackToTheBuiltInOne_data()
    {
        QTest::addColumn<int>("status"); // 0: signed out
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("logged"); // the warning, or its start; null: none
        const QString failed = "failed to fetch /config: ";
        QTest::newRow("no defaults")
            << 200 << QByteArray(R"({"tones":[],"languages":[]})") << failed;
        QTest::newRow("option without title")
            << 200
            << QByteArray(
                   R"({"tones":[{"id":"a"}],"languages":[],"defaults":{"tone":"a","language":"b"}})")
            << failed;
        QTest::newRow("id as number")
            << 200
            << QByteArray(
                   R"({"tones":[{"id":1,"title":"A"}],"languages":[],"defaults":{"tone":"a","language":"b"}})")
            << failed;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << failed;
        QTest::newRow("server error text")
            << 503 << QByteArray("maintenance") << failed + "maintenance";
        QTest::newRow("signed out: nothing sent, nothing logged") << 0 << QByteArray() << QString();
    }

    void badCataloguesFallBackToTheBuiltInOne()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, logged);
        const QString failed = "failed to fetch /config: ";
        Fixture f("/", status != 0);
        f.model.applyServerConfig({Option{"x", "X"}}, {Option{"y", "Y"}}, "x", "y");
        f.backend.on("GET", "/config", FakeResponse::json(status, body));
        f.log->lines.clear(); // only what the refresh logs
        runTask(f.api.refreshServerConfig(f.model, *f.auth));

        QCOMPARE(f.model.availableTones(), AppModel::builtInTones());
        QCOMPARE(f.model.availableLanguages(), AppModel::builtInLanguages());
        QCOMPARE(f.backend.requests().size(), status != 0 ? 1 : 0);
        QCOMPARE(f.log->lines.size(), logged.isNull() ? 0 : 1);
        if (!logged.isNull()) {
            QCOMPARE(f.log->lines.first().level, LogLevel::warning);
            if (logged == failed)
                QVERIFY2(f.log->lines.first().message.startsWith(logged),
                         qPrintable(f.log->lines.first().message));
            else
                QCOMPARE(f.log->lines.first().message, logged);
        }
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

    void streamAnswers_data()
    {
        QTest::addColumn<FakeResponse>("answer");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("domain"); // empty: no error
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");
        const QString client = RewriteClientError::domain;
        const QString server = RewriteClientError::serverDomain;
        const QString invalid = "Server returned an invalid response.";
        const QByteArray accent = QString("é").toUtf8();
        QTest::newRow("pieces until done, split anywhere")
            << FakeResponse::stream(
                   {chunk("data: Hel"), chunk("lo\n", 20ms), chunk("\ndata:  wor", 20ms),
                    chunk("ld " + accent.left(1), 20ms), chunk(accent.mid(1) + "\r\n\r\n", 20ms),
                    chunk("event: delta\ndata: [DONE]\n\n"), chunk("data: never read\n\n")},
                   "Text/Event-Stream; charset=utf-8")
            << QStringList{"Hello", " world é"} << QString() << 0 << QString();
        QList<FakeResponse::Chunk> endless{chunk("data: ")};
        for (int i = 0; i < 20; ++i)
            endless.append(chunk(QByteArray(64 * 1024, 'x')));
        endless.append(chunk("\n\ndata: [DONE]\n\n"));
        QTest::newRow("a block that never ends")
            << FakeResponse::stream(endless) << QStringList{} << client << 1 << invalid;
        QTest::newRow("error event")
            << FakeResponse::text(200,
                                  "data: a\n\nevent: error\ndata: quota used up\n\ndata: b\n\n",
                                  "text/event-stream")
            << QStringList{"a"} << server << -1 << "quota used up";
        QTest::newRow("ends without done, tail delivered")
            << FakeResponse::text(200, "data: a\n\ndata: tail", "text/event-stream")
            << QStringList{"a", "tail"} << client << 3 << "Rewrite stream ended unexpectedly.";
        QTest::newRow("plain text answer")
            << FakeResponse::text(200, "data: a\n\n") << QStringList{} << client << 1 << invalid;
        QTest::newRow("server error body")
            << FakeResponse::text(503, "busy") << QStringList{} << server << 503 << "busy";
        QTest::newRow("server error, empty body")
            << FakeResponse::text(502, "") << QStringList{} << client << 1 << invalid;
    }

    void streamAnswers()
    {
        QFETCH(FakeResponse, answer);
        QFETCH(QStringList, pieces);
        QFETCH(QString, domain);
        QFETCH(int, code);
        QFETCH(QString, description);
        Fixture f;
        f.backend.on("POST", "/rewrite/stream", answer);
        const StreamResult result = runStream(f);
        QCOMPARE(result.pieces, pieces);
        QCOMPARE(result.error.has_value(), !domain.isEmpty());
        if (result.error) {
            QCOMPARE(result.error->domain(), domain);
            QCOMPARE(result.error->code(), code);
            QCOMPARE(result.error->description(), description);
        }
        const RecordedRequest request = f.backend.requests("POST", "/rewrite/stream").value(0);
        QCOMPARE(request.header("Accept-Encoding"), QByteArray("identity"));
        QVERIFY(!request.header("Accept"));
        QCOMPARE(request.header("Authorization"), "Bearer " + accessToken);
    }
};

QTEST_GUILESS_MAIN(RewriteAPITest)
#include "RewriteAPITest.moc"
