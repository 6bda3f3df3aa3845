#pragma once

#include "Database.h"
#include "PostgresPool.h"

#include <memory>
#include <mutex>
#include <string>

namespace velto::server {

// PostgreSQL shared by any number of velto-server replicas. Each replica keeps a bounded pool
// of connections, plus one for health checks. Transactions run at READ COMMITTED; what must
// happen once (a refresh-token rotation, an exchange) is a conditional UPDATE, so that of two
// replicas racing for one row exactly one changes it.
class PostgresDatabase : public Database
{
public:
    // Connects, and creates or migrates the schema under an advisory lock so that replicas
    // starting together migrate once. Throws DatabaseUnavailable when it cannot connect.
    PostgresDatabase(const std::string& uri, int poolSize);
    ~PostgresDatabase() override;

    std::string kind() const override { return "postgresql"; }
    bool sharedByReplicas() const override { return true; }
    bool ping() override;

protected:
    void transact(bool write, const std::function<void(Session&)>& body) override;

private:
    void migrate();

    PostgresPool m_pool;
    std::mutex m_pingMutex;
    std::unique_ptr<PostgresConnection> m_pingConnection;
};

} // namespace velto::server
