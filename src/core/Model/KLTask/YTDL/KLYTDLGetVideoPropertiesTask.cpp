#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <thread>

namespace {

const QString downloadName = QStringLiteral("download");
const QString informationExtension = QStringLiteral(".info.json");
const QString testFrameName = QStringLiteral("thumbnail.png");

constexpr std::chrono::milliseconds beginPollInterval(10);
constexpr std::chrono::milliseconds probeInterval(100);
constexpr std::chrono::milliseconds folderRemovalRetryInterval(200);

// The information file is written before the media arrives, but a site's metadata can be large; anything
// beyond this is no information file of ours.
constexpr qint64 maximumInformationFileSize = 64 * 1024 * 1024;

QString textField(const QJsonObject &object, const QString &key) {
    return object.value(key).toString();
}

} // namespace

KLYTDLGetVideoPropertiesTask::KLYTDLGetVideoPropertiesTask(const QUrl &sourceURL) : m_sourceURL(sourceURL) {
    setType(shortProcessingType);
}

QUrl KLYTDLGetVideoPropertiesTask::referer() const {
    std::lock_guard lock(m_lock);
    return m_referer;
}

void KLYTDLGetVideoPropertiesTask::setReferer(const QUrl &referer) {
    std::lock_guard lock(m_lock);
    m_referer = referer;
}

std::shared_ptr<KLYTDLDownloadTask> KLYTDLGetVideoPropertiesTask::downloadTask() const {
    std::lock_guard lock(m_lock);
    return m_downloadTask;
}

std::shared_ptr<KLGetLocalVideoPropertiesTask> KLYTDLGetVideoPropertiesTask::propertiesTask() const {
    std::lock_guard lock(m_lock);
    return m_propertiesTask;
}

