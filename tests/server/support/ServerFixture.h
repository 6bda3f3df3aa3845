#pragma once

// In-process velto-server for tests: a fresh store (SQLite in a temporary data directory, or
// a new database on the suite's PostgreSQL), a clock the test can move, port 0 on loopback,
// and the client-side steps of the sign-in handoff.

#include "Database.h"
#include "LocalEngine.h"
#include "SseDecoder.h"
#include "VeltoServer.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velto::server::testing {

using nlohmann::json;

struct Session
{
    std::string accessToken;
    std::string refreshToken;
    json answer;
};

// The events of a complete event-stream body, and the text of its "message" events.
inline std::vector<SseEvent> parseSse(const std::string& body)
{
    SseDecoder decoder;
    auto events = decoder.feed(body);
    for (auto& e : decoder.finish()) {
        events.push_back(std::move(e));
    }
    return events;
}

inline std::string sseText(const std::vector<SseEvent>& events)
{
    std::string out;
    for (const auto& e : events) {
        out += e.event == "message" && e.data != "[DONE]" ? e.data : "";
    }
    return out;
}

inline const auto q = [](const std::string& s) { return QString::fromStdString(s); };

template <class T> auto cell(const T& value)
{
    if constexpr (std::is_convertible_v<T, std::string>) {
        return QString::fromStdString(value);
    } else {
        return value;
    }
}

// A data row on one line; text columns are QString.
template <class... Columns> void row(const char* name, const Columns&... columns)
{
    (QTest::newRow(name) << ... << cell(columns));
}

inline json rewriteBody(const std::string& text, const std::string& tone = "grammar_fix",
                        const std::string& language = "auto")
{
    return {{"text", text}, {"tone", tone}, {"language", language}};
}

inline const httplib::Headers kApiKey = {{"apikey", "local-dev-anon-key"}};
inline const char* const kRefreshPath = "/auth/v1/token?grant_type=refresh_token";

// The answer carries the structured error body with this status and code, and its request id
// is the one of the "X-Request-Id" answer header.
inline void verifyError(const httplib::Result& res, int status, const std::string& code,
                        bool retryable = false)
{
    QVERIFY2(res, "no answer");
    QCOMPARE(res->status, status);
    QVERIFY(res->get_header_value("Content-Type").find("application/json") == 0);
    json body = json::parse(res->body, nullptr, false);
    QVERIFY2(body.is_object() && body.size() == 1 && body["error"].is_object(), res->body.c_str());
    const json& e = body["error"];
    QCOMPARE(e.size(), std::size_t(4));
    QVERIFY(e["code"].is_string() && e["retryable"].is_boolean() && e["request_id"].is_string());
    QCOMPARE(q(e["code"]), q(code));
    QVERIFY(e["message"].is_string() && !e["message"].get<std::string>().empty());
    QCOMPARE(e["retryable"].get<bool>(), retryable);
    QCOMPARE(q(e["request_id"]), q(res->get_header_value("X-Request-Id")));
}

// The same with status and code as one "status code" text, as data rows write it.
inline void verifyError(const httplib::Result& res, const QString& expected, bool retryable = false)
{
    verifyError(res, expected.section(' ', 0, 0).toInt(), expected.section(' ', 1).toStdString(),
                retryable);
}

// One value of a query on a store, or -1 when it gives no row.
inline std::int64_t countRows(const std::string& database, const std::string& sql,
                              const std::string& arg = {})
{
    auto db = Database::open(database, {}, 1);
    return db->read([&](Database::Session& session) {
        auto st = session.prepare(sql.c_str());
        if (!arg.empty()) {
            st->bind(1, arg);
        }
        return st->step() ? st->integer(0) : std::int64_t(-1);
    });
}

inline const auto nonce = [](char fill = 'A') { return std::string(43, fill); };

class ServerFixture
{
public:
    // Where a new fixture keeps its data when the test names no database: empty for SQLite
    // in the fixture's own folder; a suite on PostgreSQL sets it to make a fresh database.
    static std::function<std::string()>& freshDatabase()
    {
        static std::function<std::string()> fresh;
        return fresh;
    }

    // A store that outlives one fixture (a restart, two replicas): a new PostgreSQL database,
    // or an SQLite file in `dir`.
    static std::string newDatabase(const QTemporaryDir& dir)
    {
        if (freshDatabase()) {
            return freshDatabase()();
        }
        return "sqlite:" + dir.path().toStdString() + "/velto-server.sqlite3";
    }

    static bool onPostgres() { return static_cast<bool>(freshDatabase()); }

