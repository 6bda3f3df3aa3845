#include "PostgresPool.h"

#include "DatabaseUnavailable.h"

namespace velto::server {

namespace {

std::string firstLine(const char* message)
{
    std::string s = message ? message : "";
    auto nl = s.find('\n');
    return nl == std::string::npos ? s : s.substr(0, nl);
}

} // namespace

PostgresPool::PostgresPool(std::string uri, int size, std::chrono::milliseconds waitLimit)
    : m_uri(std::move(uri)), m_size(size < 1 ? 1 : size), m_waitLimit(waitLimit)
{
}

std::unique_ptr<PostgresConnection> PostgresPool::connect() const
{
    // Defaults first: whatever the URI says comes later and wins. Without a connect time-out
    // libpq waits for an unreachable host as long as the kernel does; the keepalives notice a
    // database host that vanished under an idle connection. A statement that waits longer
    // than any request should (a lock held by a stuck replica) is cancelled: the request
    // answers 503.
    const char* keys[] = {
        "connect_timeout",  "application_name", "keepalives_idle", "keepalives_interval",
        "keepalives_count", "options",          "dbname",          nullptr};
    const char* values[] = {
        "5", "velto-server", "30", "10", "3", "-c statement_timeout=10s", m_uri.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keys, values, 1);
    if (!conn) {
        throw DatabaseUnavailable("postgresql: out of memory");
    }
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string message = firstLine(PQerrorMessage(conn));
        PQfinish(conn);
        throw DatabaseUnavailable("postgresql: cannot connect: " + message);
    }
    // Notices ("already exists, skipping") are not errors and must not reach standard error.
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    return std::make_unique<PostgresConnection>(conn);
}

PostgresPool::Lease PostgresPool::acquire()
{
    std::unique_lock lock(m_mutex);
    if (!m_available.wait_for(lock, m_waitLimit,
                              [&] { return !m_idle.empty() || m_open < m_size; })) {
        throw DatabaseUnavailable("postgresql: all " + std::to_string(m_size) +
                                  " connections stayed busy");
    }
    if (!m_idle.empty()) {
        auto c = std::move(m_idle.back());
        m_idle.pop_back();
        return Lease(*this, std::move(c), false);
    }
    ++m_open;
    lock.unlock();
    try {
        return Lease(*this, connect(), true);
    } catch (...) {
        lock.lock();
        --m_open;
        m_available.notify_one();
        throw;
    }
}

void PostgresPool::giveBack(std::unique_ptr<PostgresConnection> c)
{
    bool reusable =
        PQstatus(c->conn) == CONNECTION_OK && PQtransactionStatus(c->conn) == PQTRANS_IDLE;
    if (!reusable) {
        c.reset();
    }
    std::lock_guard lock(m_mutex);
    if (c) {
        m_idle.push_back(std::move(c));
    } else {
        --m_open;
    }
    m_available.notify_one();
}

void PostgresPool::discardIdle()
{
    std::vector<std::unique_ptr<PostgresConnection>> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped.swap(m_idle);
        m_open -= static_cast<int>(dropped.size());
        m_available.notify_all();
    }
}

PostgresPool::Lease::~Lease()
{
    if (m_pool && m_connection) {
        m_pool->giveBack(std::move(m_connection));
    }
}

} // namespace velto::server
