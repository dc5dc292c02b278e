#include "Flow/Entries/KLTaskEntryGenerator.h"

#include "Model/KLTask/Basic/KLScriptTask.h"
#include "Model/KLTask/KLTask.h"
#include "Utils/KLServices.h"

#include <utility>

KLTaskEntryGenerator::KLTaskEntryGenerator(std::shared_ptr<const KLServices> services)
    : m_services(std::move(services)) {}

std::shared_ptr<const KLDefaultPreferences> KLTaskEntryGenerator::webSettings() const {
    return KLServices::preferencesOf(m_services.get());
}

void KLTaskEntryGenerator::equipWebTask(KLScriptTask &task) const {
    task.setSettings(webSettings());
    task.setSessionCookies(m_services != nullptr ? m_services->sessionCookies.lock() : nullptr);
}

KLTaskEntryGenerator::~KLTaskEntryGenerator() {
    if (m_runningTask != nullptr) {
        m_runningTask->setCompletionBlock(nullptr);
        m_runningTask->terminate();
    }
}

void KLTaskEntryGenerator::cancel() {
    m_cancelled = true;
    if (const std::shared_ptr<KLTask> running = std::exchange(m_runningTask, nullptr)) {
        running->terminate(); // runs the completion below, which reports the cancellation
    }
}

void KLTaskEntryGenerator::runTask(const std::shared_ptr<KLTask> &task, const GenerationHandler &done,
                                   std::function<void(KLTask &ended)> then) {
    if (m_cancelled) {
        done(Generation{});
        return;
    }
    m_runningTask = task;
    // A generator that goes first takes the completion back (see the destructor).
    task->setCompletionBlock([this, done, then = std::move(then)](KLTask *ended) {
        if (m_runningTask.get() == ended) {
            m_runningTask.reset();
        }
        if (m_cancelled) {
            done(Generation{});
        } else {
            then(*ended);
        }
    });
    task->start();
}

bool KLTaskEntryGenerator::handOnError(const KLTask &task, Generation &generation) {
    generation.error = task.error();
    return generation.error != nullptr;
}
