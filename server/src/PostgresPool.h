#pragma once

#include <libpq-fe.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace velto::server {

// One libpq connection and the statements prepared on it (by SQL text).
struct PostgresConnection
{
    explicit PostgresConnection(PGconn* c) : conn(c) {}
    ~PostgresConnection() { PQfinish(conn); }
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;

    PGconn* conn;
    std::unordered_map<std::string, std::string> prepared;
};

// At most `size` connections to one PostgreSQL, opened when first needed and kept while they
// work. A connection that broke or was left inside a transaction is closed, not reused, so the
// pool heals by itself once the database is back.
class PostgresPool
{
public:
    class Lease
    {
    public:
        Lease(PostgresPool& pool, std::unique_ptr<PostgresConnection> c, bool fresh)
            : m_pool(&pool), m_connection(std::move(c)), m_fresh(fresh)
        {
        }
        Lease(Lease&& other) noexcept = default;
        Lease& operator=(Lease&&) = delete;
        ~Lease();

        PostgresConnection& operator*() const { return *m_connection; }
        PostgresConnection* operator->() const { return m_connection.get(); }
        // True when the connection was opened for this lease (so it cannot be a stale one).
        bool fresh() const { return m_fresh; }

    private:
        PostgresPool* m_pool;
        std::unique_ptr<PostgresConnection> m_connection;
        bool m_fresh;
    };

    PostgresPool(std::string uri, int size, std::chrono::milliseconds waitLimit);

    // A connection for one unit of work. Throws DatabaseUnavailable when none can be opened,
    // or when all are busy for longer than the wait limit.
    Lease acquire();

    // A new connection outside the pool (schema migration, health checks).
    std::unique_ptr<PostgresConnection> connect() const;

    // Closes the idle connections: after one broke, the others most likely talk to the same
    // server that went away.
    void discardIdle();

    int size() const { return m_size; }

private:
    void giveBack(std::unique_ptr<PostgresConnection> c);

    std::string m_uri;
    int m_size;
    std::chrono::milliseconds m_waitLimit;
    std::mutex m_mutex;
    std::condition_variable m_available;
    std::vector<std::unique_ptr<PostgresConnection>> m_idle;
    int m_open = 0;
};

} // namespace velto::server
