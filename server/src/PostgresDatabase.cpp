#include "PostgresDatabase.h"

#include "DatabaseUnavailable.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace velto::server {

namespace {

// pg_advisory_lock key held while the schema is created or migrated ("velto" in ASCII).
constexpr const char* kMigrationLock = "SELECT pg_advisory_lock(508935878767)";

const char* const kMigrations[] = {
    R"sql(
CREATE TABLE users (
    id TEXT PRIMARY KEY,
    email TEXT NOT NULL,
    password_hash TEXT,
    created_at BIGINT NOT NULL
);
CREATE UNIQUE INDEX users_email_lower ON users (lower(email));
CREATE TABLE access_tokens (
    token_hash TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    expires_at BIGINT NOT NULL
);
CREATE TABLE refresh_tokens (
    token_hash TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    created_at BIGINT NOT NULL,
    used_at BIGINT
);
CREATE TABLE handoffs (
    id TEXT PRIMARY KEY,
    device_nonce TEXT NOT NULL,
    client TEXT NOT NULL,
    client_version TEXT NOT NULL,
    provider TEXT NOT NULL,
    status TEXT NOT NULL,
    reason TEXT,
    user_id TEXT,
    exchange_code_hash TEXT,
    exchange_code TEXT,
    created_at BIGINT NOT NULL,
    expires_at BIGINT NOT NULL
);
CREATE INDEX access_tokens_expiry ON access_tokens (expires_at);
CREATE INDEX handoffs_expiry ON handoffs (expires_at);
-- Counters live a minute: not worth the write-ahead log.
CREATE UNLOGGED TABLE rate_limits (
    key TEXT PRIMARY KEY,
    window_start BIGINT NOT NULL,
    count INTEGER NOT NULL
);
)sql",
    // Refresh tokens expire and belong to the family of one sign-in; a reuse revokes the
    // family, access tokens included. Tokens from before get a family of their own. Handoffs
    // get the code the user compares.
    R"sql(
ALTER TABLE refresh_tokens ADD COLUMN family_id TEXT;
ALTER TABLE refresh_tokens ADD COLUMN expires_at BIGINT;
ALTER TABLE refresh_tokens ADD COLUMN revoked_at BIGINT;
ALTER TABLE access_tokens ADD COLUMN family_id TEXT;
ALTER TABLE handoffs ADD COLUMN user_code TEXT;
UPDATE refresh_tokens SET family_id = token_hash, expires_at = created_at + 2592000;
CREATE INDEX refresh_tokens_family ON refresh_tokens (family_id);
CREATE INDEX refresh_tokens_user ON refresh_tokens (user_id);
CREATE INDEX refresh_tokens_expiry ON refresh_tokens (expires_at);
CREATE INDEX access_tokens_family ON access_tokens (family_id);
CREATE INDEX access_tokens_user ON access_tokens (user_id);
)sql",
};
constexpr int kSchemaVersion = sizeof kMigrations / sizeof kMigrations[0];

// A conflict the database resolves by aborting one side: run the transaction again.
class RetryTransaction : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

bool startsWith(const char* s, const char* prefix)
{
    return s && std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

// Throws the error of a failed command. Only the primary message is kept: the detail may
// quote row values (an e-mail, a hash).
[[noreturn]] void fail(PGconn* conn, PGresult* result, const std::string& what)
{
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = "postgresql: " + what + ": " + (primary ? primary : PQerrorMessage(conn));
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    if (result) {
        PQclear(result);
    }
    if (PQstatus(conn) != CONNECTION_OK || startsWith(state, "08") || startsWith(state, "53") ||
        startsWith(state, "57P") || startsWith(state, "57014")) {
        // Connection lost, server shutting down or starting, too many connections, or a
        // statement over the time-out.
        throw DatabaseUnavailable(message);
    }
    // Serialisation failure, deadlock, or a unique row another replica inserted meanwhile.
    if (startsWith(state, "40001") || startsWith(state, "40P01") || startsWith(state, "23505")) {
        throw RetryTransaction(message);
    }
    throw std::runtime_error(message);
}

void exec(PGconn* conn, const char* sql)
{
    PGresult* r = PQexec(conn, sql);
    auto status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        std::string what(sql);
        fail(conn, r, what.size() > 40 ? "schema migration" : what);
    }
    PQclear(r);
}

class PostgresStatement : public Database::Statement
{
public:
    PostgresStatement(PostgresConnection& c, const char* sql) : m_c(c), m_sql(sql) {}
    ~PostgresStatement() override { PQclear(m_result); }

    Statement& bind(int index, const std::string& value) override
    {
        slot(index) = value;
        return *this;
    }
    Statement& bind(int index, std::int64_t value) override
    {
        slot(index) = std::to_string(value);
        return *this;
    }
    Statement& bindNull(int index) override
    {
        slot(index).reset();
        return *this;
    }
    using Statement::bind;

    bool step() override
    {
        execute();
        return ++m_row < PQntuples(m_result);
    }

    std::int64_t run() override
    {
        execute();
        return std::strtoll(PQcmdTuples(m_result), nullptr, 10);
    }

    std::string text(int column) const override
    {
        return std::string(PQgetvalue(m_result, m_row, column),
                           static_cast<std::size_t>(PQgetlength(m_result, m_row, column)));
    }
    std::int64_t integer(int column) const override
    {
        return std::strtoll(PQgetvalue(m_result, m_row, column), nullptr, 10);
    }
    bool isNull(int column) const override { return PQgetisnull(m_result, m_row, column) != 0; }

private:
    std::optional<std::string>& slot(int index)
    {
        if (m_params.size() < static_cast<std::size_t>(index)) {
            m_params.resize(static_cast<std::size_t>(index));
        }
        return m_params[static_cast<std::size_t>(index - 1)];
    }

