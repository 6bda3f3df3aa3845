// POST /rewrite and /rewrite/stream over HTTP: the answer, every refusal (on both paths), the
// text limit, the per-user rate and stream limits and the event stream.

#include "support/ServerFixture.h"
#include "support/TestRegistry.h"

using namespace velto::server;
using namespace velto::server::testing;

// The local engine, but its streams send one piece and then wait until released.
class HeldStreamEngine : public LocalEngine
{
public:
    std::unique_ptr<RewriteStream> rewriteStream(const RewriteRequest&) override
    {
        ++m_started;
        return std::make_unique<Held>(*this);
    }
    int started() const { return m_started; }
    void release() { m_released = true; }

private:
    class Held : public RewriteStream
    {
    public:
        explicit Held(HeldStreamEngine& engine) : m_engine(engine) {}
        std::optional<std::string> next() override
        {
            if (m_sent) {
                while (!m_engine.m_released) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                return std::nullopt;
            }
            m_sent = true;
            return "held";
        }

    private:
        HeldStreamEngine& m_engine;
        bool m_sent = false;
    };

    std::atomic<int> m_started{0};
    std::atomic<bool> m_released{false};
};

class RewriteRoutesTest : public QObject
{
    Q_OBJECT

private slots:
    void rewriteAnswersTheWholeCleanedTextAsPlainText()
    {
        ServerFixture s;
        auto res = s.rewrite(s.signIn(), "this  is a test .");
        QCOMPARE(res->status, 200);
        QVERIFY(res->get_header_value("Content-Type").find("text/plain") == 0);
        QCOMPARE(q(res->body), QString("This is a test."));
    }

    // The body has single quotes for double; "status code" expected.
    void bothPathsRefuse_data()
    {
        QTest::addColumn<QString>("authorization"); // "session": the signed-in user's token
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("expected");
        const char* hi = "{'text':'hi'}";
        row("no token", "", hi, "401 unauthorized");
        row("basic", "Basic dXNlcjpwYXNz", hi, "401 unauthorized");
        row("bearer without token", "Bearer ", hi, "401 unauthorized");
        row("unknown token", "Bearer " + std::string(43, 'a'), hi, "401 unauthorized");
        row("not json", "session", "text=hello", "400 invalid_json");
        row("array", "session", "['hello']", "400 invalid_json");
        row("truncated", "session", "{'text':'hel", "400 invalid_json");
        row("text missing", "session", "{'tone':'concise'}", "400 invalid_request");
        row("text a number", "session", "{'text':42}", "400 invalid_request");
        row("tone a number", "session", "{'text':'hi','tone':1}", "400 invalid_request");
        row("language a list", "session", "{'text':'hi','language':['auto']}",
            "400 invalid_request");
        row("blank text", "session", "{'text':' \\n\\t '}", "400 empty_text");
        row("unknown tone", "session", "{'text':'hi','tone':'pirate'}", "400 unknown_tone");
        row("language the local engine cannot write", "session",
            "{'text':'hi','language':'french'}", "400 unsupported_language");
    }

    void bothPathsRefuse()
    {
        QFETCH(QString, authorization);
        QFETCH(QString, body);
        QFETCH(QString, expected);
        ServerFixture s;
        httplib::Headers headers;
        if (authorization == "session") {
            headers = ServerFixture::bearer(s.signIn().accessToken);
        } else if (!authorization.isEmpty()) {
            headers.emplace("Authorization", authorization.toStdString());
        }
        for (const char* path : {"/rewrite", "/rewrite/stream"}) {
            verifyError(
                s.send(std::string("POST ") + path + " " + body.replace('\'', '"').toStdString(),
                       headers),
                expected);
        }
    }

