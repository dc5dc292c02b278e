#include "Utils/KLCoalescedJob.h"

#include "Utils/KLDispatch.h"

#include <mutex>

struct KLCoalescedJob::Shared {
    explicit Shared(std::function<void()> work) : job(std::move(work)) {}

    // Held while the job runs, so that stop() can wait for it.
    std::mutex running;
    std::mutex lock;
    bool posted = false;
    bool stopped = false;
    const std::function<void()> job;
};

KLCoalescedJob::KLCoalescedJob(std::function<void()> job)
    : m_shared(std::make_shared<Shared>(std::move(job))) {}

KLCoalescedJob::~KLCoalescedJob() {
    stop();
}

void KLCoalescedJob::request() {
    {
        std::lock_guard lock(m_shared->lock);
        if (m_shared->stopped || m_shared->posted) {
            return;
        }
        m_shared->posted = true;
    }
    KLDispatch::async([shared = m_shared] { run(shared); });
}

void KLCoalescedJob::run(const std::shared_ptr<Shared> &shared) {
    std::lock_guard running(shared->running);
    {
        // Cleared before the job starts: what is requested from here on needs a run of its own.
        std::lock_guard lock(shared->lock);
        shared->posted = false;
        if (shared->stopped) {
            return;
        }
    }
    shared->job();
}

void KLCoalescedJob::stop() {
    std::lock_guard running(m_shared->running);
    std::lock_guard lock(m_shared->lock);
    m_shared->stopped = true;
}
