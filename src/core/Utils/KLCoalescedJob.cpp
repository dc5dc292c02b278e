#include "Utils/KLCoalescedJob.h"

#include "Utils/KLDispatch.h"

struct KLCoalescedJob::Shared {
    explicit Shared(std::function<void()> work) : job(std::move(work)) {}

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
    if (m_shared->stopped || m_shared->posted) {
        return;
    }
    m_shared->posted = true;
    KLDispatch::async([shared = m_shared] { run(shared); });
}

void KLCoalescedJob::run(const std::shared_ptr<Shared> &shared) {
    // Cleared before the job starts: what is requested from here on needs a run of its own.
    shared->posted = false;
    if (!shared->stopped) {
        shared->job();
    }
}

void KLCoalescedJob::stop() {
    m_shared->stopped = true;
}
