#include "Flow/Entries/KLTaskEntryGenerator.h"

#include "Model/KLTask/KLTask.h"

void KLTaskEntryGenerator::cancel() {
    m_cancelled = true;
}

bool KLTaskEntryGenerator::runTask(const std::shared_ptr<KLTask> &task) {
    {
        // The flag is read under the same lock that terminateRunningTask() takes after raising it: either
        // the task is refused here, or it is stored before the cancellation looks for it.
        std::lock_guard lock(m_taskLock);
        if (m_cancelled.load()) {
            return false;
        }
        m_runningTask = task;
    }
    task->start();
    task->wait();
    {
        std::lock_guard lock(m_taskLock);
        if (m_runningTask == task) {
            m_runningTask.reset();
        }
    }
    return !m_cancelled.load();
}

void KLTaskEntryGenerator::terminateRunningTask() {
    std::shared_ptr<KLTask> running;
    {
        std::lock_guard lock(m_taskLock);
        running = m_runningTask;
    }
    // Outside the lock: terminating stops a script, which may wait for a read in progress.
    if (running != nullptr) {
        running->terminate();
    }
}

bool KLTaskEntryGenerator::handOnError(const KLTask &task, std::shared_ptr<KLError> *error) {
    const std::shared_ptr<KLError> failure = task.error();
    if (failure != nullptr && error != nullptr) {
        *error = failure;
    }
    return failure != nullptr;
}
