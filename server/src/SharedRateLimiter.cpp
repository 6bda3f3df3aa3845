#include "SharedRateLimiter.h"

#include "MemoryRateLimiter.h"

namespace velto::server {

std::unique_ptr<RateLimiter> RateLimiter::create(int perMinute, Database& db,
                                                 const std::string& scope, Clock now)
{
    if (db.sharedByReplicas() && perMinute > 0) {
        return std::make_unique<SharedRateLimiter>(perMinute, db, scope, std::move(now));
    }
    return std::make_unique<MemoryRateLimiter>(perMinute);
}

SharedRateLimiter::SharedRateLimiter(int perMinute, Database& db, std::string scope, Clock now)
    : m_perMinute(perMinute), m_db(db), m_scope(std::move(scope)), m_now(std::move(now))
{
}

bool SharedRateLimiter::allow(const std::string& key)
{
    std::int64_t now = m_now();
    std::int64_t count = m_db.autocommit([&](Database::Session& s) {
        // One statement, so two replicas counting the same key at once both count: the
        // second waits for the first's row and adds to its result.
        auto st =
            s.prepare("INSERT INTO rate_limits AS r (key, window_start, count) VALUES ($1, "
                      "$2, 1) ON CONFLICT (key) DO UPDATE SET window_start = CASE WHEN "
                      "r.window_start <= $3 THEN $2 ELSE r.window_start END, count = CASE "
                      "WHEN r.window_start <= $3 THEN 1 ELSE r.count + 1 END RETURNING count");
        st->bind(1, m_scope + ":" + key).bind(2, now).bind(3, now - kWindowSeconds);
        st->step();
        std::int64_t n = st->integer(0);
        st.reset();
        // Closed windows are dead weight; any replica sweeps them now and then.
        if (++m_calls % 1000 == 0) {
            s.prepare("DELETE FROM rate_limits WHERE window_start <= $1")
                ->bind(1, now - kWindowSeconds)
                .run();
        }
        return n;
    });
    return count <= m_perMinute;
}

} // namespace velto::server
