#include "Model/KLTask/YTDL/KLYTDLGetLinksFromURLTask.h"

#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"
#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Utils/KLScratchFolder.h"
#include "Utils/KLScriptManager.h"

#include <QFileInfo>

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <optional>

namespace {

// The information file the record names, when it is a file of the listing's own folder.
KLYTDLInformationFile informationIn(const QJsonObject &object,
                                    const std::shared_ptr<KLScratchFolder> &folder) {
    const QString path = object.value(QStringLiteral("information")).toString();
    if (folder == nullptr || path.isEmpty()) {
        return {};
    }
    const QFileInfo file(path);
    if (file.absolutePath() != QFileInfo(folder->path()).absoluteFilePath() || !file.isFile()) {
        return {};
    }
    return KLYTDLInformationFile(file.absoluteFilePath(), folder);
}

std::shared_ptr<KLYTDLLinkDescription> linkFromLine(const QString &line,
                                                    const std::shared_ptr<KLScratchFolder> &folder) {
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8());
    if (!document.isObject()) {
        return nullptr;
    }
    const QJsonObject object = document.object();
    const QString address = object.value(QStringLiteral("webpage_url")).toString();
    if (address.isEmpty()) {
        return nullptr;
    }
    const QUrl link(address);
    if (!link.isValid() || link.scheme().isEmpty()) {
        return nullptr;
    }
    const QJsonValue title = object.value(QStringLiteral("title"));
    auto description = std::make_shared<KLYTDLLinkDescription>(
        link, title.isString() ? std::optional<QString>(title.toString()) : std::nullopt);
    description->setInformationFile(informationIn(object, folder));
    return description;
}

} // namespace

KLYTDLGetLinksFromURLTask::KLYTDLGetLinksFromURLTask(const QUrl &sourceURL) : m_sourceURL(sourceURL) {
    setType(shortDownloadType);
}

QString KLYTDLGetLinksFromURLTask::getCommand(const QString &informationFolder, const QString &proxyFile,
                                              const QString &cookiesFile) const {
    return KLScriptManager::commandForScript(
        QStringLiteral("ytdl_json_information"),
        {KLYTDLScriptArguments::ytdlPath(), m_sourceURL.toString(QUrl::FullyEncoded),
         KLYTDLScriptArguments::provider(settings().get()), proxyFile, informationFolder, cookiesFile});
}

KLYTDLGetLinksFromURLTask::Links
KLYTDLGetLinksFromURLTask::linksFromOutput(const QString &output,
                                           const std::shared_ptr<KLScratchFolder> &informationFolder) {
    Links links;
    const QString trimmed = output.trimmed();
    if (trimmed.isEmpty()) {
        return links;
    }
    for (const QString &line : trimmed.split(QLatin1Char('\n'))) {
        if (std::shared_ptr<KLYTDLLinkDescription> link = linkFromLine(line, informationFolder)) {
            links.append(std::move(link));
        }
    }
    return links;
}

void KLYTDLGetLinksFromURLTask::prepareTaskDescription() {
    setTaskDescription(QStringLiteral("Analyzing %1...").arg(m_sourceURL.toString()));
}

void KLYTDLGetLinksFromURLTask::doTaskMain() {
    prepareTaskDescription();
    // Held by the descriptions that name one of its files; gone with this task when none does.
    const std::shared_ptr<KLScratchFolder> informationFolder = KLScratchFolder::create();
    // Read while the script runs.
    const KLDownloadProxyFile proxy = KLYTDLScriptArguments::proxyFile(settings().get());
    const KLDownloaderCookies cookies = KLYTDLScriptArguments::cookies(*this);
    runScriptToEnd(getCommand(informationFolder->path(), proxy.path(), cookies.path()),
                   [this, informationFolder, proxy, cookies](const QString &output) {
                       const Links links = linksFromOutput(output, informationFolder);
                       if (links.isEmpty()) {
                           setError(failure(KLError::downloadAnalysisType,
                                            QStringLiteral("Could not get target link from source URL: %1")
                                                .arg(m_sourceURL.toString())));
                       } else {
                           setResult(links);
                       }
                       setFinished(true);
                   });
}
