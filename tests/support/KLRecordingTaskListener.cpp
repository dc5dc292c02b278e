#include "KLRecordingTaskListener.h"

void KLRecordingTaskListener::taskHasReachedCompletionFactor(KLTask *, double completionFactor) {
    {
        std::lock_guard lock(m_lock);
        m_completionFactors.append(completionFactor);
    }
    add(QStringLiteral("progress %1").arg(completionFactor));
}

void KLRecordingTaskListener::taskHasReachedETA(KLTask *, const QString &eta) {
    add(QStringLiteral("eta '%1'").arg(eta));
}

void KLRecordingTaskListener::taskWasCompleted(KLTask *) {
    add(QStringLiteral("completed"));
}

void KLRecordingTaskListener::taskWasTerminated(KLTask *) {
    add(QStringLiteral("terminated"));
}

void KLRecordingTaskListener::taskWasStarted(KLTask *) {
    add(QStringLiteral("started"));
}

void KLRecordingTaskListener::taskDescriptionWasChanged(KLTask *, const QString &description) {
    {
        std::lock_guard lock(m_lock);
        m_descriptions.append(description);
    }
    add(QStringLiteral("description ") + description);
}

QStringList KLRecordingTaskListener::calls() const {
    std::lock_guard lock(m_lock);
    return m_calls;
}

int KLRecordingTaskListener::count(const QString &call) const {
    return static_cast<int>(calls().count(call));
}

QList<double> KLRecordingTaskListener::completionFactors() const {
    std::lock_guard lock(m_lock);
    return m_completionFactors;
}

QStringList KLRecordingTaskListener::descriptions() const {
    std::lock_guard lock(m_lock);
    return m_descriptions;
}

void KLRecordingTaskListener::add(const QString &call) {
    std::lock_guard lock(m_lock);
    m_calls.append(call);
}
