#pragma once

#include <QString>

class KLTask;

// Follows a task. Every call is optional: a listener overrides the ones it wants. Calls arrive
// synchronously on the thread that changed the value, with the task's monitor held.
class KLTaskListener {
public:
    virtual ~KLTaskListener() = default;

    virtual void taskHasReachedCompletionFactor(KLTask *task, double completionFactor);
    virtual void taskHasReachedETA(KLTask *task, const QString &eta);
    virtual void taskWasCompleted(KLTask *task);
    virtual void taskWasTerminated(KLTask *task);
    virtual void taskWasStarted(KLTask *task);
    virtual void taskDescriptionWasChanged(KLTask *task, const QString &description);
};
