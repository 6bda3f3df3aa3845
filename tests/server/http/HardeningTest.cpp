// What the server does against hostile clients on the same host: a page that rebinds its own
// name to the server (a foreign Host), a proxy in front of local sign-in, many password checks
// at once, control bytes meant for the log, and its files' modes.

#include "AccountStore.h"
#include "support/ServerFixture.h"
#include "support/TestRegistry.h"

#include <QRegularExpression>
#include <arpa/inet.h>

#include <latch>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velto::server;
using namespace velto::server::testing;

namespace {

httplib::Headers withHost(const std::string& host)
{
    return {{"Host", host}};
}

// A raw connection from `source` (any 127.x address is this machine's) to the server.
class RawConnection
{
public:
    RawConnection(const char* source, int port) : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        inet_pton(AF_INET, source, &from.sin_addr);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
            ::connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            throw std::runtime_error("cannot connect");
        }
    }
    ~RawConnection() { ::close(m_fd); }
    RawConnection(const RawConnection&) = delete;

    // False once the server no longer takes bytes (it closed the connection).
    bool send(const std::string& bytes)
    {
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, 2000) <= 0) {
            return false;
        }
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0;
    }

    // What the server sent until it closed, or until `waitMs` passed without a byte.
    std::string receiveAll(int waitMs)
    {
        std::string out;
        char buf[4096];
        pollfd p{m_fd, POLLIN, 0};
        while (::poll(&p, 1, waitMs) > 0) {
            ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0) {
                m_closed = true;
                break;
            }
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    bool closed() const { return m_closed; }

private:
    int m_fd;
    bool m_closed = false;
};

int portOf(const ServerFixture& s)
{
    return std::stoi(s.url().substr(s.url().rfind(':') + 1));
}

