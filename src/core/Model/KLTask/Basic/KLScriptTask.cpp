#include "Model/KLTask/Basic/KLScriptTask.h"

#include "Utils/KLObjectRepository.h"
#include "Utils/KLScriptErrorOutput.h"
#include "Utils/KLScriptInstance.h"
#include "Utils/KLScriptManager.h"

void KLScriptTask::terminate() {
    std::shared_ptr<KLScriptInstance> running;
    {
        std::lock_guard lock(m_scriptLock);
        m_scriptsStopped = true;
        running = m_scriptInstance;
    }
    // Outside the lock: terminating waits for a read in progress, and the reader may be starting a script.
    if (running) {
        running->terminate();
    }
    KLTask::terminate();
}

std::shared_ptr<KLScriptInstance> KLScriptTask::scriptInstance() const {
    std::lock_guard lock(m_scriptLock);
    return m_scriptInstance;
}

bool KLScriptTask::terminationRequested() const {
    std::lock_guard lock(m_scriptLock);
    return m_scriptsStopped;
}

std::shared_ptr<KLScriptInstance> KLScriptTask::startScript(const QString &command) {
    std::shared_ptr<KLScriptManager> manager = KLObjectRepository::singleton()->getScriptManager();
    if (!manager) {
        manager = std::make_shared<KLScriptManager>(); // a process without a registered runner still works
    }
    std::shared_ptr<KLScriptInstance> instance = manager->runScriptAsyncWithCommand(command);
    bool stopped = false;
    {
        std::lock_guard lock(m_scriptLock);
        stopped = m_scriptsStopped;
        m_scriptInstance = instance;
        m_lastErrorOutput = instance->errorOutput();
    }
    if (stopped) {
        instance->terminate();
    }
    return instance;
}

void KLScriptTask::readScriptLines(const std::function<void(const QString &line)> &handleLine) {
    const std::shared_ptr<KLScriptInstance> instance = scriptInstance();
    if (!instance) {
        return;
    }
    while (const std::optional<QString> line = instance->readLine()) {
        handleLine(*line);
    }
}

QString KLScriptTask::runScriptToEnd(const QString &command) {
    const std::shared_ptr<KLScriptInstance> instance = startScript(command);
    const QString output = instance->readToEnd();
    terminateScript();
    return output;
}

void KLScriptTask::terminateScript() {
    std::shared_ptr<KLScriptInstance> running;
    {
        std::lock_guard lock(m_scriptLock);
        running.swap(m_scriptInstance);
    }
    if (running) {
        running->terminate();
    }
}

QString KLScriptTask::failureCause() const {
    std::shared_ptr<KLScriptErrorOutput> output;
    {
        std::lock_guard lock(m_scriptLock);
        output = m_lastErrorOutput;
    }
    return output != nullptr ? output->cause() : QString();
}

std::shared_ptr<KLError> KLScriptTask::failure(int32_t errorType, const QString &description) const {
    return KLError::create(errorType, description, failureCause());
}
