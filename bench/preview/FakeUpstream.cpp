// An OpenAI-compatible chat-completions endpoint with a model's timing and no model: it answers
// every request with the same few tokens, the first after a delay (the model's time to first
// token), the rest at an interval. For measuring what velto-server and the app add on top.
//   velto-fake-upstream [--port N] [--first-token-delay-ms MS] [--token-interval-ms MS]
// Prints its base URL ("http://127.0.0.1:PORT/v1") on one line once it listens, then serves
// until it is terminated.
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using json = nlohmann::json;

namespace {

const std::vector<std::string> tokens = {"The",     " quarterly", " report", " is",
                                         " almost", " done",      "."};

std::string event(const json& delta, const json& finish = nullptr)
{
    const json choice = {{"index", 0}, {"delta", delta}, {"finish_reason", finish}};
    return "data: " + json{{"choices", {choice}}}.dump() + "\n\n";
}

int usage()
{
    std::fputs("usage: velto-fake-upstream [--port N] [--first-token-delay-ms MS] "
               "[--token-interval-ms MS]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int port = 0;
    int firstTokenMs = 300;
    int intervalMs = 20;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return usage();
        const int value = std::atoi(argv[++i]);
        if (value < 0)
            return usage();
        if (option == "--port")
            port = value;
        else if (option == "--first-token-delay-ms")
            firstTokenMs = value;
        else if (option == "--token-interval-ms")
            intervalMs = value;
        else
            return usage();
    }

    httplib::Server server;
    server.Post(
        "/v1/chat/completions", [&](const httplib::Request& request, httplib::Response& response) {
            const json body = json::parse(request.body, nullptr, false);
            if (body.is_discarded() || !body.is_object()) {
                response.status = 400;
                response.set_content(R"({"error":{"message":"the body is not a JSON object"}})",
                                     "application/json");
                return;
            }
            const auto wait = [](int ms) {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            };
            if (!body.value("stream", false)) {
                wait(firstTokenMs);
                std::string text;
                for (const std::string& token : tokens)
                    text += token;
                const json message = {{"role", "assistant"}, {"content", text}};
                response.set_content(json{{"choices", {{{"message", message}}}}}.dump(),
                                     "application/json");
                return;
            }
            // The headers go out at once, as a model server's do; the tokens follow at its pace.
            response.set_chunked_content_provider(
                "text/event-stream",
                [&, wait, next = std::size_t(0)](std::size_t, httplib::DataSink& sink) mutable {
                    std::string out;
                    if (next == 0) {
                        wait(firstTokenMs);
                        out = event({{"role", "assistant"}});
                    } else {
                        wait(intervalMs);
                    }
                    if (next < tokens.size()) {
                        out += event({{"content", tokens[next++]}});
                        return sink.write(out.data(), out.size());
                    }
                    out += event(json::object(), "stop") + "data: [DONE]\n\n";
                    sink.write(out.data(), out.size());
                    sink.done();
                    return true;
                });
        });

    const int bound = port > 0 ? (server.bind_to_port("127.0.0.1", port) ? port : -1)
                               : server.bind_to_any_port("127.0.0.1");
    if (bound <= 0) {
        std::fprintf(stderr, "velto-fake-upstream: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("http://127.0.0.1:%d/v1\n", bound);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
