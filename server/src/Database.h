#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace velto::server {

// The server's one SQLite connection (WAL mode). Every access goes through `write` (one
// IMMEDIATE transaction, rolled back when the function throws) or `read`, both serialised by
// a mutex: the statements are tiny, and one connection keeps the transactions simple.
class Database
{
public:
    class Statement
    {
    public:
        Statement(sqlite3* db, const char* sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        Statement& bind(int index, const std::string& value);
        Statement& bind(int index, std::int64_t value);
        Statement& bind(int index, std::optional<std::string> value);
        Statement& bindNull(int index);

        // Advances to the next row; false when done. Throws on an SQLite error.
        bool step();
        // Runs a statement that returns no rows.
        void run();

        std::string text(int column) const;
        std::optional<std::string> optionalText(int column) const;
        std::int64_t integer(int column) const;
        bool isNull(int column) const;

    private:
        sqlite3* db_;
        sqlite3_stmt* stmt_ = nullptr;
    };

    // Opens (creating if needed) the database file and brings its schema up to date.
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    template <class F> auto write(F&& fn)
    {
        std::lock_guard lock(mutex_);
        execLocked("BEGIN IMMEDIATE");
        try {
            if constexpr (std::is_void_v<decltype(fn())>) {
                fn();
                execLocked("COMMIT");
            } else {
                auto result = fn();
                execLocked("COMMIT");
                return result;
            }
        } catch (...) {
            execLocked("ROLLBACK");
            throw;
        }
    }

    template <class F> auto read(F&& fn)
    {
        std::lock_guard lock(mutex_);
        return fn();
    }

    Statement prepare(const char* sql) { return Statement(db_, sql); }

private:
    void execLocked(const char* sql);
    void migrate();

    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};

} // namespace velto::server
