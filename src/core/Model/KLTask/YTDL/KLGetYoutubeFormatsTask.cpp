#include "Model/KLTask/YTDL/KLGetYoutubeFormatsTask.h"

#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"
#include "Utils/KLLog.h"
#include "Utils/KLScriptManager.h"

#include <QStringList>

KLGetYoutubeFormatsTask::KLGetYoutubeFormatsTask(const QUrl &sourceURL) : m_sourceURL(sourceURL) {
    setType(shortDownloadType);
}

QString KLGetYoutubeFormatsTask::getCommand(const QString &proxyFile, const QString &cookiesFile) const {
    return KLScriptManager::commandForScript(
        QStringLiteral("list_youtube_format_descriptions"),
        {KLYTDLScriptArguments::ytdlPath(), sourceURLString(), proxyFile, cookiesFile});
}

KLGetYoutubeFormatsTask::Formats
KLGetYoutubeFormatsTask::parseFormatsFromDescriptions(const QString &descriptions) {
    KLLog::log(QStringLiteral("Parsing descriptions"));
    Formats formats;
    bool pastHeading = false;
    const QStringList lines = descriptions.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        KLLog::log(line);
        // Whatever the downloader prints before its table (progress messages) is no format.
        if (!pastHeading) {
            pastHeading = line.startsWith(QStringLiteral("format code"));
            continue;
        }
        if (std::shared_ptr<KLYoutubeFormatDescription> format =
                KLYoutubeFormatDescription::parseFormatLine(line)) {
            formats.append(std::move(format));
        }
    }
    return formats;
}

void KLGetYoutubeFormatsTask::prepareTaskDescription() {
    setTaskDescription(QStringLiteral("Retrieving formats for %1...").arg(sourceURLString()));
}

void KLGetYoutubeFormatsTask::doTaskMain() {
    prepareTaskDescription();
    // Read while the script runs.
    const KLDownloadProxyFile proxy = KLYTDLScriptArguments::proxyFile(settings().get());
    const KLDownloaderCookies cookies = KLYTDLScriptArguments::cookies(*this);
    runScriptToEnd(getCommand(proxy.path(), cookies.path()), [this, proxy, cookies](const QString &output) {
        const Formats formats = parseFormatsFromDescriptions(output.trimmed());
        if (formats.isEmpty()) {
            setError(failure(
                KLError::downloadAnalysisType,
                QStringLiteral("Could not process formats from source URL: %1").arg(sourceURLString())));
        } else {
            setResult(formats);
        }
        setFinished(true);
    });
}

QString KLGetYoutubeFormatsTask::sourceURLString() const {
    return m_sourceURL.toString(QUrl::FullyEncoded);
}
