#include "WorkerPool.h"

#include <algorithm>
#include <system_error>

namespace velto::server {

WorkerPool::WorkerPool(std::size_t maxThreads, std::size_t maxWaiting,
                       std::shared_ptr<std::atomic<std::size_t>> waiting)
    : m_maxThreads(std::max<std::size_t>(1, maxThreads)),
      m_maxWaiting(std::max<std::size_t>(1, maxWaiting)), m_waiting(std::move(waiting))
{
}

WorkerPool::~WorkerPool()
{
    shutdown();
}

void WorkerPool::enqueue(std::function<void()> fn)
{
    std::unique_lock lock(m_mutex);
    // The connection is accepted already: it must be served (or closed by a worker), never
    // dropped, so a full queue holds the acceptor back instead.
    m_roomReady.wait(lock, [&] { return m_jobs.size() < m_maxWaiting || m_shuttingDown; });
    m_jobs.push_back(std::move(fn));
    if (m_idle > 0) {
        m_jobReady.notify_one();
    }
    if (m_idle < m_jobs.size() && m_threads.size() < m_maxThreads) {
        try {
            m_threads.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // Out of threads: the connection waits for a running worker.
            if (m_threads.empty()) {
                throw;
            }
        }
    }
    publishWaiting();
}

void WorkerPool::shutdown()
{
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_mutex);
        m_shuttingDown = true;
        threads.swap(m_threads);
    }
    m_jobReady.notify_all();
    m_roomReady.notify_all();
    for (auto& t : threads) {
        t.join();
    }
}

void WorkerPool::publishWaiting()
{
    // A job an idle worker is about to take, or a worker just started for it, is not waiting.
    std::size_t waiting = 0;
    if (m_threads.size() >= m_maxThreads && m_jobs.size() > m_idle) {
        waiting = m_jobs.size() - m_idle;
    }
    m_waiting->store(waiting, std::memory_order_relaxed);
}

void WorkerPool::work()
{
    for (;;) {
        std::function<void()> fn;
        {
            std::unique_lock lock(m_mutex);
            ++m_idle;
            m_jobReady.wait(lock, [&] { return !m_jobs.empty() || m_shuttingDown; });
            --m_idle;
            // Connections accepted before the shutdown are still served (the library closes
            // them at once once its socket is gone).
            if (m_jobs.empty()) {
                return;
            }
            fn = std::move(m_jobs.front());
            m_jobs.pop_front();
            publishWaiting();
        }
        m_roomReady.notify_one();
        fn();
    }
}

} // namespace velto::server
