#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"

#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLScriptManager.h"

KLUpdateYTDLTask::KLUpdateYTDLTask() {
    setType(shortDownloadType);
}

QString KLUpdateYTDLTask::getCommand() const {
    const std::shared_ptr<KLDefaultPreferences> preferences =
        KLObjectRepository::singleton()->getPreferences();
    return KLScriptManager::commandForScript(QStringLiteral("update_downloaders"),
                                             {KLYTDLScriptArguments::ytdlPath(),
                                              preferences ? preferences->updateProxyURL() : QString(),
                                              preferences ? preferences->updateProxyAuth() : QString()});
}

void KLUpdateYTDLTask::prepareTaskDescription() {
    setTaskDescription(QStringLiteral("Updating downloaders..."));
}

void KLUpdateYTDLTask::doTaskMain() {
    prepareTaskDescription();
    const QString output = runScriptToEnd(getCommand());
    if (terminationRequested()) {
        return; // the termination reports the end
    }
    setResult(output);
    setFinished(true);
}
