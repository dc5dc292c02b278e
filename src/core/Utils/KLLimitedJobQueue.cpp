#include "Utils/KLLimitedJobQueue.h"

#include "Utils/KLDispatch.h"

#include <algorithm>
#include <utility>

KLLimitedJobQueue::KLLimitedJobQueue(int limit) : m_limit(std::max(1, limit)) {}

void KLLimitedJobQueue::enqueue(Job job) {
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back(std::move(job));
        if (m_workers >= m_limit) {
            return; // a worker takes it when it is done with its own
        }
        ++m_workers;
    }
    // Each worker counts as one background job, so whoever waits for those also waits for the queue.
    KLDispatch::background([self = shared_from_this()] { self->work(); });
}

int KLLimitedJobQueue::pendingJobs() const {
    std::lock_guard lock(m_lock);
    return static_cast<int>(m_jobs.size()) + m_running;
}

void KLLimitedJobQueue::work() {
    for (;;) {
        Job job;
        {
            std::lock_guard lock(m_lock);
            if (m_jobs.empty()) {
                --m_workers;
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            ++m_running;
        }
        job();
        job = nullptr; // what the job captured goes before it counts as done
        std::lock_guard lock(m_lock);
        --m_running;
    }
}
