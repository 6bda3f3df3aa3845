// The openai engine against a small fake OpenAI-compatible server: the whole answer, streamed
// deltas, upstream errors before and during a stream, an unreachable upstream.

#include "OpenAIEngine.h"
#include "support/ServerFixture.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace velto::server;
using namespace velto::server::testing;

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

std::string chunk(const json& delta, const json& finish = nullptr)
{
    json c = {
        {"id", "c1"},
        {"object", "chat.completion.chunk"},
        {"choices", json::array({{{"index", 0}, {"delta", delta}, {"finish_reason", finish}}})}};
    return "data: " + c.dump() + "\n\n";
}

// Answers /v1/chat/completions by the user message: "fail" gives a 500, "break" streams two
// deltas and drops the connection, anything else gives "Hello world" (whole or in deltas).
class FakeOpenAI
{
public:
    FakeOpenAI()
    {
        server_.Post("/v1/chat/completions", [this](const httplib::Request& req,
                                                    httplib::Response& res) {
            json body = json::parse(req.body);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(body);
                authorizations_.push_back(req.get_header_value("Authorization"));
            }
            std::string text = body["messages"][1]["content"];
            if (text == "fail") {
                res.status = 500;
                res.set_content("{\"error\":{\"message\":\"boom\"}}", "application/json");
                return;
            }
            if (!body.value("stream", false)) {
                json answer = {
                    {"choices",
                     json::array(
                         {{{"index", 0},
                           {"message", {{"role", "assistant"}, {"content", "  Hello world\n"}}},
                           {"finish_reason", "stop"}}})}};
                res.set_content(answer.dump(), "application/json");
                return;
            }
            bool broken = text == "break";
            res.set_chunked_content_provider(
                "text/event-stream", [broken](size_t, httplib::DataSink& sink) {
                    std::string events = chunk({{"role", "assistant"}}) +
                                         chunk({{"content", "Hel"}}) + chunk({{"content", "lo"}});
                    sink.write(events.data(), events.size());
                    if (broken) {
                        return false;
                    }
                    std::string rest = chunk({{"content", " world"}}) +
                                       chunk(json::object(), "stop") + "data: [DONE]\n\n";
                    sink.write(rest.data(), rest.size());
                    sink.done();
                    return true;
                });
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    ~FakeOpenAI()
    {
        server_.stop();
        thread_.join();
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/v1"; }

    std::vector<json> requests()
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    std::vector<std::string> authorizations()
    {
        std::lock_guard lock(mutex_);
        return authorizations_;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<json> requests_;
    std::vector<std::string> authorizations_;
};

std::unique_ptr<RewriteEngine> engineFor(const std::string& url)
{
    UpstreamConfig cfg;
    cfg.url = url;
    cfg.model = "test-model";
    cfg.apiKey = "sk-test";
    cfg.timeoutSeconds = 10;
    return std::make_unique<OpenAIEngine>(cfg);
}

json rewriteBody(const std::string& text, const std::string& language = "auto")
{
    return {{"text", text}, {"tone", "professional"}, {"language", language}};
}

} // namespace

class OpenAIEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void wholeAnswerIsRelayedTrimmed()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url()));
        Session session = s.signIn();
        auto res = s.postJson("/rewrite", rewriteBody("make this better", "french"),
                              ServerFixture::bearer(session.accessToken));
        QCOMPARE(res->status, 200);
        QCOMPARE(q(res->body), QString("Hello world"));
        auto requests = fake.requests();
        QCOMPARE(requests.size(), std::size_t(1));
        const json& r = requests[0];
        QCOMPARE(q(r["model"]), QString("test-model"));
        QCOMPARE(r["stream"], json(false));
        QCOMPARE(q(r["messages"][0]["role"]), QString("system"));
        QVERIFY(r["messages"][0]["content"].get<std::string>().find("professional") !=
                std::string::npos);
        QVERIFY(r["messages"][0]["content"].get<std::string>().find("French") != std::string::npos);
        QCOMPARE(q(r["messages"][1]["role"]), QString("user"));
        QCOMPARE(q(r["messages"][1]["content"]), QString("make this better"));
        QCOMPARE(q(fake.authorizations()[0]), QString("Bearer sk-test"));
    }

    void configOffersEveryLanguage()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url()));
        Session session = s.signIn();
        json c = json::parse(
            s.client().Get("/config", ServerFixture::bearer(session.accessToken))->body);
        QCOMPARE(c["languages"].size(), std::size_t(7));
        QCOMPARE(q(c["languages"][0]["id"]), QString("auto"));
    }

    void streamedDeltasBecomeEventsEndingWithDone()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url()));
        Session session = s.signIn();
        auto res = s.postJson("/rewrite/stream", rewriteBody("make this better"),
                              ServerFixture::bearer(session.accessToken));
        QCOMPARE(res->status, 200);
        QCOMPARE(q(res->get_header_value("Content-Type")), QString("text/event-stream"));
        SseEvents events = parseSse(res->body);
        std::vector<std::pair<std::string, std::string>> expected = {
            {"message", "Hel"}, {"message", "lo"}, {"message", " world"}, {"message", "[DONE]"}};
        QCOMPARE(events.events, expected);
        QCOMPARE(fake.requests()[0]["stream"], json(true));
    }

    void upstreamErrorIsARetryable502()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url()));
        Session session = s.signIn();
        for (const char* path : {"/rewrite", "/rewrite/stream"}) {
            auto res =
                s.postJson(path, rewriteBody("fail"), ServerFixture::bearer(session.accessToken));
            QCOMPARE(res->status, 502);
            json e = json::parse(res->body)["error"];
            QCOMPARE(q(e["code"]), QString("upstream_error"));
            QCOMPARE(e["retryable"], json(true));
            QCOMPARE(q(e["request_id"]), q(res->get_header_value("X-Request-Id")));
            // The upstream's own words are not passed on.
            QVERIFY(res->body.find("boom") == std::string::npos);
        }
    }

    void failureMidStreamIsAnErrorEvent()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url()));
        Session session = s.signIn();
        auto res = s.postJson("/rewrite/stream", rewriteBody("break"),
                              ServerFixture::bearer(session.accessToken));
        QCOMPARE(res->status, 200);
        SseEvents events = parseSse(res->body);
        QCOMPARE(events.events.size(), std::size_t(3));
        QCOMPARE(q(events.events[0].second), QString("Hel"));
        QCOMPARE(q(events.events[1].second), QString("lo"));
        QCOMPARE(q(events.events[2].first), QString("error"));
        json e = json::parse(events.events[2].second)["error"];
        QCOMPARE(q(e["code"]), QString("upstream_error"));
        QCOMPARE(e["retryable"], json(true));
    }

    void unreachableUpstreamIsA502()
    {
        // A port that was free a moment ago: bound, read back and closed again.
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        int freePort = ntohs(addr.sin_port);
        ::close(fd);
        ServerFixture s({}, engineFor("http://127.0.0.1:" + std::to_string(freePort) + "/v1"));
        Session session = s.signIn();
        for (const char* path : {"/rewrite", "/rewrite/stream"}) {
            auto res =
                s.postJson(path, rewriteBody("hi"), ServerFixture::bearer(session.accessToken));
            QVERIFY(res);
            QCOMPARE(res->status, 502);
            QCOMPARE(q(json::parse(res->body)["error"]["code"]), QString("upstream_error"));
        }
    }

    void urlMayNameTheEndpointItself()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url() + "/chat/completions"));
        Session session = s.signIn();
        QCOMPARE(
            s.postJson("/rewrite", rewriteBody("x"), ServerFixture::bearer(session.accessToken))
                ->status,
            200);
    }
};

QTEST_GUILESS_MAIN(OpenAIEngineTest)
#include "OpenAIEngineTest.moc"
