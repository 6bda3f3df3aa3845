#pragma once

#include "OpenAIEngine.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velto::server {

// Everything velto-server can be told on its command line (and, for the upstream model, in
// its environment).
struct ServerOptions
{
    enum class Command
    {
        Serve,
        AddUser,
        Help,
        Version
    };

    Command command = Command::Serve;
    std::string addUserEmail;

    std::string host = "127.0.0.1";
    int port = 8787;
    std::string publicUrl; // empty: http://HOST:PORT
    std::string dataDir;   // empty: $XDG_DATA_HOME/velto-server
    // sqlite:PATH or a postgresql:// URI; empty: SQLite in dataDir. See Database::open.
    std::string database;
    int databasePool = 8;
    std::string engine = "local";
    UpstreamConfig upstream;
    std::string signin = "local";
    std::string localEmail; // the local account's e-mail; empty: $USER@localhost
    std::string anonKey = "local-dev-anon-key";
    std::int64_t accessTokenLifetime = 3600;
    std::int64_t refreshTokenLifetime = 30 * 86400;
    std::int64_t handoffLifetime = 600;
    int pollIntervalMs = 1000;
    std::size_t maxTextBytes = 64 * 1024;
    int rewriteRatePerMinute = 120;
    // Streamed rewrites one user may have open at once (each holds a worker); 0: no limit.
    int streamsPerUser = 4;
    int authRatePerMinute = 300;
    // Workers start as connections need them; a keep-alive connection holds one while open.
    // Beyond this, connections queue: on a small machine hundreds of runnable workers stretch
    // every request's wait for a core far more than a short queue does.
    int threads = 64;
    // The library's own backlog of 5 refuses or delays a burst of connections by seconds.
    int listenBacklog = 1024;
    int clientTimeoutSeconds = 15;
    // A whole request (line, headers, body) must arrive within this.
    int requestTimeoutSeconds = 10;
    // Most workers one client address holds; 0: no limit; below 0: three quarters of threads.
    int connectionsPerAddress = -1;
    // Password checks (Argon2id, 64 MiB each) run at once; more are refused, not queued.
    // 0: the number of cores.
    int passwordChecks = 0;

    // Parses arguments (without the program name). `env` looks up environment variables.
    // Throws std::invalid_argument with a sentence for the user.
    static ServerOptions parse(const std::vector<std::string>& args,
                               const std::function<std::string(const char*)>& env);

    static std::string helpText();

    // $XDG_DATA_HOME/velto-server, or ~/.local/share/velto-server.
    static std::string defaultDataDir(const std::function<std::string(const char*)>& env);

    static bool isLoopback(const std::string& host);
    // The host of an http(s) URL, lower-case, without brackets or port; empty when there is none.
    static std::string urlHost(const std::string& url);
};

} // namespace velto::server