    // Prepared once per connection and SQL text: the server plans each statement once.
    void execute()
    {
        if (m_result) {
            return;
        }
        auto it = m_c.prepared.find(m_sql);
        if (it == m_c.prepared.end()) {
            std::string name = "velto_" + std::to_string(m_c.prepared.size());
            PGresult* r = PQprepare(m_c.conn, name.c_str(), m_sql, 0, nullptr);
            if (PQresultStatus(r) != PGRES_COMMAND_OK) {
                fail(m_c.conn, r, "prepare");
            }
            PQclear(r);
            it = m_c.prepared.emplace(m_sql, name).first;
        }
        std::vector<const char*> values;
        values.reserve(m_params.size());
        for (const auto& p : m_params) {
            values.push_back(p ? p->c_str() : nullptr);
        }
        PGresult* r = PQexecPrepared(m_c.conn, it->second.c_str(), static_cast<int>(values.size()),
                                     values.data(), nullptr, nullptr, 0);
        auto status = PQresultStatus(r);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            fail(m_c.conn, r, "query");
        }
        m_result = r;
    }

    PostgresConnection& m_c;
    const char* m_sql;
    std::vector<std::optional<std::string>> m_params;
    PGresult* m_result = nullptr;
    int m_row = -1;
};

class PostgresSession : public Database::Session
{
public:
    explicit PostgresSession(PostgresConnection& c) : m_c(c) {}
    std::unique_ptr<Database::Statement> prepare(const char* sql) override
    {
        return std::make_unique<PostgresStatement>(m_c, sql);
    }

private:
    PostgresConnection& m_c;
};

} // namespace

PostgresDatabase::PostgresDatabase(const std::string& uri, int poolSize)
    : m_pool(uri, poolSize, std::chrono::seconds(5))
{
    migrate();
}

PostgresDatabase::~PostgresDatabase() = default;

void PostgresDatabase::migrate()
{
    // The advisory lock belongs to this connection and ends with it, also on an error.
    auto c = m_pool.connect();
    exec(c->conn, kMigrationLock);
    exec(c->conn, "CREATE TABLE IF NOT EXISTS velto_schema_version (version INTEGER PRIMARY KEY, "
                  "applied_at TIMESTAMPTZ NOT NULL DEFAULT now())");
    PGresult* r = PQexec(c->conn, "SELECT coalesce(max(version), 0) FROM velto_schema_version");
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        fail(c->conn, r, "reading the schema version");
    }
    int version = std::atoi(PQgetvalue(r, 0, 0));
    PQclear(r);
    if (version > kSchemaVersion) {
        throw std::runtime_error("the database has schema version " + std::to_string(version) +
                                 ", newer than this velto-server knows (" +
                                 std::to_string(kSchemaVersion) + "); run a newer one");
    }
    for (int v = version; v < kSchemaVersion; ++v) {
        exec(c->conn, "BEGIN");
        exec(c->conn, kMigrations[v]);
        exec(c->conn,
             ("INSERT INTO velto_schema_version (version) VALUES (" + std::to_string(v + 1) + ")")
                 .c_str());
        exec(c->conn, "COMMIT");
    }
}

bool PostgresDatabase::ping()
{
    std::lock_guard lock(m_pingMutex);
    // A kept connection may have died with a restarted server: one more try on a new one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            bool reused = m_pingConnection != nullptr;
            if (!m_pingConnection) {
                m_pingConnection = m_pool.connect();
            }
            PGresult* r = PQexec(m_pingConnection->conn, "SELECT 1");
            bool ok = PQresultStatus(r) == PGRES_TUPLES_OK;
            PQclear(r);
            if (ok) {
                return true;
            }
            m_pingConnection.reset();
            if (!reused) {
                return false;
            }
        } catch (const std::exception&) {
            m_pingConnection.reset();
            return false;
        }
    }
    return false;
}

void PostgresDatabase::transact(bool write, const std::function<void(Session&)>& body)
{
    constexpr int kAttempts = 4;
    for (int attempt = 1;; ++attempt) {
        auto lease = m_pool.acquire();
        PostgresSession session(*lease);
        bool begun = false;
        try {
            if (write) {
                exec(lease->conn, "BEGIN");
            }
            begun = true;
            body(session);
            if (write) {
                exec(lease->conn, "COMMIT");
            }
            return;
        } catch (const RetryTransaction& e) {
            // The lease closes the connection if the rollback does not leave it idle.
            PQclear(PQexec(lease->conn, "ROLLBACK"));
            if (attempt >= kAttempts) {
                throw std::runtime_error(e.what());
            }
        } catch (const DatabaseUnavailable&) {
            // An idle connection whose server restarted fails on its first command; nothing
            // was done yet (a read has no effect at all), so a new connection may try again.
            bool nothingDone = !write || !begun;
            m_pool.discardIdle();
            if (lease.fresh() || !nothingDone || attempt > 1) {
                throw;
            }
        } catch (...) {
            if (write && PQstatus(lease->conn) == CONNECTION_OK) {
                PQclear(PQexec(lease->conn, "ROLLBACK"));
            }
            throw;
        }
    }
}

} // namespace velto::server
