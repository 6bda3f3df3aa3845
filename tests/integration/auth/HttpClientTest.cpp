#include "auth/HttpClient.h"
#include "auth/HttpClientError.h"
#include "fakes/auth/RunTask.h"
#include "fakes/http/FakeBackend.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;
using namespace std::chrono_literals;

namespace {

QString failureOf(QCoro::Task<HttpResponse> task)
{
    try {
        runTask(std::move(task));
    } catch (const AppError& error) {
        return error.description();
    }
    return QStringLiteral("<answered>");
}

} // namespace

class HttpClientTest : public QObject
{
    Q_OBJECT

private slots:
    void errorStatusesAreAnswersWithTheirBodies()
    {
        FakeBackend backend;
        HttpClient client;
        for (int status : {400, 401, 404, 410, 429, 500, 503}) {
            backend.on("GET", "/e",
                       FakeResponse::text(status, "body " + QByteArray::number(status))
                           .withHeader("X-Request-Id", "id-" + QByteArray::number(status)));
            const HttpResponse response =
                runTask(client.send(QNetworkRequest(backend.url("/e")), "GET"));
            QCOMPARE(response.statusCode(), status);
            QVERIFY(!response.isSuccess());
            QCOMPARE(response.body(), "body " + QByteArray::number(status));
            QCOMPARE(response.header("x-REQUEST-id"), "id-" + QByteArray::number(status));
        }
    }

    void sendsOnlyWhatTheRequestCarries()
    {
        FakeBackend backend;
        HttpClient client;
        runTask(client.send(QNetworkRequest(backend.url("/get")), "GET"));
        QNetworkRequest post(backend.url("/post"));
        post.setRawHeader("Content-Type", "application/json");
        runTask(client.send(post, "POST", R"({"a":"b"})"));

        const QList<RecordedRequest> requests = backend.requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[0].body.isEmpty());
        QVERIFY(!requests[0].header("content-type"));
        QVERIFY(!requests[0].header("content-length") ||
                requests[0].header("content-length") == "0");
        QCOMPARE(requests[1].body, QByteArray(R"({"a":"b"})"));
        for (const RecordedRequest& request : requests) {
            QVERIFY(!request.header("authorization"));
            QVERIFY(!request.header("x-request-id"));
        }
    }

    void silenceBeyondTheTimeoutReadsAsTimedOut()
    {
        FakeBackend backend;
        backend.on("GET", "/slow", FakeResponse::json(200, "{}").withDelay(5s));
        HttpClient client;
        HttpRequestOptions options;
        options.timeout = 200ms;
        const QString failure =
            failureOf(client.send(QNetworkRequest(backend.url("/slow")), "GET", {}, options));
        QVERIFY2(failure.contains("timed out"), qPrintable(failure));
    }

    void steadyTrickleIsNotATimeout()
    {
        FakeBackend backend;
        QList<FakeResponse::Chunk> chunks;
        for (int i = 0; i < 12; ++i)
            chunks.append({QByteArray::number(i) + ";", 100ms});
        // Not a compressible type: the server would hold compressed pieces back.
        backend.on("GET", "/trickle", FakeResponse::stream(chunks, "application/octet-stream"));
        HttpClient client;
        HttpRequestOptions options;
        options.timeout = 1000ms; // shorter than the whole answer, longer than any gap
        const HttpResponse response =
            runTask(client.send(QNetworkRequest(backend.url("/trickle")), "GET", {}, options));
        QCOMPARE(response.body(), QByteArray("0;1;2;3;4;5;6;7;8;9;10;11;"));
    }

    void unreachableServerReadsAsNetworkTrouble()
    {
        QUrl closed;
        {
            FakeBackend backend;
            closed = backend.url("/x");
        }
        HttpClient client;
        const QString failure = failureOf(client.send(QNetworkRequest(closed), "GET"));
        QVERIFY2(failure.contains("network"), qPrintable(failure));
        QVERIFY2(failure.contains("refused"), qPrintable(failure));
    }

    void longBodiesStopAtTheLimit()
    {
        FakeBackend backend;
        QByteArray big(4 * 1024 * 1024, 'b');
        big.replace(0, 5, "start");
        backend.on("GET", "/big", FakeResponse::text(500, big));
        HttpClient client;
        HttpRequestOptions options;
        options.maxBodyBytes = 1024;
        const HttpResponse response =
            runTask(client.send(QNetworkRequest(backend.url("/big")), "GET", {}, options));
        QCOMPARE(response.statusCode(), 500);
        QVERIFY(response.bodyTruncated());
        QCOMPARE(response.body(), big.left(1024));

        options.maxBodyBytes = big.size();
        const HttpResponse whole =
            runTask(client.send(QNetworkRequest(backend.url("/big")), "GET", {}, options));
        QVERIFY(!whole.bodyTruncated());
        QCOMPARE(whole.body().size(), big.size());
    }

    void onlyWebURLsAreFetched()
    {
        HttpClient client;
        for (const char* url : {"file:///etc/hostname", "data:text/plain,hello", "nonsense"}) {
            QCOMPARE(failureOf(client.send(QNetworkRequest(QUrl(url)), "GET")),
                     HttpClientError::invalidURL().description());
        }
    }
};

VELTO_REGISTER_TEST(HttpClientTest);
#include "HttpClientTest.moc"
