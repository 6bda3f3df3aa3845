// The openai engine against a small fake OpenAI-compatible server: the whole answer, streamed
// deltas, upstream errors before and during a stream, an unreachable upstream.

#include "OpenAIEngine.h"
#include "support/ServerFixture.h"

#include <QtTest>

using namespace velto::server;
using namespace velto::server::testing;

namespace {

const auto chunk = [](const json& delta, const json& finish = nullptr) {
    json choice = {{"index", 0}, {"delta", delta}, {"finish_reason", finish}};
    return "data: " + json{{"choices", {choice}}}.dump() + "\n\n";
};

// Answers /v1/chat/completions by the user message: "fail" gives a 500, "break" streams two
// deltas and drops the connection, "endless" never ends, anything else gives "Hello world"
// (whole or in deltas).
class FakeOpenAI
{
public:
    FakeOpenAI()
    {
        m_server.Post("/v1/chat/completions", [this](const auto& req, httplib::Response& res) {
            json body = json::parse(req.body);
            body["authorization"] = req.get_header_value("Authorization");
            m_requests.push_back(body); // one request at a time in these tests
            std::string text = body["messages"][1]["content"];
            if (text == "endless") {
                // Never stops: the whole answer's text, or deltas, a kilobyte at a time.
                const std::string more(1000, 'x');
                bool streamed = body.value("stream", false);
                res.set_chunked_content_provider(
                    streamed ? "text/event-stream" : "application/json",
                    [more, streamed, opened = false](size_t, auto& sink) mutable {
                        std::string out = streamed ? chunk({{"content", more}}) : more;
                        if (!streamed && !opened) {
                            out = R"({"choices":[{"message":{"content":")" + out;
                            opened = true;
                        }
                        return sink.write(out.data(), out.size());
                    });
            } else if (text == "fail") {
                res.status = 500;
                res.set_content("{\"error\":{\"message\":\"boom\"}}", "application/json");
            } else if (!body.value("stream", false)) {
                json message = {{"role", "assistant"}, {"content", "  Hello world\n"}};
                res.set_content(json{{"choices", {{{"message", message}}}}}.dump(),
                                "application/json");
            } else {
                std::string events = chunk({{"role", "assistant"}}) + chunk({{"content", "Hel"}}) +
                                     chunk({{"content", "lo"}});
                if (text != "break") {
                    events += chunk({{"content", " world"}}) + chunk(json::object(), "stop") +
                              "data: [DONE]\n\n";
                }
                res.set_chunked_content_provider(
                    "text/event-stream", [events, broken = text == "break"](size_t, auto& sink) {
                        sink.write(events.data(), events.size());
                        if (!broken) {
                            sink.done();
                        }
                        return !broken;
                    });
            }
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    ~FakeOpenAI()
    {
        m_server.stop();
        m_thread.join();
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/v1"; }

    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::vector<json> m_requests; // with the Authorization header as "authorization"
};

std::unique_ptr<RewriteEngine> engineFor(const std::string& url, std::size_t maxAnswerText = 0)
{
    UpstreamConfig cfg;
    if (maxAnswerText > 0) {
        cfg.maxAnswerText = maxAnswerText;
    }
    cfg.url = url;
    cfg.model = "test-model";
    cfg.apiKey = "sk-test";
    cfg.timeoutSeconds = 10;
    return std::make_unique<OpenAIEngine>(cfg);
}

} // namespace

class OpenAIEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void wholeAnswerIsRelayedTrimmed()
    {
        FakeOpenAI fake;
        // The URL may name the endpoint itself.
        ServerFixture s({}, engineFor(fake.url() + "/chat/completions"));
        Session session = s.signIn();
        auto res = s.post("/rewrite", rewriteBody("make this better", "professional", "french"),
                          ServerFixture::bearer(session.accessToken));
        QCOMPARE(res->status, 200);
        QCOMPARE(q(res->body), QString("Hello world"));
        QCOMPARE(fake.m_requests.size(), std::size_t(1));
        const json& r = fake.m_requests[0];
        QCOMPARE(q(r["model"]), QString("test-model"));
        QCOMPARE(r["stream"], json(false));
        QCOMPARE(q(r["messages"][0]["role"]), QString("system"));
        QVERIFY(q(r["messages"][0]["content"]).contains("professional"));
        QVERIFY(q(r["messages"][0]["content"]).contains("French"));
        QCOMPARE(q(r["messages"][1]["role"]), QString("user"));
        QCOMPARE(q(r["messages"][1]["content"]), QString("make this better"));
        QCOMPARE(q(r["authorization"]), QString("Bearer sk-test"));
        // The answer is bounded by the request too, not only by what we read of it.
        QVERIFY(r["max_tokens"].is_number_integer() && r["max_tokens"].get<int>() >= 16);
        json c = json::parse(s.config(session.accessToken)->body);
        QCOMPARE(c["languages"].size(), std::size_t(7));
        QCOMPARE(q(c["languages"][0]["id"]), QString("auto"));
    }

    void streamedDeltasBecomeEventsEndingWithDone()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url()));
        Session session = s.signIn();
        auto res = s.rewrite(session, "make this better", "/rewrite/stream");
        QCOMPARE(res->status, 200);
        QCOMPARE(q(res->get_header_value("Content-Type")), QString("text/event-stream"));
        QStringList events;
        for (const auto& e : parseSse(res->body)) {
            events << q(e.event + ":" + e.data);
        }
        QCOMPARE(events,
                 (QStringList{"message:Hel", "message:lo", "message: world", "message:[DONE]"}));
        QCOMPARE(fake.m_requests[0]["stream"], json(true));
    }

    // Before any text: a failing upstream, and one that is not there (a port that was just
    // given up). The upstream's own words are not passed on.
    void upstreamFailureIsARetryable502()
    {
        FakeOpenAI fake;
        std::string gone = FakeOpenAI().url();
        for (const auto& [url, text] : {std::pair(fake.url(), "fail"), std::pair(gone, "hi")}) {
            ServerFixture s({}, engineFor(url));
            Session session = s.signIn();
            for (const char* path : {"/rewrite", "/rewrite/stream"}) {
                auto res = s.rewrite(session, text, path);
                verifyError(res, 502, "upstream_error", true);
                QVERIFY(res->body.find("boom") == std::string::npos);
            }
        }
    }

    // An upstream that never stops is cut off a little past the cap, whole or streamed, with
    // a retryable error; the client never receives more than the cap.
    void anEndlessUpstreamIsCutOffAtTheCap()
    {
        FakeOpenAI fake;
        constexpr std::size_t cap = 64 * 1024;
        ServerFixture s({}, engineFor(fake.url(), cap));
        Session session = s.signIn();
        for (const char* path : {"/rewrite", "/rewrite/stream"}) {
            // Today's failure would be an answer without end: read at most a few caps of it.
            std::string body;
            int status = 0;
            httplib::Request req;
            req.method = "POST";
            req.path = path;
            req.headers = ServerFixture::bearer(session.accessToken);
            req.headers.emplace("Content-Type", "application/json");
            req.body = rewriteBody("endless").dump();
            req.response_handler = [&](const httplib::Response& r) {
                status = r.status;
                return true;
            };
            req.content_receiver = [&](const char* data, size_t length, uint64_t, uint64_t) {
                body.append(data, length);
                return body.size() < 8 * cap;
            };
            s.client().send(req);
            QVERIFY2(body.size() < 2 * cap, qPrintable(QString::number(body.size())));
            if (std::string(path) == "/rewrite") {
                QCOMPARE(status, 502);
                json e = json::parse(body)["error"];
                QCOMPARE(q(e["code"]), QString("upstream_error"));
                QCOMPARE(e["retryable"], json(true));
            } else {
                QCOMPARE(status, 200);
                auto events = parseSse(body);
                QVERIFY(!events.empty());
                QVERIFY(sseText(events).size() <= cap);
                QCOMPARE(q(events.back().event), QString("error"));
                json e = json::parse(events.back().data)["error"];
                QCOMPARE(q(e["code"]), QString("upstream_error"));
                QCOMPARE(e["retryable"], json(true));
            }
        }
    }

    void failureMidStreamIsAnErrorEvent()
    {
        FakeOpenAI fake;
        ServerFixture s({}, engineFor(fake.url()));
        Session session = s.signIn();
        auto res = s.rewrite(session, "break", "/rewrite/stream");
        QCOMPARE(res->status, 200);
        auto events = parseSse(res->body);
        QCOMPARE(events.size(), std::size_t(3));
        QCOMPARE(q(events[0].data + events[1].data), QString("Hello"));
        QCOMPARE(q(events[2].event), QString("error"));
        json e = json::parse(events[2].data)["error"];
        QCOMPARE(q(e["code"]), QString("upstream_error"));
        QCOMPARE(e["retryable"], json(true));
    }
};

QTEST_GUILESS_MAIN(OpenAIEngineTest)
#include "OpenAIEngineTest.moc"
