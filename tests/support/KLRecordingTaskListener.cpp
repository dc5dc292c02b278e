#include "KLRecordingTaskListener.h"

#include "Model/KLTask/KLTask.h"

void KLRecordingTaskListener::follow(KLTask *task) {
    stopFollowing(task);
    connect(task, &KLTask::taskHasReachedCompletionFactor, this, [this](double completionFactor) {
        m_completionFactors.append(completionFactor);
        add(QStringLiteral("progress %1").arg(completionFactor));
    });
    connect(task, &KLTask::taskHasReachedETA, this,
            [this](const QString &eta) { add(QStringLiteral("eta '%1'").arg(eta)); });
    connect(task, &KLTask::taskWasCompleted, this, [this] { add(QStringLiteral("completed")); });
    connect(task, &KLTask::taskWasTerminated, this, [this] { add(QStringLiteral("terminated")); });
    connect(task, &KLTask::taskWasStarted, this, [this] { add(QStringLiteral("started")); });
    connect(task, &KLTask::taskDescriptionWasChanged, this, [this](const QString &description) {
        m_descriptions.append(description);
        add(QStringLiteral("description ") + description);
    });
}

void KLRecordingTaskListener::stopFollowing(KLTask *task) {
    disconnect(task, nullptr, this, nullptr);
}
