#pragma once

#include "Database.h"

#include <mutex>
#include <string>

struct sqlite3;

namespace velto::server {

// One SQLite connection (WAL mode) for one process. Every unit of work holds a mutex: the
// statements are tiny, and one connection keeps the transactions simple. Writes are
// IMMEDIATE transactions.
class SqliteDatabase : public Database
{
public:
    // Opens (creating if needed) the database file and brings its schema up to date.
    explicit SqliteDatabase(const std::string& path);
    ~SqliteDatabase() override;

    std::string kind() const override { return "sqlite"; }
    bool sharedByReplicas() const override { return false; }
    bool ping() override;

protected:
    void transact(bool write, const std::function<void(Session&)>& body) override;

private:
    void exec(const char* sql);
    void migrate();

    sqlite3* m_db = nullptr;
    std::mutex m_mutex;
};

} // namespace velto::server
