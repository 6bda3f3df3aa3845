#include "ServerOptions.h"

#include <cctype>
#include <stdexcept>

namespace velto::server {

namespace {

std::int64_t toInteger(const std::string& option, const std::string& value, std::int64_t min,
                       std::int64_t max)
{
    std::size_t used = 0;
    std::int64_t n = 0;
    try {
        n = std::stoll(value, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != value.size() || value.empty() || n < min || n > max) {
        throw std::invalid_argument(option + " needs a whole number from " + std::to_string(min) +
                                    " to " + std::to_string(max) + ", not \"" + value + "\".");
    }
    return n;
}

bool isPostgresUri(const std::string& location)
{
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

// A password in user:password@host or in a password= query item.
bool uriHasPassword(const std::string& uri)
{
    auto authority = uri.find("://") + 3;
    auto end = uri.find_first_of("/?", authority);
    std::string hosts = uri.substr(authority, end == std::string::npos ? end : end - authority);
    auto at = hosts.rfind('@');
    if (at != std::string::npos && hosts.substr(0, at).find(':') != std::string::npos) {
        return true;
    }
    auto query = uri.find('?');
    return query != std::string::npos && (uri.find("?password=", query) != std::string::npos ||
                                          uri.find("&password=", query) != std::string::npos);
}

void checkDatabase(const std::string& location)
{
    if (location.rfind("sqlite:", 0) == 0) {
        if (location.size() == 7) {
            throw std::invalid_argument("--database sqlite: needs a file path, such as "
                                        "sqlite:/srv/velto/velto-server.sqlite3.");
        }
        return;
    }
    if (!isPostgresUri(location)) {
        throw std::invalid_argument("The database (--database or VELTO_DATABASE_URL) is "
                                    "sqlite:PATH or a postgresql:// URI.");
    }
}

} // namespace

std::string ServerOptions::defaultDataDir(const std::function<std::string(const char*)>& env)
{
    std::string base = env("XDG_DATA_HOME");
    if (base.empty()) {
        std::string home = env("HOME");
        if (home.empty()) {
            throw std::invalid_argument("Neither XDG_DATA_HOME nor HOME is set; pass --data DIR.");
        }
        base = home + "/.local/share";
    }
    return base + "/velto-server";
}

bool ServerOptions::isLoopback(const std::string& host)
{
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

std::string ServerOptions::urlHost(const std::string& url)
{
    auto scheme = url.find("://");
    if (scheme == std::string::npos) {
        return {};
    }
    auto begin = scheme + 3;
    auto end = url.find_first_of("/?#", begin);
    std::string authority = url.substr(begin, end == std::string::npos ? end : end - begin);
    if (auto at = authority.rfind('@'); at != std::string::npos) {
        authority.erase(0, at + 1);
    }
    std::string host;
    if (!authority.empty() && authority.front() == '[') {
        auto close = authority.find(']');
        host = close == std::string::npos ? std::string() : authority.substr(1, close - 1);
    } else {
        host = authority.substr(0, authority.find(':'));
    }
    for (auto& c : host) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return host;
}

ServerOptions ServerOptions::parse(const std::vector<std::string>& args,
                                   const std::function<std::string(const char*)>& env)
{
    ServerOptions o;
    o.upstream.url = env("VELTO_UPSTREAM_URL");
    o.upstream.model = env("VELTO_UPSTREAM_MODEL");
    o.upstream.apiKey = env("VELTO_UPSTREAM_API_KEY");
    if (o.upstream.url.empty()) {
        o.upstream.url = "http://127.0.0.1:11434/v1";
    }
    o.database = env("VELTO_DATABASE_URL");
    bool portGiven = false;
    int listenPort = o.port;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool hasInlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInlineValue = true;
            }
        }
        auto next = [&]() -> std::string {
            if (hasInlineValue) {
                return value;
            }
            if (i + 1 >= args.size()) {
                throw std::invalid_argument(arg + " needs a value.");
            }
            return args[++i];
        };

        if (arg == "-h" || arg == "--help") {
            o.command = Command::Help;
        } else if (arg == "--version") {
            o.command = Command::Version;
        } else if (arg == "adduser" && o.command == Command::Serve) {
            o.command = Command::AddUser;
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
                throw std::invalid_argument("adduser needs an e-mail address: velto-server "
                                            "adduser EMAIL");
            }
            o.addUserEmail = args[++i];
            if (o.addUserEmail.find('@') == std::string::npos) {
                throw std::invalid_argument("\"" + o.addUserEmail + "\" is not an e-mail address.");
            }
        } else if (arg == "--listen") {
            std::string v = next();
            auto colon = v.rfind(':');
            if (colon == std::string::npos || v.find(']') != std::string::npos) {
                if (v.size() > 2 && v.front() == '[') {
                    auto close = v.find(']');
                    o.host = v.substr(1, close - 1);
                    if (close + 1 < v.size() && v[close + 1] == ':') {
                        listenPort =
                            static_cast<int>(toInteger("--listen", v.substr(close + 2), 0, 65535));
                    }
                } else {
                    o.host = v;
                }
            } else {
                o.host = v.substr(0, colon);
                listenPort = static_cast<int>(toInteger("--listen", v.substr(colon + 1), 0, 65535));
            }
            if (o.host.empty()) {
                throw std::invalid_argument("--listen needs HOST:PORT, such as 127.0.0.1:8787.");
            }
        } else if (arg == "--port") {
            o.port = static_cast<int>(toInteger(arg, next(), 0, 65535));
            portGiven = true;
        } else if (arg == "--public-url") {
            o.publicUrl = next();
            while (!o.publicUrl.empty() && o.publicUrl.back() == '/') {
                o.publicUrl.pop_back();
            }
        } else if (arg == "--data") {
            o.dataDir = next();
        } else if (arg == "--database") {
            o.database = next();
            checkDatabase(o.database);
            if (isPostgresUri(o.database) && uriHasPassword(o.database)) {
                throw std::invalid_argument(
                    "A database password is never taken from the command line, where every "
                    "user can read it: put the URI in VELTO_DATABASE_URL, or the password in "
                    "~/.pgpass or PGPASSWORD.");
            }
        } else if (arg == "--database-pool") {
            o.databasePool = static_cast<int>(toInteger(arg, next(), 1, 1000));
        } else if (arg == "--engine") {
            o.engine = next();
            if (o.engine != "local" && o.engine != "openai") {
                throw std::invalid_argument("--engine is local or openai, not \"" + o.engine +
                                            "\".");
            }
        } else if (arg == "--upstream-url") {
            o.upstream.url = next();
        } else if (arg == "--upstream-model") {
            o.upstream.model = next();
        } else if (arg == "--upstream-timeout") {
            o.upstream.timeoutSeconds = static_cast<int>(toInteger(arg, next(), 1, 3600));
        } else if (arg == "--rewrite-timeout") {
            o.upstream.maxSeconds = static_cast<int>(toInteger(arg, next(), 1, 3600));
        } else if (arg == "--streams-per-user") {
            o.streamsPerUser = static_cast<int>(toInteger(arg, next(), 0, 1000));
        } else if (arg == "--upstream-api-key" || arg == "--upstream-key" || arg == "--api-key") {
            throw std::invalid_argument("The upstream API key is read only from the environment "
                                        "variable VELTO_UPSTREAM_API_KEY, never from the "
                                        "command line.");
        } else if (arg == "--signin") {
            o.signin = next();
            if (o.signin != "local" && o.signin != "password") {
                throw std::invalid_argument("--signin is local or password, not \"" + o.signin +
                                            "\".");
            }
        } else if (arg == "--local-email") {
            o.localEmail = next();
        } else if (arg == "--anon-key") {
            o.anonKey = next();
        } else if (arg == "--access-token-lifetime") {
            o.accessTokenLifetime = toInteger(arg, next(), 1, 365LL * 86400);
        } else if (arg == "--refresh-token-lifetime") {
            o.refreshTokenLifetime = toInteger(arg, next(), 60, 3650LL * 86400);
        } else if (arg == "--request-timeout") {
            o.requestTimeoutSeconds = static_cast<int>(toInteger(arg, next(), 1, 3600));
        } else if (arg == "--connections-per-address") {
            o.connectionsPerAddress = static_cast<int>(toInteger(arg, next(), 0, 4096));
        } else if (arg == "--password-checks") {
            o.passwordChecks = static_cast<int>(toInteger(arg, next(), 1, 1024));
        } else if (arg == "--handoff-lifetime") {
            o.handoffLifetime = toInteger(arg, next(), 10, 86400);
        } else if (arg == "--poll-interval-ms") {
            o.pollIntervalMs = static_cast<int>(toInteger(arg, next(), 100, 60000));
        } else if (arg == "--max-text-bytes") {
            o.maxTextBytes = static_cast<std::size_t>(toInteger(arg, next(), 1, 16 * 1024 * 1024));
        } else if (arg == "--rewrite-rate") {
            o.rewriteRatePerMinute = static_cast<int>(toInteger(arg, next(), 0, 1000000));
        } else if (arg == "--auth-rate") {
            o.authRatePerMinute = static_cast<int>(toInteger(arg, next(), 0, 1000000));
        } else if (arg == "--threads") {
            o.threads = static_cast<int>(toInteger(arg, next(), 1, 4096));
        } else if (arg == "--listen-backlog") {
            o.listenBacklog = static_cast<int>(toInteger(arg, next(), 1, 65535));
        } else if (arg == "--client-timeout") {
            o.clientTimeoutSeconds = static_cast<int>(toInteger(arg, next(), 1, 3600));
        } else {
            throw std::invalid_argument("Unknown argument \"" + arg +
                                        "\". See velto-server --help.");
        }
    }
    if (!portGiven) {
        o.port = listenPort;
    }
    // A rewrite may be longer than its text (a translation, a wordier tone), never by far.
    o.upstream.maxAnswerText = 4 * o.maxTextBytes;
    // A replica on PostgreSQL keeps nothing on its own disk.
    if (o.dataDir.empty() && o.command != Command::Help && o.command != Command::Version &&
        !isPostgresUri(o.database)) {
        o.dataDir = defaultDataDir(env);
    }
    if (!o.database.empty()) {
        checkDatabase(o.database);
    }
    if (o.localEmail.empty()) {
        std::string user = env("USER");
        o.localEmail = (user.empty() ? std::string("local") : user) + "@localhost";
    }
    if (o.command == Command::Serve && o.engine == "openai" && o.upstream.model.empty()) {
        throw std::invalid_argument("--engine openai needs --upstream-model (or "
                                    "VELTO_UPSTREAM_MODEL).");
    }
    if (o.command == Command::Serve && o.signin == "local" && !isLoopback(o.host)) {
        throw std::invalid_argument("--signin local signs anyone in without a password, so it "
                                    "only works on a loopback address; use --signin password "
                                    "to listen on " +
                                    o.host + ".");
    }
    // The sign-in page link must lead to this machine too, or anyone it reaches signs in.
    if (o.command == Command::Serve && o.signin == "local" && !o.publicUrl.empty() &&
        !isLoopback(urlHost(o.publicUrl))) {
        throw std::invalid_argument("--signin local signs anyone in without a password, so "
                                    "--public-url must be a loopback address, not \"" +
                                    o.publicUrl + "\"; use --signin password behind a proxy.");
    }
    return o;
}

