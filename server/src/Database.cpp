#include "Database.h"

#include <stdexcept>

namespace velto::server {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw std::runtime_error("sqlite: " + what + ": " + sqlite3_errmsg(db));
}

const char* const kSchemaV1 = R"sql(
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
PRAGMA user_version = 1;
)sql";

} // namespace

Database::Statement::Statement(sqlite3* db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        fail(db_, "prepare");
    }
}

Database::Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Database::Statement& Database::Statement::bind(int index, const std::string& value)
{
    sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

Database::Statement& Database::Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Database::Statement& Database::Statement::bind(int index, std::optional<std::string> value)
{
    return value ? bind(index, *value) : bindNull(index);
}

Database::Statement& Database::Statement::bindNull(int index)
{
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Database::Statement::step()
{
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    fail(db_, "step");
}

void Database::Statement::run()
{
    while (step()) {
    }
}

std::string Database::Statement::text(int column) const
{
    auto* p = sqlite3_column_text(stmt_, column);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
             : std::string();
}

std::optional<std::string> Database::Statement::optionalText(int column) const
{
    if (isNull(column)) {
        return std::nullopt;
    }
    return text(column);
}

std::int64_t Database::Statement::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

bool Database::Statement::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Database::Database(const std::string& path)
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open database " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    execLocked("PRAGMA journal_mode = WAL");
    // NORMAL is durable in WAL mode except for the last transactions before a power loss.
    execLocked("PRAGMA synchronous = NORMAL");
    execLocked("PRAGMA foreign_keys = ON");
    migrate();
}

Database::~Database()
{
    sqlite3_close(db_);
}

void Database::execLocked(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error(std::string("sqlite: ") + message);
    }
}

void Database::migrate()
{
    std::lock_guard lock(mutex_);
    std::int64_t version = 0;
    {
        Statement st(db_, "PRAGMA user_version");
        if (st.step()) {
            version = st.integer(0);
        }
    }
    if (version < 1) {
        execLocked("BEGIN IMMEDIATE");
        try {
            execLocked(kSchemaV1);
            execLocked("COMMIT");
        } catch (...) {
            execLocked("ROLLBACK");
            throw;
        }
    }
}

} // namespace velto::server
