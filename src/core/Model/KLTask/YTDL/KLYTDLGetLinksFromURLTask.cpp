#include "Model/KLTask/YTDL/KLYTDLGetLinksFromURLTask.h"

#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"
#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Utils/KLScriptManager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <optional>

namespace {

std::shared_ptr<KLYTDLLinkDescription> linkFromLine(const QString &line) {
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
    return std::make_shared<KLYTDLLinkDescription>(
        link, title.isString() ? std::optional<QString>(title.toString()) : std::nullopt);
}

} // namespace

KLYTDLGetLinksFromURLTask::KLYTDLGetLinksFromURLTask(const QUrl &sourceURL) : m_sourceURL(sourceURL) {
    setType(shortDownloadType);
}

QString KLYTDLGetLinksFromURLTask::getCommand() const {
    return KLScriptManager::commandForScript(
        QStringLiteral("ytdl_json_information"),
        {KLYTDLScriptArguments::ytdlPath(), m_sourceURL.toString(QUrl::FullyEncoded),
         KLYTDLScriptArguments::provider(), KLYTDLScriptArguments::proxyURL()});
}

KLYTDLGetLinksFromURLTask::Links KLYTDLGetLinksFromURLTask::linksFromOutput(const QString &output) {
    Links links;
    const QString trimmed = output.trimmed();
    if (trimmed.isEmpty()) {
        return links;
    }
    for (const QString &line : trimmed.split(QLatin1Char('\n'))) {
        if (std::shared_ptr<KLYTDLLinkDescription> link = linkFromLine(line)) {
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
    const Links links = linksFromOutput(runScriptToEnd(getCommand()));
    if (terminationRequested()) {
        return; // the termination on its way ends the task, as a termination and not as a failed listing
    }
    if (links.isEmpty()) {
        setError(failure(
            KLError::downloadAnalysisType,
            QStringLiteral("Could not get target link from source URL: %1").arg(m_sourceURL.toString())));
    } else {
        setResult(links);
    }
    setFinished(true);
}
