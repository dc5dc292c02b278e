#include "Model/KLTask/Xidel/KLScrapingTask.h"

#include "Utils/KLScriptManager.h"

KLScrapingTask::KLScrapingTask(int32_t type, const QString &description) : m_description(description) {
    setType(type);
}

QString KLScrapingTask::getCommand() const {
    return KLScriptManager::commandForScript(scriptName(), scriptArguments());
}

void KLScrapingTask::terminate() {
    KLTask::terminate();
    KLScriptTask::terminate(); // its own report of the end is a no-op now
}

void KLScrapingTask::prepareTaskDescription() {
    setTaskDescription(m_description);
}

void KLScrapingTask::doTaskMain() {
    prepareTaskDescription();
    const QString output = runScriptToEnd(getCommand());
    // A terminated task has reported its end already; what its stopped script left is no result.
    if (!hasEnded()) {
        setResult(resultFromOutput(output));
    }
    setFinished(true);
}
