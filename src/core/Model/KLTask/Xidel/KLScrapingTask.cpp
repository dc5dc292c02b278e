#include "Model/KLTask/Xidel/KLScrapingTask.h"

#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Utils/KLScriptManager.h"

KLScrapingTask::KLScrapingTask(int32_t type, const QString &description) : m_description(description) {
    setType(type);
}

QString KLScrapingTask::getCommand(const QString &proxyFile) const {
    QStringList arguments = scriptArguments();
    if (fetchesFromTheWeb() && !proxyFile.isEmpty()) {
        arguments.append(proxyFile);
    }
    return KLScriptManager::commandForScript(scriptName(), arguments);
}

void KLScrapingTask::prepareTaskDescription() {
    setTaskDescription(m_description);
}

void KLScrapingTask::doTaskMain() {
    prepareTaskDescription();
    // The script reads the proxy from the file while it runs; the file goes once it has ended.
    const KLDownloadProxyFile proxy =
        fetchesFromTheWeb() ? KLYTDLScriptArguments::proxyFile(settings().get()) : KLDownloadProxyFile();
    runScriptToEnd(getCommand(proxy.path()), [this, proxy](const QString &output) {
        setResult(resultFromOutput(output));
        setFinished(true);
    });
}
