// Load generator for velto-server's "rewrite" endpoint (the local engine): signs in through the
// handoff like the app does (playing the browser on the local sign-in page), then drives
// "rewrite" from N keep-alive connections that all connect at once, bounded by time and request
// count, and prints requests per second, latency percentiles and every failed request. Beside
// each figure stands the ceiling: the same HTTP library, with velto-server's connection
// settings, answering a constant body (`--serve-constant`), measured in the same run. Loopback
// only.
#include "GuardedHttpServer.h"
#include "HttpConnections.h"
#include "ServerOptions.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <pthread.h>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

struct Options
{
    // More than one: replicas on one database; connection i goes to replica i mod N, as a
    // round-robin load balancer would send it.
    std::vector<std::string> urls;
    std::string ceilingUrl;
    std::vector<int> connections = {4, 16, 64, 256};
    double seconds = 3;
    long maxRequests = 200000;
    std::string text = "this  is a test , i think the the result is  fine .";
    bool serveConstant = false;
};

struct Figures
{
    double requestsPerSecond = 0;
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    long ok = 0;
    long slowerThanASecond = 0;
    // What went wrong, and how often: a transport error or an unexpected status.
    std::map<std::string, long> failures;

    long failed() const
    {
        long n = 0;
        for (const auto& [what, count] : failures) {
            n += count;
        }
        return n;
    }
};

[[noreturn]] void die(const std::string& message)
{
    std::cerr << "server-load: " << message << "\n";
    std::exit(1);
}

bool isLoopbackUrl(const std::string& url)
{
    return url.find("://127.") != std::string::npos ||
           url.find("://localhost") != std::string::npos ||
           url.find("://[::1]") != std::string::npos;
}

std::string randomNonce()
{
    static const char* alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::random_device rd;
    std::string out;
    for (int i = 0; i < 43; ++i) {
        out += alphabet[rd() % 64];
    }
    return out;
}

std::string signIn(const std::string& url)
{
    httplib::Client client(url);
    std::string nonce = randomNonce();
    json start = {{"client", "server-load"},
                  {"client_version", "1"},
                  {"device_nonce", nonce},
                  {"provider", "email"}};
    auto started = client.Post("/auth/handoff/start", start.dump(), "application/json");
    if (!started || started->status != 200) {
        die("handoff start failed (is velto-server running at " + url + " with --signin local?)");
    }
    std::string id = json::parse(started->body).at("handoff_id");
    auto form = client.Post("/signin", "handoff_id=" + id + "&action=continue",
                            "application/x-www-form-urlencoded");
    if (!form || form->status != 200) {
        die("the local sign-in page refused the sign-in");
    }
    auto polled = client.Get("/auth/handoff/poll?handoff_id=" + id + "&device_nonce=" + nonce);
    if (!polled || polled->status != 200) {
        die("handoff poll failed");
    }
    json poll = json::parse(polled->body);
    if (poll.value("status", "") != "ready") {
        die("handoff not ready after sign-in");
    }
    json exchange = {
        {"handoff_id", id}, {"device_nonce", nonce}, {"exchange_code", poll.at("exchange_code")}};
    auto exchanged = client.Post("/auth/handoff/exchange", exchange.dump(), "application/json");
    if (!exchanged || exchanged->status != 200) {
        die("handoff exchange failed");
    }
    return json::parse(exchanged->body).at("access_token");
}

