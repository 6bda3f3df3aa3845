#include "AccountStore.h"

#include "ApiError.h"
#include "Crypto.h"
#include "TokenStore.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace velto::server {

AccountStore::AccountStore(Database& db, Clock now, int passwordChecks)
    : m_db(db), m_now(std::move(now)),
      m_passwordChecks(passwordChecks > 0
                           ? passwordChecks
                           : static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
{
}

namespace {

// Looked up without regard to case: the sign-in form and adduser may spell an e-mail either way.
const char* const kFindByEmail = "SELECT id, email FROM users WHERE lower(email) = lower($1)";

} // namespace

Account AccountStore::localAccount(const std::string& email)
{
    return m_db.write([&](Database::Session& s) {
        // Another replica may create the account at the same moment: the unique index keeps
        // one, and both read it back.
        s.prepare("INSERT INTO users (id, email, password_hash, created_at) VALUES ($1, $2, "
                  "NULL, $3) ON CONFLICT DO NOTHING")
            ->bind(1, crypto::uuid())
            .bind(2, email)
            .bind(3, m_now())
            .run();
        auto find = s.prepare(kFindByEmail);
        find->bind(1, email);
        if (!find->step()) {
            throw std::runtime_error("the local account vanished");
        }
        return Account{find->text(0), find->text(1)};
    });
}

std::string AccountStore::hashPassword(const std::string& password)
{
    char hash[crypto_pwhash_STRBYTES];
    // crypto_pwhash_str is Argon2id; "interactive" costs 64 MiB and a fraction of a second.
    if (crypto_pwhash_str_alg(
            hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0) {
        throw std::runtime_error("password hashing ran out of memory");
    }
    return hash;
}

Account AccountStore::addUser(const std::string& email, const std::string& password)
{
    std::string hash = hashPassword(password);
    return m_db.write([&](Database::Session& s) {
        s.prepare("INSERT INTO users (id, email, password_hash, created_at) VALUES ($1, $2, $3, "
                  "$4) ON CONFLICT DO NOTHING")
            ->bind(1, crypto::uuid())
            .bind(2, email)
            .bind(3, hash)
            .bind(4, m_now())
            .run();
        s.prepare("UPDATE users SET password_hash = $2 WHERE lower(email) = lower($1)")
            ->bind(1, email)
            .bind(2, hash)
            .run();
        auto find = s.prepare(kFindByEmail);
        find->bind(1, email);
        if (!find->step()) {
            throw std::runtime_error("the new account vanished");
        }
        Account account{find->text(0), find->text(1)};
        find.reset();
        // A new password is often set because the old one leaked: whoever signed in with it
        // is signed out.
        TokenStore::revokeUserIn(s, account.id, m_now());
        return account;
    });
}

std::optional<Account> AccountStore::verifyPassword(const std::string& email,
                                                    const std::string& password)
{
    // Each check holds 64 MiB for a fraction of a second: beyond a few at once the server
    // would only grow and slow down, so more are refused at once for the client to retry.
    int running = m_runningChecks.fetch_add(1);
    struct Release
    {
        std::atomic<int>& count;
        ~Release() { count.fetch_sub(1); }
    } release{m_runningChecks};
    if (running >= m_passwordChecks) {
        throw ApiError(503, "busy", "Too many sign-ins at once. Please retry in a moment.", true);
    }
    auto row =
        m_db.read([&](Database::Session& s) -> std::optional<std::pair<Account, std::string>> {
            auto find = s.prepare("SELECT id, email, password_hash FROM users WHERE lower(email) = "
                                  "lower($1) AND password_hash IS NOT NULL");
            find->bind(1, email);
            if (!find->step()) {
                return std::nullopt;
            }
            return std::pair{Account{find->text(0), find->text(1)}, find->text(2)};
        });
    if (!row) {
        // Spend the same effort as a real check so that timing does not tell which e-mails exist.
        static const std::string dummy = hashPassword("velto-dummy-password");
        if (crypto_pwhash_str_verify(dummy.c_str(), password.data(), password.size()) == 0) {
            return std::nullopt;
        }
        return std::nullopt;
    }
    if (crypto_pwhash_str_verify(row->second.c_str(), password.data(), password.size()) != 0) {
        return std::nullopt;
    }
    return row->first;
}

std::optional<Account> AccountStore::find(const std::string& id)
{
    return m_db.read([&](Database::Session& s) -> std::optional<Account> {
        auto st = s.prepare("SELECT id, email FROM users WHERE id = $1");
        st->bind(1, id);
        if (!st->step()) {
            return std::nullopt;
        }
        return Account{st->text(0), st->text(1)};
    });
}

} // namespace velto::server
