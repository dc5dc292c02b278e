#include "Model/KLTask/KLTask.h"

#include "Utils/KLDispatch.h"

#include <QCoreApplication>

#include <algorithm>

KLTask::KLTask() = default;

KLTask::~KLTask() = default;

double KLTask::completionFactor() const {
    return m_completionFactor.load();
}

void KLTask::setCompletionFactor(double completionFactor) {
    m_completionFactor.store(completionFactor);
    Q_EMIT taskHasReachedCompletionFactor(completionFactor);
}

QString KLTask::eta() const {
    return m_eta;
}

void KLTask::setEta(const QString &eta) {
    m_eta = eta;
    Q_EMIT taskHasReachedETA(eta);
}

QString KLTask::taskDescription() const {
    return m_taskDescription;
}

void KLTask::setTaskDescription(const QString &taskDescription) {
    m_taskDescription = taskDescription;
    Q_EMIT taskDescriptionWasChanged(taskDescription);
}

bool KLTask::finished() const {
    return m_finished.load(std::memory_order_acquire);
}

void KLTask::setFinished(bool finished) {
    if (!finished) {
        m_finished.store(false, std::memory_order_release);
        return;
    }
    if (m_ended.exchange(true)) {
        return; // terminated meanwhile: the end has been reported already
    }
    // The completion may let go of the last owner of the task; it lives until its end has been told.
    const std::shared_ptr<KLTask> keep = weak_from_this().lock();
    markFinished();
    setCompletionFactor(1.0);
    runCompletionBlock();
    Q_EMIT taskWasCompleted();
}

std::shared_ptr<KLError> KLTask::error() const {
    return m_error;
}

void KLTask::setError(std::shared_ptr<KLError> error) {
    if (m_ended.load()) {
        return;
    }
    m_error = std::move(error);
}

std::any KLTask::result() const {
    return m_result;
}

void KLTask::setResult(std::any result) {
    m_result = std::move(result);
}

int32_t KLTask::type() const {
    return m_type.load();
}

void KLTask::setType(int32_t type) {
    m_type.store(type);
}

void KLTask::setCompletionBlock(CompletionBlock completionBlock) {
    m_completionBlock = std::move(completionBlock);
}

void KLTask::runCompletionBlock() {
    // A copy: the block may set another one.
    const CompletionBlock block = m_completionBlock;
    if (block) {
        block(this);
    }
}

void KLTask::start() {
    if (m_ended.load()) {
        return;
    }
    if (!KLDispatch::isMainThread()) {
        KLDispatch::async([self = shared_from_this()] { self->start(); });
        return;
    }
    setCompletionFactor(0.0);
    setEta(QString());
    m_finished.store(false, std::memory_order_release);
    Q_EMIT taskWasStarted();
    doTaskMain();
}

void KLTask::terminate() {
    if (!KLDispatch::isMainThread()) {
        KLDispatch::async([self = shared_from_this()] { self->terminate(); });
        return;
    }
    if (m_ended.exchange(true)) {
        return;
    }
    const std::shared_ptr<KLTask> keep = weak_from_this().lock(); // as in setFinished()
    setCompletionFactor(1.0);
    m_error = KLError::create(KLError::terminatedType, QStringLiteral("Task terminated"));
    runCompletionBlock();
    Q_EMIT taskWasTerminated();
    markFinished();
}

void KLTask::markFinished() {
    m_finished.store(true, std::memory_order_release);
}

void KLTask::wait() {
    Q_ASSERT(KLDispatch::isMainThread());
    // Whatever ends the task comes through the event loop: a process's signal, a timer, a posted job.
    const std::shared_ptr<KLTask> keep = shared_from_this();
    while (!finished()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
}

bool KLTask::hasEnded() const {
    return m_ended.load();
}

void KLTask::doTaskMain() {
    setFinished(true);
}

void KLTask::prepareTaskDescription() {}
