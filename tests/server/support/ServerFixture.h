#pragma once

// In-process velto-server for tests: a fresh store (SQLite in a temporary data directory, or
// a new database on the suite's PostgreSQL), a clock the test can move, port 0 on loopback,
// and the client-side steps of the sign-in handoff.

#include "LocalEngine.h"
#include "VeltoServer.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <QTemporaryDir>
#include <QTest>

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

struct SseEvents
{
    std::vector<std::pair<std::string, std::string>> events; // (name, data)
    std::string text() const
    {
        std::string out;
        for (const auto& [name, data] : events) {
            if (name == "message" && data != "[DONE]") {
                out += data;
            }
        }
        return out;
    }
};

// Parses a complete event-stream body the way the client does (blank-line blocks, "data:"
// lines joined by "\n", one leading space removed).
inline SseEvents parseSse(const std::string& body)
{
    SseEvents out;
    std::size_t pos = 0;
    while (pos < body.size()) {
        auto end = body.find("\n\n", pos);
        std::string block =
            body.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? body.size() : end + 2;
        std::string name = "message";
        std::string data;
        bool has = false;
        std::size_t lp = 0;
        while (lp <= block.size()) {
            auto nl = block.find('\n', lp);
            std::string line =
                block.substr(lp, nl == std::string::npos ? std::string::npos : nl - lp);
            lp = nl == std::string::npos ? block.size() + 1 : nl + 1;
            if (line.rfind("event:", 0) == 0) {
                name = line.substr(6);
                if (!name.empty() && name[0] == ' ') {
                    name.erase(0, 1);
                }
            } else if (line.rfind("data:", 0) == 0) {
                std::string v = line.substr(5);
                if (!v.empty() && v[0] == ' ') {
                    v.erase(0, 1);
                }
                if (has) {
                    data += '\n';
                }
                data += v;
                has = true;
            }
        }
        if (has && !data.empty()) {
            out.events.emplace_back(name, data);
        }
    }
    return out;
}

inline std::string nonce(char fill = 'A')
{
    return std::string(43, fill);
}

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
        options_.host = "127.0.0.1";
        options_.port = 0;
        options_.dataDir = dir_.path().toStdString();
        options_.database =
            !database.empty() ? database : (freshDatabase() ? freshDatabase()() : "");
        options_.localEmail = "tester@localhost";
        if (configure) {
            configure(options_);
        }
        if (!engine) {
            engine = std::make_unique<LocalEngine>();
        }
        // The server's time stands still but for advance(): a second boundary crossed while a
        // test runs would otherwise make "59 s later" a minute.
        server_ = std::make_unique<VeltoServer>(options_, std::move(engine),
                                                [this] { return start_ + offset_.load(); });
        server_->setLogSink([this](const std::string& line) {
            std::lock_guard lock(logMutex_);
            log_.push_back(line);
        });
        server_->bind();
        thread_ = std::thread([this] { server_->listen(); });
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!server_->isRunning() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    ~ServerFixture()
    {
        server_->stop();
        thread_.join();
    }

    static std::int64_t realNow()
    {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }

    void advance(std::int64_t seconds) { offset_ += seconds; }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(server_->port()); }
    std::string dataDir() const { return options_.dataDir; }
    std::string database() const
    {
        return options_.database.empty() ? "sqlite:" + options_.dataDir + "/velto-server.sqlite3"
                                         : options_.database;
    }
    std::size_t waitingConnections() const { return server_->connectionsWaiting(); }

    httplib::Client client() const
    {
        httplib::Client c(url());
        c.set_read_timeout(10);
        return c;
    }

    std::vector<std::string> logLines()
    {
        std::lock_guard lock(logMutex_);
        return log_;
    }

    httplib::Result postJson(const std::string& path, const json& body,
                             httplib::Headers headers = {}) const
    {
        return client().Post(path.c_str(), headers, body.dump(), "application/json");
    }

    json start(const std::string& deviceNonce, const std::string& provider = "email") const
    {
        auto res = postJson("/auth/handoff/start", {{"client", "macos-velto"},
                                                    {"client_version", "0.1.0"},
                                                    {"device_nonce", deviceNonce},
                                                    {"provider", provider}});
        if (!res || res->status != 200) {
            throw std::runtime_error("handoff start failed");
        }
        return json::parse(res->body);
    }

    json poll(const std::string& id, const std::string& deviceNonce) const
    {
        auto res = client().Get(
            ("/auth/handoff/poll?handoff_id=" + id + "&device_nonce=" + deviceNonce).c_str());
        if (!res) {
            throw std::runtime_error("poll failed");
        }
        return json::parse(res->body);
    }

    httplib::Result submitForm(const std::string& form) const
    {
        return client().Post("/signin", form, "application/x-www-form-urlencoded");
    }

    // The whole handoff as the app and the browser do it; the session the exchange returns.
    Session signIn(const std::string& deviceNonce = nonce('S'))
    {
        json started = start(deviceNonce);
        std::string id = started["handoff_id"];
        auto page = submitForm("handoff_id=" + id + "&action=continue");
        if (!page || page->status != 200) {
            throw std::runtime_error("sign-in form failed");
        }
        json polled = poll(id, deviceNonce);
        auto res = postJson("/auth/handoff/exchange", {{"handoff_id", id},
                                                       {"device_nonce", deviceNonce},
                                                       {"exchange_code", polled["exchange_code"]}});
        if (!res || res->status != 200) {
            throw std::runtime_error("exchange failed");
        }
        json answer = json::parse(res->body);
        return {answer["access_token"], answer["refresh_token"], answer};
    }

    static httplib::Headers bearer(const std::string& token)
    {
        return {{"Authorization", "Bearer " + token}};
    }

private:
    QTemporaryDir dir_;
    ServerOptions options_;
    const std::int64_t start_ = realNow();
    std::atomic<std::int64_t> offset_{0};
    std::unique_ptr<VeltoServer> server_;
    std::thread thread_;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

} // namespace velto::server::testing