unsigned modeOf(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

class HardeningTest : public QObject
{
    Q_OBJECT

private slots:
    // A page served as evil.example that resolves to 127.0.0.1 walks the whole sign-in; every
    // step is refused, and the handoff a proper client started stays as it was.
    void aRebindingPageGetsNoToken()
    {
        ServerFixture s;
        const httplib::Headers evil = withHost("evil.example:" + s.url().substr(17));
        verifyError(s.post("/auth/handoff/start", {{"device_nonce", nonce()}}, evil), 421,
                    "misdirected_request");
        std::string id = s.start(nonce())["handoff_id"];
        auto page = s.client().Get(("/signin?handoff_id=" + id).c_str(), evil);
        QCOMPARE(page->status, 421);
        QVERIFY(page->get_header_value("Content-Type").find("text/html") == 0);
        auto form = s.client().Post("/signin", evil, "handoff_id=" + id + "&action=continue",
                                    "application/x-www-form-urlencoded");
        QCOMPARE(form->status, 421);
        verifyError(
            s.send("GET /auth/handoff/poll?handoff_id=" + id + "&device_nonce=" + nonce(), evil),
            421, "misdirected_request");
        QCOMPARE(s.poll(id, nonce()), json({{"status", "pending"}}));
        QCOMPARE(s.approve(id), 200);
        std::string code = s.poll(id, nonce())["exchange_code"];
        verifyError(s.post("/auth/handoff/exchange",
                           {{"handoff_id", id}, {"device_nonce", nonce()}, {"exchange_code", code}},
                           evil),
                    421, "misdirected_request");
        QCOMPARE(s.exchange(id, nonce(), code)->status, 200);
    }

    // A link someone else started shows their code, not the one the victim's app shows; the
    // store keeps only the nonce's hash.
    void theSignInPageShowsTheCodeTheAppShows()
    {
        ServerFixture s;
        json mine = s.start(nonce());
        json theirs = s.start(nonce('T'));
        std::string code = mine["user_code"];
        QVERIFY2(QRegularExpression("^[A-Z0-9]{4}-[A-Z0-9]{4}$").match(q(code)).hasMatch(),
                 code.c_str());
        QVERIFY(theirs["user_code"] != mine["user_code"]);
        auto page = s.signInPage(mine["handoff_id"]);
        QVERIFY(page->body.find(code) != std::string::npos);
        QVERIFY(page->body.find("macos-velto") != std::string::npos);
        QVERIFY(page->body.find(theirs["user_code"].get<std::string>()) == std::string::npos);
        QCOMPARE(countRows(s.database(), "SELECT count(*) FROM handoffs WHERE device_nonce = $1",
                           nonce()),
                 0);
        QCOMPARE(q(s.poll(mine["handoff_id"], nonce())["status"]), QString("pending"));
    }

    // The server's own names pass, with or without a port; any other name does not.
    void hostNames_data()
    {
        QTest::addColumn<QString>("publicUrl");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("status");
        row("the listen address", "", "127.0.0.1:1", 200);
        row("localhost", "", "localhost", 200);
        row("localhost with a final dot", "", "LocalHost.:8787", 200);
        row("another name", "", "evil.example", 421);
        row("a name ending in localhost", "", "evil.localhost.example", 421);
        row("another loopback address", "", "127.0.0.2", 421);
        row("the public URL's host", "http://velto.localhost:8787", "velto.localhost:8787", 200);
        row("not the public URL's host", "http://velto.localhost:8787", "evil.example", 421);
    }

    void hostNames()
    {
        QFETCH(QString, publicUrl);
        QFETCH(QString, host);
        QFETCH(int, status);
        ServerFixture s([&](ServerOptions& o) { o.publicUrl = publicUrl.toStdString(); });
        auto res = s.client().Get("/health", withHost(host.toStdString()));
        QVERIFY(res);
        QCOMPARE(res->status, status);
    }

    // Behind a proxy every request comes from the proxy's loopback address, so local sign-in
    // refuses forwarded requests; password sign-in does not depend on the address.
    void localSignInRefusesForwardedRequests_data()
    {
        QTest::addColumn<QString>("signin");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("status");
        row("local, X-Forwarded-For", "local", "X-Forwarded-For", 403);
        row("local, Forwarded", "local", "Forwarded", 403);
        row("password, X-Forwarded-For", "password", "X-Forwarded-For", 200);
    }

    void localSignInRefusesForwardedRequests()
    {
        QFETCH(QString, signin);
        QFETCH(QString, header);
        QFETCH(int, status);
        ServerFixture s([&](ServerOptions& o) { o.signin = signin.toStdString(); });
        std::string id = s.start(nonce())["handoff_id"];
        httplib::Headers headers = {{header.toStdString(), "for=203.0.113.7"}};
        auto page = s.client().Get(("/signin?handoff_id=" + id).c_str(), headers);
        QCOMPARE(page->status, status);
        QVERIFY(page->get_header_value("Content-Type").find("text/html") == 0);
        auto form = s.client().Post("/signin", headers, "handoff_id=" + id + "&action=continue",
                                    "application/x-www-form-urlencoded");
        QCOMPARE(q(s.poll(id, nonce())["status"]), QString("pending"));
        if (status == 403) {
            QCOMPARE(form->status, 403);
        }
    }

    // Forty connections from one address dribble their headers a byte at a time: they hold
    // at most their share of the workers, another address is still answered at once, and the
    // request deadline closes them although each byte came well within the read time-out.
    void slowClientsOfOneAddressStarveNoOne()
    {
        ServerFixture s([](ServerOptions& o) {
            o.threads = 8;
            o.requestTimeoutSeconds = 2;
        });
        std::vector<std::unique_ptr<RawConnection>> slow;
        for (int i = 0; i < 40; ++i) {
            slow.push_back(std::make_unique<RawConnection>("127.0.0.1", portOf(s)));
            slow.back()->send("GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n");
        }
        std::atomic<bool> dribbling{true};
        std::jthread dribbler([&] {
            while (dribbling) {
                for (auto& c : slow) {
                    c->send("X");
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        });
        RawConnection other("127.0.0.2", portOf(s));
        other.send("GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        // The read time-out of a stuck server would be the fixture's 15 s.
        std::string answer = other.receiveAll(5000);
        QVERIFY2(answer.rfind("HTTP/1.1 200", 0) == 0, answer.c_str());
        // The first slow ones hear 408 and are closed, although they kept sending.
        std::string timedOut = slow.front()->receiveAll(10000);
        dribbling = false;
        QVERIFY2(timedOut.rfind("HTTP/1.1 408", 0) == 0, timedOut.c_str());
        QVERIFY(timedOut.find("request_timeout") != std::string::npos);
        QVERIFY(slow.front()->closed());
    }

    // An endless header line is cut at the cap: the server answers 431 and stops reading,
    // long before the 48 MiB are sent.
    void anOversizedHeaderIsRefusedWithoutBeingRead()
    {
        ServerFixture s;
        RawConnection c("127.0.0.1", portOf(s));
        c.send("GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Long: ");
        const std::string chunk(64 * 1024, 'a');
        std::size_t sent = 0;
        while (sent < 48u * 1024 * 1024 && c.send(chunk)) {
            sent += chunk.size();
        }
        QVERIFY2(sent < 16u * 1024 * 1024, qPrintable(QString::number(sent)));
        std::string answer = c.receiveAll(5000);
        QVERIFY2(answer.rfind("HTTP/1.1 431", 0) == 0, answer.substr(0, 200).c_str());
        QVERIFY(answer.find("headers_too_large") != std::string::npos);
        // Headers below the cap are served as before.
        auto res = s.client().Get("/health", {{"X-Long", std::string(6 * 1024, 'a')},
                                              {"X-Longer", std::string(6 * 1024, 'b')}});
        QCOMPARE(res->status, 200);
    }

    // Each check costs 64 MiB: beyond the limit a check is refused at once with a page that
    // says to retry, never queued; the limit frees up again afterwards.
    void passwordChecksBeyondTheLimitAreRefused()
    {
        QTemporaryDir dir;
        std::string database = ServerFixture::newDatabase(dir);
        {
            auto db = Database::open(database, {}, 1);
            AccountStore(*db, systemClock()).addUser("ada@example.com", "correct horse");
        }
        ServerFixture s(
            [](ServerOptions& o) {
                o.signin = "password";
                o.passwordChecks = 1;
            },
            nullptr, database);
        std::string id = s.start(nonce())["handoff_id"];
        constexpr int attempts = 8;
        std::latch go(attempts);
        std::vector<int> statuses(attempts);
        std::vector<std::string> retryAfter(attempts);
        {
            std::vector<std::jthread> threads;
            for (int i = 0; i < attempts; ++i) {
                threads.emplace_back([&, i] {
                    go.arrive_and_wait();
                    auto res = s.submitForm("handoff_id=" + id +
                                            "&action=continue&email=ada%40example.com&password=no");
                    statuses[i] = res ? res->status : -1;
                    retryAfter[i] = res ? res->get_header_value("Retry-After") : "";
                });
            }
        }
        int refused = 0;
        for (int i = 0; i < attempts; ++i) {
            QVERIFY2(statuses[i] == 401 || statuses[i] == 503, qPrintable(QString::number(i)));
            if (statuses[i] == 503) {
                ++refused;
                QCOMPARE(q(retryAfter[i]), QString("1"));
            }
        }
        QVERIFY(refused > 0 && refused < attempts);
        auto res = s.submitForm("handoff_id=" + id +
                                "&action=continue&email=ada%40example.com&password=correct+horse");
        QCOMPARE(res->status, 200);
    }

    // A decoded "%0a" in a path would start a line of its own in the log.
    void controlBytesNeverForgeALogLine()
    {
        ServerFixture s;
        s.send("GET /x%0a2030-01-01T00:00:00Z%20POST%20/signin%20200%1b[2J");
        QTRY_VERIFY(!s.logLines().empty());
        for (const auto& line : s.logLines()) {
            for (char c : line) {
                QVERIFY2(static_cast<unsigned char>(c) >= 0x20, line.c_str());
            }
        }
        QVERIFY(s.logLines().back().find("/x\\x0a2030") != std::string::npos);
        QCOMPARE(q(VeltoServer::escapeForLog("a\\b\x7f")), QString("a\\x5cb\\x7f"));
    }

    // The store is readable by its owner only, also when the file was made before with the
    // umask's mode.
    void theSqliteFilesArePrivate()
    {
        if (ServerFixture::onPostgres()) {
            QSKIP("SQLite only");
        }
        QTemporaryDir dir;
        mode_t old = ::umask(022);
        std::string data = dir.path().toStdString() + "/data";
        {
            auto db = Database::open("", data, 1);
            AccountStore(*db, systemClock()).localAccount("a@localhost");
            QCOMPARE(modeOf(data), 0700u);
            for (const char* suffix : {"", "-wal", "-shm"}) {
                QCOMPARE(modeOf(data + "/velto-server.sqlite3" + suffix), 0600u);
            }
        }
        std::string loose = dir.path().toStdString() + "/loose.sqlite3";
        {
            auto db = Database::open("sqlite:" + loose, {}, 1);
        }
        ::chmod(loose.c_str(), 0644);
        {
            auto db = Database::open("sqlite:" + loose, {}, 1);
            QCOMPARE(modeOf(loose), 0600u);
        }
        ::umask(old);
    }
};

VELTO_REGISTER_TEST(HardeningTest);
#include "HardeningTest.moc"
