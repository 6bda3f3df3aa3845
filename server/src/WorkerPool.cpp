#include "WorkerPool.h"

#include <algorithm>
#include <system_error>

namespace velto::server {

WorkerPool::WorkerPool(std::size_t maxThreads, std::size_t maxWaiting,
                       std::shared_ptr<std::atomic<std::size_t>> waiting)
    : maxThreads_(std::max<std::size_t>(1, maxThreads)),
      maxWaiting_(std::max<std::size_t>(1, maxWaiting)), waiting_(std::move(waiting))
{
}

WorkerPool::~WorkerPool()
{
    shutdown();
}

void WorkerPool::enqueue(std::function<void()> fn)
{
    std::unique_lock lock(mutex_);
    // The connection is accepted already: it must be served (or closed by a worker), never
    // dropped, so a full queue holds the acceptor back instead.
    roomReady_.wait(lock, [&] { return jobs_.size() < maxWaiting_ || shuttingDown_; });
    jobs_.push_back(std::move(fn));
    if (idle_ > 0) {
        jobReady_.notify_one();
    }
    if (idle_ < jobs_.size() && threads_.size() < maxThreads_) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // Out of threads: the connection waits for a running worker.
            if (threads_.empty()) {
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
        std::lock_guard lock(mutex_);
        shuttingDown_ = true;
        threads.swap(threads_);
    }
    jobReady_.notify_all();
    roomReady_.notify_all();
    for (auto& t : threads) {
        t.join();
    }
}

void WorkerPool::publishWaiting()
{
    // A job an idle worker is about to take, or a worker just started for it, is not waiting.
    std::size_t waiting = 0;
    if (threads_.size() >= maxThreads_ && jobs_.size() > idle_) {
        waiting = jobs_.size() - idle_;
    }
    waiting_->store(waiting, std::memory_order_relaxed);
}

void WorkerPool::work()
{
    for (;;) {
        std::function<void()> fn;
        {
            std::unique_lock lock(mutex_);
            ++idle_;
            jobReady_.wait(lock, [&] { return !jobs_.empty() || shuttingDown_; });
            --idle_;
            // Connections accepted before the shutdown are still served (the library closes
            // them at once once its socket is gone).
            if (jobs_.empty()) {
                return;
            }
            fn = std::move(jobs_.front());
            jobs_.pop_front();
            publishWaiting();
        }
        roomReady_.notify_one();
        fn();
    }
}

} // namespace velto::server
