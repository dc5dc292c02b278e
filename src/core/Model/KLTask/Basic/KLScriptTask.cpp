#include "Model/KLTask/Basic/KLScriptTask.h"

#include "Utils/KLDispatch.h"
#include "Utils/KLScriptErrorOutput.h"
#include "Utils/KLScriptManager.h"
#include "Utils/KLSignInCause.h"

KLScriptTask::KLScriptTask() {
    const auto release = [this] { m_sessionCookies.reset(); };
    connect(this, &KLTask::taskWasCompleted, this, release);
    connect(this, &KLTask::taskWasTerminated, this, release);
}

KLScriptTask::~KLScriptTask() {
    if (m_scriptInstance == nullptr) {
        return;
    }
    // A script nobody waits for any more is stopped. The last task may go on any thread; the instance
    // belongs to the main thread and is stopped and let go of there.
    KLDispatch::async([instance = std::move(m_scriptInstance)] { instance->terminate(); });
}

void KLScriptTask::terminate() {
    if (!KLDispatch::isMainThread()) {
        KLTask::terminate(); // posts this call to the main thread
        return;
    }
    m_scriptsStopped = true;
    KLTask::terminate();
    stopScript();
}

std::shared_ptr<KLScriptInstance> KLScriptTask::scriptInstance() const {
    return m_scriptInstance;
}

bool KLScriptTask::terminationRequested() const {
    return m_scriptsStopped;
}

void KLScriptTask::setSettings(std::shared_ptr<const KLDefaultPreferences> settings) {
    m_settings = std::move(settings);
}

void KLScriptTask::runScript(const QString &command, LineHandler handleLine, std::function<void()> ended) {
    startScript(command, std::move(handleLine), std::move(ended));
}

void KLScriptTask::runScriptToEnd(const QString &command, OutputHandler ended) {
    // The handler runs only while the task lives, and before the ended script stops being the current one.
    startScript(command, nullptr, [this, ended = std::move(ended)] { ended(m_scriptInstance->output()); });
}

void KLScriptTask::startScript(const QString &command, LineHandler handleLine, std::function<void()> ended) {
    // A task may run several scripts one after another; the handlers see the one that has just ended.
    auto weakSelf = std::weak_ptr<KLTask>(shared_from_this());
    auto onEnd = [weakSelf, ended = std::move(ended)] {
        const std::shared_ptr<KLTask> self = weakSelf.lock();
        if (self != nullptr && !self->hasEnded()) {
            ended();
        }
    };
    std::shared_ptr<KLScriptInstance> instance =
        KLScriptManager().runScriptAsyncWithCommand(command, std::move(handleLine), std::move(onEnd));
    m_scriptInstance = instance;
    m_lastErrorOutput = instance->errorOutput();
    QObject::connect(instance.get(), &KLScriptInstance::exited, instance.get(), [weakSelf] {
        if (const std::shared_ptr<KLTask> self = weakSelf.lock()) {
            static_cast<KLScriptTask *>(self.get())->scriptExited();
        }
    });
    if (m_scriptsStopped) {
        instance->terminate();
    }
}

void KLScriptTask::stopScript() {
    if (m_scriptInstance != nullptr) {
        m_scriptInstance->terminate();
    }
}

void KLScriptTask::scriptExited() {
    if (m_scriptInstance != nullptr && !m_scriptInstance->finished()) {
        return; // an earlier script's exit; the current one still runs
    }
    m_scriptInstance.reset(); // a script that has gone is nobody's to stop
    for (const std::function<void()> &then : std::exchange(m_afterExit, {})) {
        then();
    }
}

void KLScriptTask::whenScriptsExited(std::function<void()> then) {
    if (m_scriptInstance == nullptr || m_scriptInstance->finished()) {
        then();
        return;
    }
    m_afterExit.push_back(std::move(then));
}

QString KLScriptTask::failureCause() const {
    return m_lastErrorOutput != nullptr ? m_lastErrorOutput->cause() : QString();
}

std::shared_ptr<KLError> KLScriptTask::failure(int32_t errorType, const QString &description) const {
    // A refusal for want of a session says what the user can do about it.
    return KLError::create(errorType, description, KLSignInCause::explained(failureCause()));
}
