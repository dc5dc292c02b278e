#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// Runs background jobs in the order they came, at most a given number at once; the others wait in the queue,
// not on threads of their own. A burst of requests (a thousand D-Bus calls) thus costs a few threads and a
// list, and every request is still served.
class KLLimitedJobQueue final : public std::enable_shared_from_this<KLLimitedJobQueue> {
public:
    using Job = std::function<void()>;

    explicit KLLimitedJobQueue(int limit);
    KLLimitedJobQueue(const KLLimitedJobQueue &) = delete;
    KLLimitedJobQueue &operator=(const KLLimitedJobQueue &) = delete;

    // Callable from any thread. The queue's workers hold it, so it may be let go of while jobs wait.
    void enqueue(Job job);
    // Jobs waiting or running.
    int pendingJobs() const;

private:
    void work();

    const int m_limit;
    // Guards the queue and the count of workers, which the callers' threads and the workers share.
    mutable std::mutex m_lock;
    std::deque<Job> m_jobs;
    int m_workers = 0;
    int m_running = 0;
};
