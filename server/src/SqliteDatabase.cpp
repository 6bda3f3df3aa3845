#include "SqliteDatabase.h"

#include "DatabaseUnavailable.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace velto::server {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    int code = sqlite3_errcode(db);
    std::string message = "sqlite: " + what + ": " + sqlite3_errmsg(db);
    // Another process holding the file past the busy time-out is worth a retry.
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        throw DatabaseUnavailable(message);
    }
    throw std::runtime_error(message);
}

// Version 1 is the original schema; user_version counts the steps applied.
const char* const kMigrations[] = {
    R"sql(
CREATE TABLE users (
    id TEXT PRIMARY KEY,
    email TEXT NOT NULL UNIQUE COLLATE NOCASE,
    password_hash TEXT,
    created_at INTEGER NOT NULL
);
CREATE TABLE access_tokens (
    token_hash TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    expires_at INTEGER NOT NULL
);
CREATE TABLE refresh_tokens (
    token_hash TEXT PRIMARY KEY,
    user_id TEXT NOT NULL REFERENCES users(id),
    created_at INTEGER NOT NULL,
    used_at INTEGER
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
    created_at INTEGER NOT NULL,
    expires_at INTEGER NOT NULL
);
CREATE INDEX access_tokens_expiry ON access_tokens(expires_at);
CREATE INDEX handoffs_expiry ON handoffs(expires_at);
)sql",
    // E-mails are looked up as lower(email) = lower($1), the form PostgreSQL can index too.
    "CREATE INDEX users_email_lower ON users(lower(email));",
    // Refresh tokens expire and belong to the family of one sign-in; a reuse revokes the
    // family, access tokens included. Tokens from before get a family of their own. Handoffs
    // get the code the user compares.
    R"sql(
ALTER TABLE refresh_tokens ADD COLUMN family_id TEXT;
ALTER TABLE refresh_tokens ADD COLUMN expires_at INTEGER;
ALTER TABLE refresh_tokens ADD COLUMN revoked_at INTEGER;
ALTER TABLE access_tokens ADD COLUMN family_id TEXT;
ALTER TABLE handoffs ADD COLUMN user_code TEXT;
UPDATE refresh_tokens SET family_id = token_hash, expires_at = created_at + 2592000;
CREATE INDEX refresh_tokens_family ON refresh_tokens(family_id);
CREATE INDEX refresh_tokens_user ON refresh_tokens(user_id);
CREATE INDEX refresh_tokens_expiry ON refresh_tokens(expires_at);
CREATE INDEX access_tokens_family ON access_tokens(family_id);
CREATE INDEX access_tokens_user ON access_tokens(user_id);
)sql",
};
constexpr int kSchemaVersion = sizeof kMigrations / sizeof kMigrations[0];

// SQLite reads "?N" as parameter N; the shared SQL writes "$N".
std::string sqliteParameters(const char* sql)
{
    std::string out(sql);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == '$' && out[i + 1] >= '0' && out[i + 1] <= '9') {
            out[i] = '?';
        }
    }
    return out;
}

class SqliteStatement : public Database::Statement
{
public:
    SqliteStatement(sqlite3* db, const char* sql) : m_db(db)
    {
        std::string text = sqliteParameters(sql);
        if (sqlite3_prepare_v2(m_db, text.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK) {
            fail(m_db, "prepare");
        }
    }
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    Statement& bind(int index, const std::string& value) override
    {
        sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int index, std::int64_t value) override
    {
        sqlite3_bind_int64(m_stmt, index, value);
        return *this;
    }
    Statement& bindNull(int index) override
    {
        sqlite3_bind_null(m_stmt, index);
        return *this;
    }
    using Statement::bind;

    bool step() override
    {
        int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc == SQLITE_DONE) {
            return false;
        }
        fail(m_db, "step");
    }

    std::int64_t run() override
    {
        while (step()) {
        }
        return sqlite3_changes64(m_db);
    }

    std::string text(int column) const override
    {
        auto* p = sqlite3_column_text(m_stmt, column);
        return p ? std::string(reinterpret_cast<const char*>(p),
                               static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
                 : std::string();
    }
    std::int64_t integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const override
    {
        return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

class SqliteSession : public Database::Session
{
public:
    explicit SqliteSession(sqlite3* db) : m_db(db) {}
    std::unique_ptr<Database::Statement> prepare(const char* sql) override
    {
        return std::make_unique<SqliteStatement>(m_db, sql);
    }

private:
    sqlite3* m_db;
};

} // namespace

SqliteDatabase::SqliteDatabase(const std::string& path)
{
    // SQLite creates the write-ahead log and shared-memory files with the mode of the database
    // file: make that private before SQLite creates it with the umask's mode, and take back
    // what older versions left readable.
    if (path != ":memory:") {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
        }
        for (const char* suffix : {"", "-wal", "-shm"}) {
            ::chmod((path + suffix).c_str(), 0600);
        }
    }
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw std::runtime_error("cannot open database " + path + ": " + message);
    }
    try {
        sqlite3_busy_timeout(m_db, 5000);
        exec("PRAGMA journal_mode = WAL");
        // NORMAL is durable in WAL mode except for the last transactions before a power loss.
        exec("PRAGMA synchronous = NORMAL");
        exec("PRAGMA foreign_keys = ON");
        migrate();
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close(m_db);
}

void SqliteDatabase::exec(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        int code = sqlite3_errcode(m_db);
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
            throw DatabaseUnavailable("sqlite: " + message);
        }
        throw std::runtime_error("sqlite: " + message);
    }
}

void SqliteDatabase::migrate()
{
    std::lock_guard lock(m_mutex);
    exec("BEGIN IMMEDIATE");
    try {
        std::int64_t version = 0;
        {
            SqliteStatement st(m_db, "PRAGMA user_version");
            if (st.step()) {
                version = st.integer(0);
            }
        }
        if (version > kSchemaVersion) {
            throw std::runtime_error("the database has schema version " + std::to_string(version) +
                                     ", newer than this velto-server knows (" +
                                     std::to_string(kSchemaVersion) + "); run a newer one");
        }
        for (auto v = version; v < kSchemaVersion; ++v) {
            exec(kMigrations[v]);
        }
        exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        exec("COMMIT");
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
}

bool SqliteDatabase::ping()
{
    try {
        read([](Session& s) { s.prepare("SELECT 1")->step(); });
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void SqliteDatabase::transact(bool write, const std::function<void(Session&)>& body)
{
    std::lock_guard lock(m_mutex);
    SqliteSession session(m_db);
    if (!write) {
        body(session);
        return;
    }
    exec("BEGIN IMMEDIATE");
    try {
        body(session);
        exec("COMMIT");
    } catch (...) {
        exec("ROLLBACK");
        throw;
    }
}

} // namespace velto::server
