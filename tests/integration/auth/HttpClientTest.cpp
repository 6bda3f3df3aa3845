#include "net/HttpClient.h"
#include "fakes/auth/RunTask.h"
#include "fakes/http/FakeBackend.h"
#include "net/HttpClientError.h"
#include "support/TestRegistry.h"

#include <QTest>

using namespace velto;
using namespace std::chrono_literals;

namespace {

// A client against a fake backend; `get` answers or throws, `failure` says why it threw.
struct Net
{
    FakeBackend backend;
    HttpClient client;
    HttpRequestOptions options;

    HttpResponse get(const QString& path)
    {
        return runTask(client.send(QNetworkRequest(backend.url(path)), "GET", {}, options));
    }
    QString failure(const QUrl& url)
    {
        try {
            runTask(client.send(QNetworkRequest(url), "GET", {}, options));
        } catch (const AppError& error) {
            return error.description();
        }
        return QStringLiteral("<answered>");
    }
};

} // namespace

class HttpClientTest : public QObject
{
    Q_OBJECT

private slots:
    void errorStatusesAreAnswersWithTheirBodies()
    {
        Net net;
        for (int status : {400, 401, 404, 410, 429, 500, 503}) {
            const QByteArray n = QByteArray::number(status);
            net.backend.on(
                "GET", "/e",
                FakeResponse::text(status, "body " + n).withHeader("X-Request-Id", "id-" + n));
            const HttpResponse response = net.get("/e");
            QCOMPARE(response.statusCode(), status);
            QVERIFY(!response.isSuccess());
            QCOMPARE(response.body(), "body " + n);
            QCOMPARE(response.header("x-REQUEST-id"), "id-" + n);
        }
    }

    void sendsOnlyWhatTheRequestCarries()
    {
        Net net;
        net.get("/get");
        QNetworkRequest post(net.backend.url("/post"));
        post.setRawHeader("Content-Type", "application/json");
        runTask(net.client.send(post, "POST", R"({"a":"b"})"));

        const QList<RecordedRequest> requests = net.backend.requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[0].body.isEmpty());
        QVERIFY(!requests[0].header("content-type"));
        QCOMPARE(requests[0].header("content-length").value_or("0"), QByteArray("0"));
        QCOMPARE(requests[1].body, QByteArray(R"({"a":"b"})"));
        for (const RecordedRequest& request : requests) {
            QVERIFY(!request.header("authorization"));
            QVERIFY(!request.header("x-request-id"));
        }
    }

    // The time-out is for silence, not for the whole answer.
    void silenceBeyondTheTimeoutReadsAsTimedOut()
    {
        Net net;
        net.backend.on("GET", "/slow", FakeResponse::json(200, "{}").withDelay(5s));
        net.options.timeout = 200ms;
        const QString failure = net.failure(net.backend.url("/slow"));
        QVERIFY2(failure.contains("timed out"), qPrintable(failure));

        QList<FakeResponse::Chunk> chunks;
        for (int i = 0; i < 12; ++i)
            chunks.append({QByteArray::number(i) + ";", 100ms});
        // Not a compressible type: the server would hold compressed pieces back.
        net.backend.on("GET", "/trickle", FakeResponse::stream(chunks, "application/octet-stream"));
        net.options.timeout = 1000ms; // shorter than the whole answer, longer than any gap
        QCOMPARE(net.get("/trickle").body(), QByteArray("0;1;2;3;4;5;6;7;8;9;10;11;"));
    }

    void unreachableServerReadsAsNetworkTrouble()
    {
        QUrl closed;
        {
            FakeBackend backend;
            closed = backend.url("/x");
        }
        const QString failure = Net().failure(closed);
        QVERIFY2(failure.contains("network"), qPrintable(failure));
        QVERIFY2(failure.contains("refused"), qPrintable(failure));
    }

    void longBodiesStopAtTheLimit()
    {
        Net net;
        QByteArray big(4 * 1024 * 1024, 'b');
        big.replace(0, 5, "start");
        net.backend.on("GET", "/big", FakeResponse::text(500, big));
        net.options.maxBodyBytes = 1024;
        const HttpResponse response = net.get("/big");
        QCOMPARE(response.statusCode(), 500);
        QVERIFY(response.bodyTruncated());
        QCOMPARE(response.body(), big.left(1024));

        net.options.maxBodyBytes = big.size();
        const HttpResponse whole = net.get("/big");
        QVERIFY(!whole.bodyTruncated());
        QCOMPARE(whole.body().size(), big.size());
    }

    void onlyWebURLsAreFetched()
    {
        Net net;
        for (const char* url : {"file:///etc/hostname", "data:text/plain,hello", "nonsense"})
            QCOMPARE(net.failure(QUrl(url)), HttpClientError::invalidURL().description());
    }
};

VELTO_REGISTER_TEST(HttpClientTest);
#include "HttpClientTest.moc"
