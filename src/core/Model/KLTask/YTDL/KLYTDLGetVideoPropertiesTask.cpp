#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/KLTaskProgressWaiter.h"
#include "Model/KLTask/YTDL/KLDownloadGrowth.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLScratchFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

const QString partialExtension = QStringLiteral(".part");
const QString informationExtension = QStringLiteral(".info.json");
const QString testFrameName = QStringLiteral("thumbnail.png");

// The information file is written before the media arrives, but a site's metadata can be large; anything
// beyond this is no information file of ours.
constexpr qint64 maximumInformationFileSize = 64 * 1024 * 1024;

QString textField(const QJsonObject &object, const QString &key) {
    return object.value(key).toString();
}

// Whether the file, `share` of which is `size` bytes, will be whole within `milliseconds` at the rate it
// has grown so far.
bool restArrivesWithin(const KLDownloadGrowth &growth, qint64 size, double share, qint64 milliseconds) {
    if (share <= 0.0 || share >= 1.0) {
        return false;
    }
    const std::optional<qint64> remaining = growth.millisecondsUntil(qint64(double(size) / share));
    return remaining && *remaining < milliseconds;
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

void KLYTDLGetVideoPropertiesTask::setInformationFile(const KLYTDLInformationFile &informationFile) {
    std::lock_guard lock(m_lock);
    m_informationFile = informationFile;
}

void KLYTDLGetVideoPropertiesTask::setKeepsDownload(bool keepsDownload) {
    std::lock_guard lock(m_lock);
    m_keepsDownload = keepsDownload;
}

KLYTDLGetVideoPropertiesTask::PartialDownload KLYTDLGetVideoPropertiesTask::takePartialDownload() {
    std::lock_guard lock(m_lock);
    return std::exchange(m_partialDownload, PartialDownload());
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
    std::shared_ptr<KLTaskProgressWaiter> waiter;
    {
        std::lock_guard lock(m_lock);
        m_terminated = true;
        download = m_downloadTask;
        properties = m_propertiesTask;
        waiter = m_progressWaiter;
    }
    if (download) {
        download->terminate();
    }
    if (properties) {
        properties->terminate();
    }
    if (waiter) {
        waiter->wake();
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
    std::shared_ptr<KLScratchFolder> folder = KLScratchFolder::create();
    bool continuable = false;
    const std::shared_ptr<KLVideoProperties> properties = measureDownload(*folder, continuable);
    if (const std::shared_ptr<KLYTDLDownloadTask> download = downloadTask()) {
        stopDownload(*download);
    }
    if (properties && continuable) {
        keepDownload(folder);
    }
    // Unless it was kept, the folder goes before the end is reported, so that nobody who waits for the end
    // finds it still there: the partial download can be large.
    folder.reset();
    if (properties) {
        setResult(properties);
        setFinished(true);
    }
}

void KLYTDLGetVideoPropertiesTask::keepDownload(const std::shared_ptr<KLScratchFolder> &folder) {
    const std::shared_ptr<KLYTDLDownloadTask> download = downloadTask();
    if (download == nullptr || isTerminated()) {
        return;
    }
    QFile::remove(folder->filePath(testFrameName));
    // A download stopped on the way reports a termination and has left only the unfinished file.
    const bool complete = download->error() == nullptr && QFileInfo(download->targetURL()).isFile();
    std::lock_guard lock(m_lock);
    // Checked under the lock: a termination must not find something kept after it.
    if (m_keepsDownload && !m_terminated) {
        m_partialDownload = PartialDownload{folder, complete};
    }
}

std::shared_ptr<KLVideoProperties>
KLYTDLGetVideoPropertiesTask::measureDownload(const KLScratchFolder &folder, bool &continuable) {
    const std::shared_ptr<KLYTDLDownloadTask> download = startDownload(folder);
    if (!download) {
        return nullptr;
    }
    const Probe probe = probeDownload(*download, folder.filePath(testFrameName));
    if (probe == Probe::Terminated || isTerminated()) {
        return nullptr;
    }

    // The beginning of the file is enough. What a failed download left may be anything, and what ffmpeg
    // assembled cannot be continued; the rest can.
    stopDownload(*download);
    const std::shared_ptr<KLError> failure = download->error();
    continuable =
        probe != Probe::Assembled && (failure == nullptr || failure->errorType() == KLError::terminatedType);
    const uint64_t size = KLKinolarkUtils::parseSize(download->downloadSize().value_or(QString()));
    const QString title = titleFromInformationFile(folder.filePath(downloadName + informationExtension));
    if (probe == Probe::Undeterminate || probe == Probe::Assembled) {
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
KLYTDLGetVideoPropertiesTask::startDownload(const KLScratchFolder &folder) {
    if (isTerminated()) {
        return nullptr;
    }
    auto download =
        std::make_shared<KLYTDLDownloadTask>(m_sourceURL, folder.filePath(downloadName), false, referer());
    {
        std::lock_guard lock(m_lock);
        download->setInformationFile(std::exchange(m_informationFile, KLYTDLInformationFile()));
        m_progressWaiter = std::make_shared<KLTaskProgressWaiter>(download);
    }
    if (!adopt(m_downloadTask, download)) {
        return nullptr;
    }
    download->start();
    return download;
}

KLYTDLGetVideoPropertiesTask::Probe
KLYTDLGetVideoPropertiesTask::probeDownload(KLYTDLDownloadTask &download, const QString &testFramePath) {
    const QString partial = download.targetURL() + partialExtension;
    QElapsedTimer clock;
    clock.start();
    KLDownloadGrowth growth;
    qint64 tryTime = firstTryMilliseconds;
    // Cleared once the download has not ended when it was expected to: the source may have stalled.
    bool trustsRate = true;
    qint64 probeSize = firstProbeSize;
    for (;;) {
        waitForGrowth(download, partial, probeSize,
                      [&](qint64 bytes) { growth.sample(bytes, clock.elapsed()); });
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
            stopDownload(download);
            return Probe::Assembled;
        }
        // The whole file: measuring it is what tells whether it decodes.
        if (download.finished()) {
            return Probe::Measurable;
        }
        const qint64 size = QFileInfo(partial).size();
        // All bytes are in: the finished file is measured.
        if (share >= 1.0) {
            waitForEnd(download);
            continue;
        }
        // The rest comes sooner than a try would end: the finished file is measured, unless the download
        // has not ended by twice the time a try takes.
        if (trustsRate && restArrivesWithin(growth, size, share, tryTime)) {
            trustsRate = false;
            const auto deadline = std::chrono::steady_clock::now() + 2 * std::chrono::milliseconds(tryTime);
            if (waitForEnd(download, deadline)) {
                continue;
            }
        }
        QElapsedTimer tryClock;
        tryClock.start();
        runScriptToEnd(
            KLGetLocalVideoPropertiesTask::getThumbnailCommandWithInputFile(partial, testFramePath));
        tryTime = tryClock.elapsed();
        if (QFileInfo::exists(testFramePath)) {
            return Probe::Measurable;
        }
        // The rest arrived during the try: the whole file is measured instead of giving up on it.
        if (download.finished() || download.completionFactor() >= 1.0) {
            continue;
        }
        if (share > maximumProbedShare) {
            return giveUpProbing(download);
        }
        probeSize = std::max(2 * size, size + firstProbeSize);
    }
}

void KLYTDLGetVideoPropertiesTask::waitForGrowth(KLYTDLDownloadTask &download, const QString &path,
                                                 qint64 size, const std::function<void(qint64)> &observe) {
    // Past the probed share the download is given up on whatever the file holds: its parts may be written
    // under names of their own.
    progressWaiter()->waitUntil([&] {
        const double share = download.completionFactor();
        const qint64 current = QFileInfo(path).size();
        observe(current);
        return isTerminated() || download.hasEnded() || share < 0.0 ||
               (share > maximumProbedShare && share < 1.0) || current >= size;
    });
}

bool KLYTDLGetVideoPropertiesTask::waitForEnd(KLYTDLDownloadTask &download,
                                              std::chrono::steady_clock::time_point deadline) {
    return progressWaiter()->waitUntil([&] { return isTerminated() || download.hasEnded(); }, deadline);
}

std::shared_ptr<KLTaskProgressWaiter> KLYTDLGetVideoPropertiesTask::progressWaiter() const {
    std::lock_guard lock(m_lock);
    return m_progressWaiter;
}

KLYTDLGetVideoPropertiesTask::Probe
KLYTDLGetVideoPropertiesTask::giveUpProbing(KLYTDLDownloadTask &download) {
    stopDownload(download);
    return Probe::Undeterminate;
}

void KLYTDLGetVideoPropertiesTask::stopDownload(KLYTDLDownloadTask &download) {
    download.terminate();
    download.waitForWorkToReturn();
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
