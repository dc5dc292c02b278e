#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <functional>
#include <memory>

class KLDefaultPreferences;
class KLScriptTask;
class KLServices;
class KLTask;

// A generator that answers by running one task at a time. It keeps the running task so that a
// cancellation can stop it, and hands its services to the entries it makes.
class KLTaskEntryGenerator : public KLEntryGenerator {
public:
    // Without services the entries made can be shown but not processed.
    explicit KLTaskEntryGenerator(std::shared_ptr<const KLServices> services = nullptr);
    // A task still running is terminated without reporting to anybody.
    ~KLTaskEntryGenerator() override;

    // Raises the flag and terminates the running task.
    void cancel() override;

protected:
    const std::shared_ptr<const KLServices> &services() const { return m_services; }
    // The program's settings, whose proxy and TV provider the generator's web tasks use; nil without
    // services.
    std::shared_ptr<const KLDefaultPreferences> webSettings() const;
    // Gives a task that reaches the web the settings and the session (one handed over with the page) the
    // generator's tools use.
    void equipWebTask(KLScriptTask &task) const;
    // Starts the task; once it has ended, `then` runs with it, or, when the generator was cancelled before
    // the task could start or while it ran, `done` gets an empty generation: the outcome means nothing then.
    void runTask(const std::shared_ptr<KLTask> &task, const GenerationHandler &done,
                 std::function<void(KLTask &ended)> then);
    // True when the task ended with an error; the error then goes into the generation.
    static bool handOnError(const KLTask &task, Generation &generation);

private:
    const std::shared_ptr<const KLServices> m_services;
    std::shared_ptr<KLTask> m_runningTask;
};