// Drives POST /rewrite from `connections` clients that all start at once.
Figures drive(const Options& o, const std::vector<std::string>& urls, int connections,
              const std::string& token, const std::string& body)
{
    std::atomic<long> issued{0};
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(connections));
    std::mutex failuresMutex;
    Figures f;
    auto begin = Clock::now();
    auto deadline = begin + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>(o.seconds));
    std::vector<std::thread> workers;
    for (int c = 0; c < connections; ++c) {
        workers.emplace_back([&, c] {
            httplib::Client client(urls[static_cast<std::size_t>(c) % urls.size()]);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_connection_timeout(10);
            client.set_read_timeout(10);
            httplib::Headers headers = {{"Authorization", "Bearer " + token}};
            auto& mine = latencies[static_cast<std::size_t>(c)];
            while (Clock::now() < deadline && issued.fetch_add(1) < o.maxRequests) {
                auto t0 = Clock::now();
                auto res = client.Post("/rewrite", headers, body, "application/json");
                std::chrono::duration<double, std::milli> ms = Clock::now() - t0;
                if (!res || res->status != 200) {
                    std::string what = res ? "status " + std::to_string(res->status)
                                           : "error " + httplib::to_string(res.error());
                    std::lock_guard lock(failuresMutex);
                    ++f.failures[what];
                    continue;
                }
                mine.push_back(ms.count());
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    std::chrono::duration<double> elapsed = Clock::now() - begin;

    std::vector<double> all;
    for (auto& l : latencies) {
        all.insert(all.end(), l.begin(), l.end());
    }
    std::sort(all.begin(), all.end());
    auto pct = [&](double p) {
        if (all.empty()) {
            return 0.0;
        }
        return all[static_cast<std::size_t>(p * static_cast<double>(all.size() - 1))];
    };
    f.ok = static_cast<long>(all.size());
    f.requestsPerSecond = static_cast<double>(all.size()) / elapsed.count();
    f.p50 = pct(0.50);
    f.p99 = pct(0.99);
    f.max = all.empty() ? 0.0 : all.back();
    f.slowerThanASecond =
        std::count_if(all.begin(), all.end(), [](double ms) { return ms > 1000; });
    return f;
}

// The ceiling: the same library and connection settings, a constant answer, no work.
int serveConstant()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    velto::server::ServerOptions defaults;
    velto::server::HttpConnections connections(defaults.threads, defaults.listenBacklog,
                                               defaults.clientTimeoutSeconds);
    velto::server::GuardedHttpServer http(connections);
    connections.configure(http);
    http.set_pre_routing_handler([&](const httplib::Request&, httplib::Response& res) {
        connections.yieldWhenBusy(res);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.Post("/rewrite", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("This is a test, I think the result is fine.", "text/plain; charset=utf-8");
    });
    int port = connections.bind(http, "127.0.0.1", 0);
    std::cout << "listening on http://127.0.0.1:" << port << std::endl;
    std::thread waiter([&] {
        int received = 0;
        sigwait(&signals, &received);
        http.stop();
    });
    http.listen_after_bind();
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return 0;
}

std::vector<int> parseCounts(const std::string& list)
{
    std::vector<int> counts;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        int n = std::stoi(item);
        if (n < 1 || n > 1024) {
            die("connection counts run from 1 to 1024");
        }
        counts.push_back(n);
    }
    if (counts.empty()) {
        die("--connections needs a list such as 4,16,64,256");
    }
    return counts;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                die(a + " needs a value");
            }
            return argv[++i];
        };
        try {
            if (a == "--url") {
                o.urls.push_back(value());
            } else if (a == "--ceiling-url") {
                o.ceilingUrl = value();
            } else if (a == "--connections") {
                o.connections = parseCounts(value());
            } else if (a == "--seconds") {
                o.seconds = std::min(300.0, std::max(0.1, std::stod(value())));
            } else if (a == "--requests") {
                o.maxRequests = std::max(1L, std::stol(value()));
            } else if (a == "--text") {
                o.text = value();
            } else if (a == "--serve-constant") {
                o.serveConstant = true;
            } else {
                std::cerr << "usage: velto-server-load [--url http://127.0.0.1:8787]... "
                             "[--ceiling-url URL] [--connections 4,16,64,256] [--seconds S] "
                             "[--requests N] [--text TEXT]\n"
                             "       velto-server-load --serve-constant\n";
                return a == "--help" ? 0 : 2;
            }
        } catch (const std::logic_error&) {
            die(a + " needs a number");
        }
    }
    if (o.serveConstant) {
        return serveConstant();
    }
    if (o.urls.empty()) {
        o.urls.push_back("http://127.0.0.1:8787");
    }
    for (const auto& url : o.urls) {
        if (!isLoopbackUrl(url)) {
            die("loopback addresses only");
        }
    }
    if (!o.ceilingUrl.empty() && !isLoopbackUrl(o.ceilingUrl)) {
        die("loopback addresses only");
    }

    // Signed in on the first replica; the token works on all of them.
    std::string token = signIn(o.urls.front());
    std::string body = json{{"text", o.text}, {"tone", "grammar_fix"}, {"language", "auto"}}.dump();

    std::printf("%5s %9s %8s %8s %9s %7s %6s | %12s %12s %8s\n", "conns", "req/s", "p50 ms",
                "p99 ms", "max ms", "failed", ">1 s", "ceiling r/s", "ceiling p99", "ratio");
    long failed = 0;
    std::vector<std::string> details;
    for (int connections : o.connections) {
        Figures real = drive(o, o.urls, connections, token, body);
        Figures ceiling;
        if (!o.ceilingUrl.empty()) {
            ceiling = drive(o, {o.ceilingUrl}, connections, token, body);
        }
        failed += real.failed() + ceiling.failed();
        std::printf("%5d %9.0f %8.2f %8.2f %9.2f %7ld %6ld | %12.0f %12.2f %8.2f\n", connections,
                    real.requestsPerSecond, real.p50, real.p99, real.max, real.failed(),
                    real.slowerThanASecond, ceiling.requestsPerSecond, ceiling.p99,
                    ceiling.requestsPerSecond > 0
                        ? real.requestsPerSecond / ceiling.requestsPerSecond
                        : 0.0);
        std::fflush(stdout);
        for (const auto& [label, figures] :
             {std::pair{"velto-server", &real}, std::pair{"ceiling", &ceiling}}) {
            for (const auto& [what, count] : figures->failures) {
                details.push_back(std::to_string(connections) + " connections, " + label + ": " +
                                  std::to_string(count) + " × " + what);
            }
        }
    }
    for (const auto& line : details) {
        std::printf("failed: %s\n", line.c_str());
    }
    return failed > 0 ? 1 : 0;
}
