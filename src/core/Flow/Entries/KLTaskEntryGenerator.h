#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <functional>
#include <memory>

class KLTask;

// A generator that answers by running one task at a time. It keeps the running task so that a
// cancellation can stop it.
class KLTaskEntryGenerator : public KLEntryGenerator {
public:
    // A task still running is terminated without reporting to anybody.
    ~KLTaskEntryGenerator() override;

    // Raises the flag and terminates the running task.
    void cancel() override;

protected:
    // Starts the task; once it has ended, `then` runs with it, or, when the generator was cancelled before
    // the task could start or while it ran, `done` gets an empty generation: the outcome means nothing then.
    void runTask(const std::shared_ptr<KLTask> &task, const GenerationHandler &done,
                 std::function<void(KLTask &ended)> then);
    // True when the task ended with an error; the error then goes into the generation.
    static bool handOnError(const KLTask &task, Generation &generation);

private:
    std::shared_ptr<KLTask> m_runningTask;
};
