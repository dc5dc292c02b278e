#include "Model/KLTask/Xidel/KLScrapingTask.h"

#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Utils/KLScriptManager.h"

KLScrapingTask::KLScrapingTask(int32_t type, const QString &description) : m_description(description) {
    setType(type);
}

QString KLScrapingTask::getCommand(const QString &proxyFile, const QString &cookieFile) const {
    QStringList arguments = scriptArguments();
    if (fetchesFromTheWeb() && (!proxyFile.isEmpty() || !cookieFile.isEmpty())) {
        arguments.append(proxyFile);
        if (!cookieFile.isEmpty()) {
            arguments.append(cookieFile);
        }
    }
    return KLScriptManager::commandForScript(scriptName(), arguments);
}

void KLScrapingTask::prepareTaskDescription() {
    setTaskDescription(m_description);
}

void KLScrapingTask::doTaskMain() {
    prepareTaskDescription();
    // The script reads the proxy and the cookies from their files while it runs; the files go once it has
    // ended.
    const KLDownloadProxyFile proxy =
        fetchesFromTheWeb() ? KLYTDLScriptArguments::proxyFile(settings().get()) : KLDownloadProxyFile();
    const KLDownloaderCookies cookies =
        fetchesFromTheWeb() ? KLYTDLScriptArguments::cookies(*this) : KLDownloaderCookies();
    runScriptToEnd(getCommand(proxy.path(), cookies.cookieFile()),
                   [this, proxy, cookies](const QString &output) {
                       setResult(resultFromOutput(output));
                       setFinished(true);
                   });
}
