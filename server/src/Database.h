#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace velto::server {

// The server's store: SQLite in one file for one process, or PostgreSQL shared by any number of
// replicas. Both speak the same SQL: parameters are written $1, $2, …; a change that must not
// race with another replica is a conditional UPDATE whose changed-row count says who won.
//
// Errors: a database that cannot be reached (or is too busy) throws DatabaseUnavailable, any
// other failure std::runtime_error.
class Database
{
public:
    class Statement
    {
    public:
        virtual ~Statement() = default;

        virtual Statement& bind(int index, const std::string& value) = 0;
        virtual Statement& bind(int index, std::int64_t value) = 0;
        virtual Statement& bindNull(int index) = 0;
        Statement& bind(int index, const std::optional<std::string>& value)
        {
            return value ? bind(index, *value) : bindNull(index);
        }
        Statement& bind(int index, const char* value) { return bind(index, std::string(value)); }

        // Advances to the next row; false when done.
        virtual bool step() = 0;
        // Runs a statement that returns no rows; the number of rows it changed.
        virtual std::int64_t run() = 0;

        virtual std::string text(int column) const = 0;
        virtual std::int64_t integer(int column) const = 0;
        virtual bool isNull(int column) const = 0;
        std::optional<std::string> optionalText(int column) const
        {
            if (isNull(column)) {
                return std::nullopt;
            }
            return text(column);
        }
    };

    // Statements on one connection: inside one transaction for write(), one by one for read().
    class Session
    {
    public:
        virtual ~Session() = default;
        virtual std::unique_ptr<Statement> prepare(const char* sql) = 0;
    };

    virtual ~Database() = default;

    // Opens the store `location` names and brings its schema up to date:
    //   ""                 SQLite in `dataDir`/velto-server.sqlite3 (the directory is created 0700)
    //   "sqlite:PATH"      SQLite in PATH
    //   "postgresql://…"   PostgreSQL (also "postgres://…"), at most `poolSize` connections
    static std::unique_ptr<Database> open(const std::string& location, const std::string& dataDir,
                                          int poolSize = 8);

    // The location without a password, for the log.
    static std::string describe(const std::string& location, const std::string& dataDir);

    // "sqlite" or "postgresql".
    virtual std::string kind() const = 0;
    // True when other processes may use the same data at the same time, so that nothing a
    // request needs may live only in this process (rate limits, for one).
    virtual bool sharedByReplicas() const = 0;
    // Whether the database answers a trivial query now; never throws.
    virtual bool ping() = 0;

    // Runs `fn(Session&)` in one transaction: committed when it returns, rolled back when it
    // throws. It may run more than once when the database asks for a retry (a deadlock, or a
    // row another replica inserted meanwhile), so it must not change anything but the database
    // before it returns.
    template <class F> auto write(F&& fn) { return call(true, std::forward<F>(fn)); }

    // Runs `fn(Session&)` with statements that only read; each sees committed data.
    template <class F> auto read(F&& fn) { return call(false, std::forward<F>(fn)); }

    // Runs `fn(Session&)` outside a transaction: each statement commits on its own. For one
    // change that is atomic by itself (an upsert), it saves the BEGIN and COMMIT round trips.
    // Like a read, it may run again on a new connection when the old one broke, so a counter
    // may count one request twice.
    template <class F> auto autocommit(F&& fn) { return call(false, std::forward<F>(fn)); }

protected:
    virtual void transact(bool write, const std::function<void(Session&)>& body) = 0;

private:
    template <class F> auto call(bool write, F&& fn)
    {
        using Result = std::invoke_result_t<F&, Session&>;
        if constexpr (std::is_void_v<Result>) {
            transact(write, [&](Session& s) { fn(s); });
        } else {
            std::optional<Result> result;
            transact(write, [&](Session& s) { result.emplace(fn(s)); });
            return std::move(*result);
        }
    }
};

} // namespace velto::server