std::string ServerOptions::helpText()
{
    return R"(Usage: velto-server [OPTIONS]
       velto-server adduser EMAIL [--data DIR]

The reference backend of Velto: rewrite endpoints, browser sign-in handoff, token refresh.

Options:
  --listen HOST:PORT          address to listen on (default 127.0.0.1:8787)
  --port PORT                 port only (0 picks a free one)
  --public-url URL            URL the browser reaches this server at
                              (default http://HOST:PORT)
  --data DIR                  data directory (default $XDG_DATA_HOME/velto-server,
                              else ~/.local/share/velto-server)
  --database SPEC             where accounts, sessions and sign-ins are kept:
                              sqlite:PATH, or postgresql://USER@HOST/DB for replicas
                              (default $VELTO_DATABASE_URL, else SQLite in --data)
                              A password is read from VELTO_DATABASE_URL, ~/.pgpass or
                              PGPASSWORD only, never from the command line.
  --database-pool N           PostgreSQL connections per replica (default 8)
  --engine local|openai       rewrite engine (default local: offline clean-up)
  --upstream-url URL          openai engine: OpenAI-compatible API base URL
                              (default $VELTO_UPSTREAM_URL, else http://127.0.0.1:11434/v1)
  --upstream-model NAME       openai engine: model name (default $VELTO_UPSTREAM_MODEL)
  --upstream-timeout SECONDS  openai engine: time-out per upstream read (default 60)
  --rewrite-timeout SECONDS   openai engine: longest time for one whole rewrite (default 120)
  --streams-per-user N        streamed rewrites one user may run at once, 0 = no limit
                              (default 4)
                              The upstream API key is read from VELTO_UPSTREAM_API_KEY only.
  --signin local|password     sign-in page: local (one button, loopback only; default)
                              or password (accounts made with adduser)
  --local-email EMAIL         e-mail of the local account (default $USER@localhost)
  --anon-key KEY              "apikey" the token refresh expects (default local-dev-anon-key)
  --access-token-lifetime S   access-token lifetime in seconds (default 3600)
  --refresh-token-lifetime S  refresh-token lifetime in seconds (default 2592000, 30 days)
  --handoff-lifetime S        sign-in handoff lifetime in seconds (default 600)
  --poll-interval-ms MS       poll interval handed to clients (default 1000)
  --max-text-bytes N          largest text to rewrite, in bytes (default 65536)
  --rewrite-rate N            rewrites per minute per user, 0 = unlimited (default 120)
  --auth-rate N               sign-in and refresh calls per minute per address,
                              0 = unlimited (default 300)
  --threads N                 most worker threads, one per connection being served;
                              more connections wait for a free one (default 64)
  --listen-backlog N          connections the kernel holds before they are accepted
                              (default 1024, capped by net.core.somaxconn)
  --client-timeout S          read/write time-out for slow clients (default 15)
  --request-timeout S         a whole request must arrive within S seconds (default 10)
  --connections-per-address N most workers one client address holds, 0 = no limit
                              (default three quarters of --threads)
  --password-checks N         password checks at once; more answer 503 (default: cores)
  -h, --help                  this text
  --version                   the version

adduser EMAIL reads the password from the terminal (twice) or from one line of standard input,
and stores it as an Argon2id hash; run it again to change the password.
)";
}

} // namespace velto::server