    void textLimit_data()
    {
        QTest::addColumn<std::size_t>("limit"); // 0: the default
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("status");
        row("at a limit of 100", std::size_t(100), 100, 200);
        row("over a limit of 100", std::size_t(100), 101, 413);
        // A body far beyond any text limit is refused before it is parsed.
        row("far over the limit", std::size_t(100), 100000, 413);
        row("default: 64 KiB", std::size_t(0), 65536, 200);
        row("default: a byte more", std::size_t(0), 65537, 413);
    }

    void textLimit()
    {
        QFETCH(std::size_t, limit);
        QFETCH(int, length);
        QFETCH(int, status);
        ServerFixture s([&](ServerOptions& o) { o.maxTextBytes = limit ? limit : o.maxTextBytes; });
        auto res = s.rewrite(s.signIn(), std::string(std::size_t(length), 'a'));
        if (status == 200) {
            QCOMPARE(res->status, 200);
        } else {
            verifyError(res, status, "payload_too_large");
        }
    }

    void rewritesAreRateLimitedPerUser()
    {
        ServerFixture s([](ServerOptions& o) { o.rewriteRatePerMinute = 3; });
        Session first = s.signIn(nonce('a'));
        Session second = s.signIn(nonce('b'));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(s.rewrite(first, "hi")->status, 200);
        }
        verifyError(s.rewrite(first, "hi"), 429, "rate_limited", true);
        verifyError(s.rewrite(first, "hi", "/rewrite/stream"), 429, "rate_limited", true);
        // Both sessions belong to the same local account, so they share its budget.
        verifyError(s.rewrite(second, "hi"), 429, "rate_limited", true);
    }

    void streamSendsWordPiecesEndingWithDone()
    {
        ServerFixture s;
        Session session = s.signIn();
        std::string text = "hello   world ,i am here .\n\n\n\nnew  paragraph";
        httplib::Headers h = ServerFixture::bearer(session.accessToken);
        // Qt asks for compressed bodies; a compressed stream would be held back until the end.
        h.emplace("Accept-Encoding", "gzip, deflate, br");
        auto res = s.post("/rewrite/stream", rewriteBody(text), h);
        QCOMPARE(res->status, 200);
        QCOMPARE(q(res->get_header_value("Content-Type")), QString("text/event-stream"));
        QVERIFY(!res->has_header("Content-Encoding"));
        QCOMPARE(q(res->get_header_value("Transfer-Encoding")), QString("chunked"));
        auto events = parseSse(res->body);
        QVERIFY(events.size() > 3);
        QCOMPARE(q(events.back().data), QString("[DONE]"));
        QCOMPARE(q(sseText(events)), q(s.rewrite(session, text)->body));
        QCOMPARE(q(sseText(events)), QString("Hello world, I am here.\n\nNew paragraph"));
    }

    // Each open stream holds a worker: one user may hold only so many; the slot is free again
    // once a stream ends.
    void aUserMayOpenOnlySoManyStreams()
    {
        auto engine = std::make_unique<HeldStreamEngine>();
        HeldStreamEngine& held = *engine;
        ServerFixture s([](ServerOptions& o) { o.streamsPerUser = 1; }, std::move(engine));
        Session session = s.signIn();
        int firstStatus = 0;
        std::string firstBody;
        std::jthread firstStream([&] {
            auto res = s.rewrite(session, "one", "/rewrite/stream");
            firstStatus = res ? res->status : -1;
            firstBody = res ? res->body : "";
        });
        QVERIFY(QTest::qWaitFor([&] { return held.started() == 1; }, 5000));
        verifyError(s.rewrite(session, "two", "/rewrite/stream"), 429, "too_many_streams", true);
        QCOMPARE(s.rewrite(session, "whole")->status, 200);
        held.release();
        firstStream.join();
        QCOMPARE(firstStatus, 200);
        QCOMPARE(q(sseText(parseSse(firstBody))), QString("held"));
        QCOMPARE(s.rewrite(session, "three", "/rewrite/stream")->status, 200);
    }
};

VELTO_REGISTER_TEST(RewriteRoutesTest);
#include "RewriteRoutesTest.moc"
