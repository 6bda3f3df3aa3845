#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velto::server {

// The HTTP library's task queue, one job per accepted connection. Starts a worker for each
// connection that finds none idle, up to `maxThreads`; beyond that, connections wait here in
// order, and once `maxWaiting` wait, the accepting thread itself waits, so further connections
// stay in the kernel's listen backlog rather than being refused. Workers live until shutdown:
// an idle one costs a blocked thread, and a burst comes back.
class WorkerPool : public httplib::TaskQueue
{
public:
    // `waiting` counts the connections that wait for a worker; it outlives the pool so request
    // handlers can read it (a worker then ends its keep-alive connection to give others a turn).
    WorkerPool(std::size_t maxThreads, std::size_t maxWaiting,
               std::shared_ptr<std::atomic<std::size_t>> waiting);
    ~WorkerPool() override;

    void enqueue(std::function<void()> fn) override;
    void shutdown() override;

private:
    void work();
    // Call with the mutex held.
    void publishWaiting();

    const std::size_t m_maxThreads;
    const std::size_t m_maxWaiting;
    std::shared_ptr<std::atomic<std::size_t>> m_waiting;

    std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::condition_variable m_roomReady;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    std::size_t m_idle = 0;
    bool m_shuttingDown = false;
};

} // namespace velto::server
