// Load generator for velto-server's "rewrite" endpoint (the local engine): signs in through the
// handoff like the app does (playing the browser on the local sign-in page), then drives
// "rewrite" from many keep-alive connections at once, bounded by time and request count, and
// prints requests per second and latency percentiles. Loopback only.
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

struct Options
{
    std::string url = "http://127.0.0.1:8787";
    // More than one: replicas on one database; connection i goes to replica i mod N, as a
    // round-robin load balancer would send it.
    std::vector<std::string> replicas;
    int connections = 16;
    double seconds = 10;
    long maxRequests = 200000;
    std::string text = "this  is a test , i think the the result is  fine .";
};

[[noreturn]] void die(const std::string& message)
{
    std::cerr << "server-load: " << message << "\n";
    std::exit(1);
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
        if (a == "--url") {
            o.url = value();
            o.replicas.push_back(o.url);
        } else if (a == "--connections") {
            o.connections = std::max(1, std::stoi(value()));
        } else if (a == "--seconds") {
            o.seconds = std::min(300.0, std::max(0.1, std::stod(value())));
        } else if (a == "--requests") {
            o.maxRequests = std::max(1L, std::stol(value()));
        } else if (a == "--text") {
            o.text = value();
        } else {
            std::cerr
                << "usage: velto-server-load [--url http://127.0.0.1:8787]... [--connections N]"
                   " [--seconds S] [--requests N] [--text TEXT]\n";
            return a == "--help" ? 0 : 2;
        }
    }
    if (o.replicas.empty()) {
        o.replicas.push_back(o.url);
    }
    for (const auto& url : o.replicas) {
        if (url.find("://127.") == std::string::npos &&
            url.find("://localhost") == std::string::npos &&
            url.find("://[::1]") == std::string::npos) {
            die("loopback addresses only");
        }
    }

    // Signed in on the first replica; the token works on all of them.
    std::string token = signIn(o.replicas.front());
    std::string body = json{{"text", o.text}, {"tone", "grammar_fix"}, {"language", "auto"}}.dump();

    std::atomic<long> issued{0};
    std::atomic<long> failures{0};
    std::vector<std::vector<double>> latencies(o.connections);
    auto begin = Clock::now();
    auto deadline = begin + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double>(o.seconds));
    std::vector<std::thread> workers;
    for (int c = 0; c < o.connections; ++c) {
        workers.emplace_back([&, c] {
            httplib::Client client(o.replicas[static_cast<std::size_t>(c) % o.replicas.size()]);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            httplib::Headers headers = {{"Authorization", "Bearer " + token}};
            while (Clock::now() < deadline && issued.fetch_add(1) < o.maxRequests) {
                auto t0 = Clock::now();
                auto res = client.Post("/rewrite", headers, body, "application/json");
                std::chrono::duration<double, std::milli> ms = Clock::now() - t0;
                if (!res || res->status != 200) {
                    ++failures;
                    continue;
                }
                latencies[c].push_back(ms.count());
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
        std::size_t i = static_cast<std::size_t>(p * static_cast<double>(all.size() - 1));
        return all[i];
    };
    std::printf("connections %d, %.1f s, %zu ok, %ld failed\n", o.connections, elapsed.count(),
                all.size(), failures.load());
    std::printf("requests/s %.0f\n", static_cast<double>(all.size()) / elapsed.count());
    std::printf("latency p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", pct(0.50), pct(0.99),
                all.empty() ? 0.0 : all.back());
    return failures.load() > 0 ? 1 : 0;
}