QString KLYTDLGetVideoPropertiesTask::titleFromInformationFile(const QString &path) {
    QFile file(path);
    if (file.size() > maximumInformationFileSize || !file.open(QIODevice::ReadOnly)) {
        return unknownTitle;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    const QJsonObject information = document.object();
    for (const QString &key : {QStringLiteral("title"), QStringLiteral("fulltitle")}) {
        const QString title = textField(information, key);
        if (!title.isEmpty()) {
            return title;
        }
    }
    return unknownTitle;
}

std::shared_ptr<KLVideoProperties>
KLYTDLGetVideoPropertiesTask::undeterminateProperties(const QString &title) {
    auto properties = std::make_shared<KLVideoProperties>();
    properties->setTitle(title);
    properties->setContainer(QStringLiteral("mp4"));
    properties->setContainerMode(KLVideoProperties::videoAndAudioMode);
    properties->setUndeterminate(true);
    return properties;
}

void KLYTDLGetVideoPropertiesTask::terminate() {
    std::shared_ptr<KLYTDLDownloadTask> download;
    std::shared_ptr<KLGetLocalVideoPropertiesTask> properties;
    {
        std::lock_guard lock(m_lock);
        m_terminated = true;
        download = m_downloadTask;
        properties = m_propertiesTask;
    }
    if (download) {
        download->terminate();
    }
    if (properties) {
        properties->terminate();
    }
    KLScriptTask::terminate();
}

bool KLYTDLGetVideoPropertiesTask::isTerminated() const {
    std::lock_guard lock(m_lock);
    return m_terminated || hasEnded();
}

template <class Task>
bool KLYTDLGetVideoPropertiesTask::adopt(std::shared_ptr<Task> &slot, const std::shared_ptr<Task> &task) {
    {
        std::lock_guard lock(m_lock);
        if (!m_terminated && !hasEnded()) {
            slot = task;
            return true;
        }
    }
    task->terminate();
    return false;
}

void KLYTDLGetVideoPropertiesTask::prepareTaskDescription() {
    setTaskDescription(QStringLiteral("Retrieving information for: %1...").arg(m_sourceURL.toString()));
}

void KLYTDLGetVideoPropertiesTask::doTaskMain() {
    prepareTaskDescription();
    const QString temporaryFolder = KLKinolarkUtils::createTemporaryFolder();
    const std::shared_ptr<KLVideoProperties> properties = measureDownload(temporaryFolder);
    // Nothing in the folder is of use afterwards: the record holds everything that was measured, and the
    // partial download can be large. It goes before the end is reported, so that nobody who waits for the
    // end finds it still there.
    removeFolder(temporaryFolder);
    if (properties) {
        setResult(properties);
        setFinished(true);
    }
}

void KLYTDLGetVideoPropertiesTask::removeFolder(const QString &folder) {
    // A downloader that was just stopped may still be ending and leave a last file behind.
    for (int attempt = 0; attempt < 3 && !QDir(folder).removeRecursively(); ++attempt) {
        std::this_thread::sleep_for(folderRemovalRetryInterval);
    }
}

std::shared_ptr<KLVideoProperties>
KLYTDLGetVideoPropertiesTask::measureDownload(const QString &temporaryFolder) {
    const std::shared_ptr<KLYTDLDownloadTask> download = startDownload(temporaryFolder);
    if (!download || !waitForDownloadToBegin(*download)) {
        return nullptr;
    }
    const Probe probe = probeDownload(*download, QDir(temporaryFolder).filePath(testFrameName));
    if (probe == Probe::Terminated || isTerminated()) {
        return nullptr;
    }

    // The beginning of the file is enough.
    download->terminate();
    download->wait();
    const uint64_t size = KLKinolarkUtils::parseSize(download->downloadSize().value_or(QString()));
    const QString title =
        titleFromInformationFile(QDir(temporaryFolder).filePath(downloadName + informationExtension));
    if (probe == Probe::Undeterminate) {
        return undeterminateProperties(title);
    }

    const std::shared_ptr<KLGetLocalVideoPropertiesTask> measuring =
        measureFile(download->resultAs<QString>());
    if (!measuring) {
        return nullptr;
    }
    auto properties =
        measuring->error() ? nullptr : measuring->resultAs<std::shared_ptr<KLVideoProperties>>();
    if (!properties) {
        properties = undeterminateProperties(title);
    }
    properties->setTitle(title);
    properties->setSize(size);
    return properties;
}

std::shared_ptr<KLYTDLDownloadTask>
KLYTDLGetVideoPropertiesTask::startDownload(const QString &temporaryFolder) {
    if (isTerminated()) {
        return nullptr;
    }
    auto download = std::make_shared<KLYTDLDownloadTask>(
        m_sourceURL, QDir(temporaryFolder).filePath(downloadName), false, referer());
    if (!adopt(m_downloadTask, download)) {
        return nullptr;
    }
    download->start();
    return download;
}

bool KLYTDLGetVideoPropertiesTask::waitForDownloadToBegin(const KLYTDLDownloadTask &download) const {
    while (!download.result().has_value() && !download.finished()) {
        if (isTerminated()) {
            return false;
        }
        std::this_thread::sleep_for(beginPollInterval);
    }
    return !isTerminated();
}

KLYTDLGetVideoPropertiesTask::Probe
KLYTDLGetVideoPropertiesTask::probeDownload(KLYTDLDownloadTask &download, const QString &testFramePath) {
    for (;;) {
        if (isTerminated()) {
            return Probe::Terminated;
        }
        if (download.error()) {
            return Probe::Measurable; // whatever arrived is measured
        }
        // Read before probing, so the probe has seen at least this much of the file.
        const double share = download.completionFactor();
        // Assembled from parts by ffmpeg: the file is no usable beginning until it is done.
        if (share < 0.0) {
            return giveUpProbing(download);
        }
        runScriptToEnd(KLGetLocalVideoPropertiesTask::getThumbnailCommandWithInputFile(
            download.resultAs<QString>(), testFramePath));
        if (QFileInfo::exists(testFramePath) || download.finished()) {
            return Probe::Measurable;
        }
        if (share > maximumProbedShare) {
            return giveUpProbing(download);
        }
        std::this_thread::sleep_for(probeInterval);
    }
}

KLYTDLGetVideoPropertiesTask::Probe
KLYTDLGetVideoPropertiesTask::giveUpProbing(KLYTDLDownloadTask &download) {
    download.terminate();
    download.wait();
    return Probe::Undeterminate;
}

std::shared_ptr<KLGetLocalVideoPropertiesTask>
KLYTDLGetVideoPropertiesTask::measureFile(const QString &path) {
    auto measuring = std::make_shared<KLGetLocalVideoPropertiesTask>(path);
    if (!adopt(m_propertiesTask, measuring)) {
        return nullptr;
    }
    measuring->start();
    measuring->wait();
    return isTerminated() ? nullptr : measuring;
}
