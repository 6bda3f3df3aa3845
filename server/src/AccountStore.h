#pragma once

#include "Clock.h"
#include "Database.h"

#include <atomic>
#include <optional>
#include <string>

namespace velto::server {

struct Account
{
    std::string id;
    std::string email;
};

// The users table: the one local account of "local" sign-in, and the password accounts that
// `velto-server adduser` creates (passwords kept only as libsodium Argon2id hashes).
class AccountStore
{
public:
    // At most `passwordChecks` password checks run at once (0: one per core).
    AccountStore(Database& db, Clock now, int passwordChecks = 0);

    // The account the "local" sign-in page signs in as; created on first use.
    Account localAccount(const std::string& email);

    // Creates the account, or sets a new password on an existing one. Returns the account.
    Account addUser(const std::string& email, const std::string& password);

    // The account when the e-mail exists and the password matches its hash. Throws ApiError
    // 503 "busy" while the most checks already run.
    std::optional<Account> verifyPassword(const std::string& email, const std::string& password);

    std::optional<Account> find(const std::string& id);

    static std::string hashPassword(const std::string& password);

private:
    Database& m_db;
    Clock m_now;
    const int m_passwordChecks;
    std::atomic<int> m_runningChecks{0};
};

} // namespace velto::server
