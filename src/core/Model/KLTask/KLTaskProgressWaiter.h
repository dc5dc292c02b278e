#pragma once

#include "Model/KLTask/KLTaskListener.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Lets a thread sleep until a task it follows moves on: every progress report, change of description and
// end of the task wakes it, as does wake() (for a stop that comes from elsewhere). The waiting thread checks
// its own condition after each wake-up, so no poll interval is needed.
class KLTaskProgressWaiter final : public KLTaskListener {
public:
    explicit KLTaskProgressWaiter(std::shared_ptr<KLTask> task);
    ~KLTaskProgressWaiter() override;
    KLTaskProgressWaiter(const KLTaskProgressWaiter &) = delete;
    KLTaskProgressWaiter &operator=(const KLTaskProgressWaiter &) = delete;

    // Sleeps until the condition holds; it is checked now and after every wake-up.
    void waitUntil(const std::function<bool()> &condition);
    // The same, giving up at the deadline: true when the condition held.
    bool waitUntil(const std::function<bool()> &condition, std::chrono::steady_clock::time_point deadline);
    void wake();

    void taskHasReachedCompletionFactor(KLTask *task, double completionFactor) override;
    void taskHasReachedETA(KLTask *task, const QString &eta) override;
    void taskWasCompleted(KLTask *task) override;
    void taskWasTerminated(KLTask *task) override;
    void taskDescriptionWasChanged(KLTask *task, const QString &description) override;

private:
    const std::shared_ptr<KLTask> m_task;
    std::mutex m_lock;
    std::condition_variable m_moved;
    // Counts the wake-ups, so that one that comes between a check and the sleep is not lost.
    unsigned long m_generation = 0;
};
