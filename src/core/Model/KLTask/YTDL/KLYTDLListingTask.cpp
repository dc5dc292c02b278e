#include "Model/KLTask/YTDL/KLYTDLListingTask.h"

#include "Model/KLTask/YTDL/KLYTDLListingCache.h"
#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Utils/KLScriptManager.h"

#include <utility>

KLYTDLListingTask::KLYTDLListingTask(QString scriptName, QString description, QString errorDescription)
    : m_scriptName(std::move(scriptName)), m_description(std::move(description)),
      m_errorDescription(std::move(errorDescription)) {
    setType(shortProcessingType);
}

QString KLYTDLListingTask::getCommand() const {
    return KLScriptManager::commandForScript(m_scriptName, {KLYTDLScriptArguments::ytdlPath()});
}

void KLYTDLListingTask::prepareTaskDescription() {
    setTaskDescription(m_description);
}

void KLYTDLListingTask::doTaskMain() {
    prepareTaskDescription();
    if (const std::optional<QString> stored = KLYTDLListingCache::cached(m_scriptName)) {
        setResult(*stored);
        setFinished(true);
        return;
    }
    runScriptToEnd(getCommand(), [this](const QString &whole) {
        const QString output = whole.trimmed();
        if (output.isEmpty()) {
            setError(failure(KLError::ytdlInformationType, m_errorDescription));
        } else {
            KLYTDLListingCache::store(m_scriptName, output);
            setResult(output);
        }
        setFinished(true);
    });
}
