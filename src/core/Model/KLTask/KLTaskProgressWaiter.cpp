#include "Model/KLTask/KLTaskProgressWaiter.h"

#include "Model/KLTask/KLTask.h"

#include <utility>

KLTaskProgressWaiter::KLTaskProgressWaiter(std::shared_ptr<KLTask> task) : m_task(std::move(task)) {
    m_task->addListener(this);
}

KLTaskProgressWaiter::~KLTaskProgressWaiter() {
    m_task->removeListener(this);
}

void KLTaskProgressWaiter::waitUntil(const std::function<bool()> &condition) {
    waitUntil(condition, std::chrono::steady_clock::time_point::max());
}

bool KLTaskProgressWaiter::waitUntil(const std::function<bool()> &condition,
                                     std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        unsigned long seen = 0;
        {
            std::lock_guard lock(m_lock);
            seen = m_generation;
        }
        // Checked outside the lock: the condition may ask the task, whose listeners call back into here.
        if (condition()) {
            return true;
        }
        std::unique_lock lock(m_lock);
        const auto moved = [this, seen] { return m_generation != seen; };
        if (deadline == std::chrono::steady_clock::time_point::max()) {
            m_moved.wait(lock, moved);
        } else if (!m_moved.wait_until(lock, deadline, moved)) {
            return false;
        }
    }
}

void KLTaskProgressWaiter::wake() {
    {
        std::lock_guard lock(m_lock);
        ++m_generation;
    }
    m_moved.notify_all();
}

void KLTaskProgressWaiter::taskHasReachedCompletionFactor(KLTask *, double) {
    wake();
}

void KLTaskProgressWaiter::taskHasReachedETA(KLTask *, const QString &) {
    wake();
}

void KLTaskProgressWaiter::taskWasCompleted(KLTask *) {
    wake();
}

void KLTaskProgressWaiter::taskWasTerminated(KLTask *) {
    wake();
}

void KLTaskProgressWaiter::taskDescriptionWasChanged(KLTask *, const QString &) {
    wake();
}