    // `database` is a Database::open location; empty: a fresh store.
    explicit ServerFixture(std::function<void(ServerOptions&)> configure = {},
                           std::unique_ptr<RewriteEngine> engine = nullptr,
                           std::string database = {})
    {
        m_options.host = "127.0.0.1";
        m_options.port = 0;
        m_options.dataDir = m_dir.path().toStdString();
        m_options.database =
            !database.empty() ? database : (freshDatabase() ? freshDatabase()() : "");
        m_options.localEmail = "tester@localhost";
        if (configure) {
            configure(m_options);
        }
        if (!engine) {
            engine = std::make_unique<LocalEngine>();
        }
        // The server's time stands still but for advance(): a second boundary crossed while a
        // test runs would otherwise make "59 s later" a minute.
        m_server = std::make_unique<VeltoServer>(m_options, std::move(engine),
                                                 [this] { return m_start + m_offset.load(); });
        m_server->setLogSink([this](const std::string& line) {
            std::lock_guard lock(m_logMutex);
            m_log.push_back(line);
        });
        m_server->bind();
        m_thread = std::thread([this] { m_server->listen(); });
        if (!QTest::qWaitFor([this] { return m_server->isRunning(); }, 5000)) {
            throw std::runtime_error("the server did not start");
        }
    }

    ~ServerFixture()
    {
        m_server->stop();
        m_thread.join();
    }

    void advance(std::int64_t seconds) { m_offset += seconds; }
    // The store's location, for countRows().
    std::string database() const
    {
        return m_options.database.empty() ? "sqlite:" + m_options.dataDir + "/velto-server.sqlite3"
                                          : m_options.database;
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_server->port()); }
    std::size_t waitingConnections() const { return m_server->connectionsWaiting(); }

    httplib::Client client() const
    {
        httplib::Client c(url());
        c.set_read_timeout(10);
        return c;
    }

    std::vector<std::string> logLines()
    {
        std::lock_guard lock(m_logMutex);
        return m_log;
    }

    // "GET /path" or "POST /path body", the body raw JSON text.
    httplib::Result send(const std::string& request, const httplib::Headers& headers = {}) const
    {
        auto pathAt = request.find(' ') + 1, bodyAt = request.find(' ', pathAt);
        auto path = request.substr(pathAt, bodyAt - pathAt);
        auto body = bodyAt == std::string::npos ? std::string() : request.substr(bodyAt + 1);
        return request.starts_with("GET ")
                   ? client().Get(path.c_str(), headers)
                   : client().Post(path.c_str(), headers, body, "application/json");
    }

    httplib::Result post(const std::string& path, const json& body,
                         const httplib::Headers& headers = {}) const
    {
        return send("POST " + path + " " + body.dump(), headers);
    }

    httplib::Result rewrite(const Session& session, const std::string& text,
                            const char* path = "/rewrite") const
    {
        return post(path, rewriteBody(text), bearer(session.accessToken));
    }

    httplib::Result config(const std::string& t) const
    {
        return client().Get("/config", bearer(t));
    }

    httplib::Result refresh(const std::string& refreshToken) const
    {
        return post(kRefreshPath, {{"refresh_token", refreshToken}}, kApiKey);
    }

    httplib::Result signInPage(const std::string& id) const
    {
        return send("GET /signin?handoff_id=" + id);
    }

    json start(const std::string& deviceNonce, const std::string& provider = "email") const
    {
        auto res = post("/auth/handoff/start", {{"client", "macos-velto"},
                                                {"client_version", "0.1.0"},
                                                {"device_nonce", deviceNonce},
                                                {"provider", provider}});
        if (!res || res->status != 200) {
            throw std::runtime_error("handoff start failed");
        }
        return json::parse(res->body);
    }

    httplib::Result pollResult(const std::string& id, const std::string& deviceNonce) const
    {
        return send("GET /auth/handoff/poll?handoff_id=" + id + "&device_nonce=" + deviceNonce);
    }

    json poll(const std::string& id, const std::string& deviceNonce) const
    {
        auto res = pollResult(id, deviceNonce);
        return res ? json::parse(res->body) : json();
    }

    httplib::Result submitForm(const std::string& form) const
    {
        return client().Post("/signin", form, "application/x-www-form-urlencoded");
    }

    // The browser's Continue on the page of handoff `id`; its status.
    int approve(const std::string& id) const
    {
        auto res = submitForm("handoff_id=" + id + "&action=continue");
        return res ? res->status : -1;
    }

    httplib::Result exchange(const std::string& id, const std::string& deviceNonce,
                             const json& code) const
    {
        return post("/auth/handoff/exchange",
                    {{"handoff_id", id}, {"device_nonce", deviceNonce}, {"exchange_code", code}});
    }

    // The whole handoff as the app and the browser do it; the session the exchange returns.
    Session signIn(const std::string& deviceNonce = nonce('S'))
    {
        std::string id = start(deviceNonce)["handoff_id"];
        if (approve(id) != 200) {
            throw std::runtime_error("sign-in form failed");
        }
        auto res = exchange(id, deviceNonce, poll(id, deviceNonce)["exchange_code"]);
        if (!res || res->status != 200) {
            throw std::runtime_error("exchange failed");
        }
        json answer = json::parse(res->body);
        return {answer["access_token"], answer["refresh_token"], answer};
    }

    static httplib::Headers bearer(const std::string& t)
    {
        return {{"Authorization", "Bearer " + t}};
    }

private:
    QTemporaryDir m_dir;
    ServerOptions m_options;
    const std::int64_t m_start = systemClock()();
    std::atomic<std::int64_t> m_offset{0};
    std::unique_ptr<VeltoServer> m_server;
    std::thread m_thread;
    std::mutex m_logMutex;
    std::vector<std::string> m_log;
};

} // namespace velto::server::testing
