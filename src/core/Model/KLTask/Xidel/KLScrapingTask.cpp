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

void KLScrapingTask::terminate() {
    KLTask::terminate();
    KLScriptTask::terminate(); // its own report of the end is a no-op now
}

void KLScrapingTask::prepareTaskDescription() {
    setTaskDescription(m_description);
}

void KLScrapingTask::doTaskMain() {
    prepareTaskDescription();
    // The script reads the proxy from the file while it runs; the file goes once it has ended.
    const KLDownloadProxyFile proxy =
        fetchesFromTheWeb() ? KLYTDLScriptArguments::proxyFile() : KLDownloadProxyFile();
    const QString output = runScriptToEnd(getCommand(proxy.path()));
    // A terminated task has reported its end already; what its stopped script left is no result.
    if (!hasEnded()) {
        setResult(resultFromOutput(output));
    }
    setFinished(true);
}
