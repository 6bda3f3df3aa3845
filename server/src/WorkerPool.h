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

    const std::size_t maxThreads_;
    const std::size_t maxWaiting_;
    std::shared_ptr<std::atomic<std::size_t>> waiting_;

    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable roomReady_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool shuttingDown_ = false;
};

} // namespace velto::server
