#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <memory>
#include <mutex>

class KLTask;

// A generator that answers by running one task at a time on the calling thread. It keeps the running task
// so that a cancellation from another thread can reach it.
class KLTaskEntryGenerator : public KLEntryGenerator {
public:
    // Raises the flag only; a task that is running finishes on its own.
    void cancel() override;

protected:
    // Starts the task and blocks until it has ended. False when the generator was cancelled before the
    // task could start or while it ran: then its outcome means nothing.
    bool runTask(const std::shared_ptr<KLTask> &task);
    // Ends the running task at once (its wait returns). The flag must have been raised first, so that a
    // task about to be started is refused instead.
    void terminateRunningTask();
    // True when the task ended with an error; the error then goes to the caller (when it asked for one).
    static bool handOnError(const KLTask &task, std::shared_ptr<KLError> *error);

private:
    std::mutex m_taskLock;
    std::shared_ptr<KLTask> m_runningTask;
};
