#pragma once

#include "Model/KLTask/KLTaskListener.h"

#include <QList>
#include <QStringList>

#include <mutex>

// Records what a task tells its listeners, from whichever thread it tells it: every call as a line of text
// in order ("started", "progress 0.5", "description Converting...", "completed", "terminated", ...) and the
// progress values on their own.
class KLRecordingTaskListener final : public KLTaskListener {
public:
    void taskHasReachedCompletionFactor(KLTask *task, double completionFactor) override;
    void taskHasReachedETA(KLTask *task, const QString &eta) override;
    void taskWasCompleted(KLTask *task) override;
    void taskWasTerminated(KLTask *task) override;
    void taskWasStarted(KLTask *task) override;
    void taskDescriptionWasChanged(KLTask *task, const QString &description) override;

    QStringList calls() const;
    int count(const QString &call) const;
    QList<double> completionFactors() const;
    QStringList descriptions() const;

private:
    void add(const QString &call);

    mutable std::mutex m_lock;
    QStringList m_calls;
    QList<double> m_completionFactors;
    QStringList m_descriptions;
};
