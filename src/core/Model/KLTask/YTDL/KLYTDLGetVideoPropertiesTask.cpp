#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLScratchFolder.h"

#include <QCoreApplication>
#include <QTimer>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
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

KLYTDLGetVideoPropertiesTask::~KLYTDLGetVideoPropertiesTask() = default;

QUrl KLYTDLGetVideoPropertiesTask::referer() const {
    return m_referer;
}

void KLYTDLGetVideoPropertiesTask::setReferer(const QUrl &referer) {
    m_referer = referer;
}

void KLYTDLGetVideoPropertiesTask::setInformationFile(const KLYTDLInformationFile &informationFile) {
    m_informationFile = informationFile;
}

void KLYTDLGetVideoPropertiesTask::setKeepsDownload(bool keepsDownload) {
    m_keepsDownload = keepsDownload;
}

void KLYTDLGetVideoPropertiesTask::setMakesThumbnail(bool makesThumbnail) {
    m_makesThumbnail = makesThumbnail;
}

KLYTDLGetVideoPropertiesTask::PartialDownload KLYTDLGetVideoPropertiesTask::takePartialDownload() {
    return std::exchange(m_partialDownload, PartialDownload());
}

std::shared_ptr<KLYTDLDownloadTask> KLYTDLGetVideoPropertiesTask::downloadTask() const {
    return m_downloadTask;
}

std::shared_ptr<KLGetLocalVideoPropertiesTask> KLYTDLGetVideoPropertiesTask::propertiesTask() const {
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
    m_terminated = true;
    download = m_downloadTask;
    properties = m_propertiesTask;
    if (download) {
        download->terminate();
    }
    if (properties) {
        properties->terminate();
    }
    KLScriptTask::terminate();
    KLDispatch::async([self = std::static_pointer_cast<KLYTDLGetVideoPropertiesTask>(shared_from_this())] {
        self->releaseFolderWhenQuiet();
    });
}

bool KLYTDLGetVideoPropertiesTask::isTerminated() const {
    return m_terminated || hasEnded();
}

void KLYTDLGetVideoPropertiesTask::prepareTaskDescription() {
    setTaskDescription(QStringLiteral("Retrieving information for: %1...").arg(m_sourceURL.toString()));
}

void KLYTDLGetVideoPropertiesTask::doTaskMain() {
    prepareTaskDescription();
    m_folder = KLScratchFolder::create();
    startDownload();
}

void KLYTDLGetVideoPropertiesTask::startDownload() {
    auto download =
        std::make_shared<KLYTDLDownloadTask>(m_sourceURL, m_folder->filePath(downloadName), false, referer());
    if (m_terminated) {
        return;
    }
    download->setSettings(settings());
    download->setSessionCookies(sessionCookies());
    download->setInformationFile(std::exchange(m_informationFile, KLYTDLInformationFile()));
    m_downloadTask = download;
    m_clock.start();
    // Connected with this task as the context: the connections go with whichever of the two goes first.
    connect(download.get(), &KLTask::taskHasReachedCompletionFactor, this,
            &KLYTDLGetVideoPropertiesTask::askToAdvance);
    connect(download.get(), &KLTask::taskWasCompleted, this, &KLYTDLGetVideoPropertiesTask::askToAdvance);
    connect(download.get(), &KLTask::taskWasTerminated, this, &KLYTDLGetVideoPropertiesTask::askToAdvance);
    download->start();
}

void KLYTDLGetVideoPropertiesTask::askToAdvance() {
    // Progress comes line by line; one pass after a burst of lines is enough, and a pass never runs inside
    // the download's own report.
    if (std::exchange(m_advanceAsked, true)) {
        return;
    }
    KLDispatch::async([weakSelf = weak_from_this()] {
        if (const auto self = std::static_pointer_cast<KLYTDLGetVideoPropertiesTask>(weakSelf.lock())) {
            self->m_advanceAsked = false;
            self->advance();
        }
    });
}

void KLYTDLGetVideoPropertiesTask::advance() {
    const std::shared_ptr<KLYTDLDownloadTask> download = downloadTask();
    if (download == nullptr || isTerminated() || m_phase == Phase::Trying || m_phase == Phase::Done) {
        return;
    }
    const QString partial = download->targetURL() + partialExtension;
    const qint64 current = QFileInfo(partial).size();
    m_growth.sample(current, m_clock.elapsed());
    if (m_phase == Phase::WaitingForEnd) {
        if (!download->hasEnded()) {
            return;
        }
        m_phase = Phase::Growing;
    }
    // Past the probed share the download is given up on whatever the file holds: its parts may be written
    // under names of their own.
    const double share = download->completionFactor();
    if (download->hasEnded() || share < 0.0 || (share > maximumProbedShare && share < 1.0) ||
        current >= m_probeSize) {
        probeOnce();
    }
}

void KLYTDLGetVideoPropertiesTask::probeOnce() {
    KLYTDLDownloadTask &download = *downloadTask();
    if (download.error()) {
        probed(Probe::Measurable); // whatever arrived is measured
        return;
    }
    // Read before probing, so the probe has seen at least this much of the file.
    const double share = download.completionFactor();
    // Assembled from parts by ffmpeg: the file is no usable beginning until it is done.
    if (share < 0.0) {
        probed(Probe::Assembled);
        return;
    }
    // The whole file: measuring it is what tells whether it decodes.
    if (download.finished()) {
        probed(Probe::Measurable);
        return;
    }
    const qint64 size = QFileInfo(download.targetURL() + partialExtension).size();
    // All bytes are in: the finished file is measured.
    if (share >= 1.0) {
        m_phase = Phase::WaitingForEnd;
        return;
    }
    // The rest comes sooner than a try would end: the finished file is measured, unless the download has
    // not ended by twice the time a try takes.
    if (m_trustsRate && restArrivesWithin(m_growth, size, share, m_tryTime)) {
        m_trustsRate = false;
        m_phase = Phase::WaitingForEnd;
        m_share = share;
        m_size = size;
        QTimer::singleShot(2 * m_tryTime, QCoreApplication::instance(),
                           [weakSelf = weak_from_this(), generation = ++m_deadlineGeneration] {
                               if (const auto self = std::static_pointer_cast<KLYTDLGetVideoPropertiesTask>(
                                       weakSelf.lock())) {
                                   self->deadlinePassed(generation);
                               }
                           });
        return;
    }
    startTry(share, size);
}

void KLYTDLGetVideoPropertiesTask::deadlinePassed(int generation) {
    const std::shared_ptr<KLYTDLDownloadTask> download = downloadTask();
    if (generation != m_deadlineGeneration || m_phase != Phase::WaitingForEnd || isTerminated() ||
        download == nullptr || download->hasEnded()) {
        return;
    }
    startTry(m_share, m_size);
}

void KLYTDLGetVideoPropertiesTask::startTry(double share, qint64 size) {
    m_phase = Phase::Trying;
    const QString partial = downloadTask()->targetURL() + partialExtension;
    auto tryClock = std::make_shared<QElapsedTimer>();
    tryClock->start();
    runScriptToEnd(
        KLGetLocalVideoPropertiesTask::getThumbnailCommandWithInputFile(partial,
                                                                        m_folder->filePath(testFrameName)),
        [this, share, size, tryClock](const QString &) { tryEnded(share, size, tryClock->elapsed()); });
}

void KLYTDLGetVideoPropertiesTask::tryEnded(double share, qint64 size, qint64 tryTime) {
    KLYTDLDownloadTask &download = *downloadTask();
    m_tryTime = tryTime;
    m_phase = Phase::Growing;
    if (QFileInfo::exists(m_folder->filePath(testFrameName))) {
        probed(Probe::Measurable);
        return;
    }
    // The rest arrived during the try: the whole file is measured instead of giving up on it.
    if (download.finished() || download.completionFactor() >= 1.0) {
        advance();
        return;
    }
    if (share > maximumProbedShare) {
        probed(Probe::Undeterminate);
        return;
    }
    m_probeSize = std::max(2 * size, size + firstProbeSize);
    advance();
}

void KLYTDLGetVideoPropertiesTask::probed(Probe probe) {
    m_phase = Phase::Done;
    const std::shared_ptr<KLYTDLDownloadTask> download = downloadTask();
    QObject::disconnect(download.get(), nullptr, this, nullptr);
    // The beginning of the file is enough; it is measured once the downloader no longer writes.
    download->terminate();
    download->whenScriptsExited([weakSelf = weak_from_this(), probe] {
        if (const auto self = std::static_pointer_cast<KLYTDLGetVideoPropertiesTask>(weakSelf.lock())) {
            if (!self->isTerminated()) {
                self->measure(probe);
            }
        }
    });
}

void KLYTDLGetVideoPropertiesTask::measure(Probe probe) {
    const std::shared_ptr<KLYTDLDownloadTask> download = downloadTask();
    // What a failed download left may be anything, and what ffmpeg assembled cannot be continued; the rest
    // can.
    const std::shared_ptr<KLError> failure = download->error();
    const bool continuable =
        probe != Probe::Assembled && (failure == nullptr || failure->errorType() == KLError::terminatedType);
    const uint64_t size = KLKinolarkUtils::parseSize(download->downloadSize().value_or(QString()));
    const QString title = titleFromInformationFile(m_folder->filePath(downloadName + informationExtension));
    if (probe != Probe::Measurable) {
        measured(undeterminateProperties(title), continuable);
        return;
    }
    auto measuring =
        std::make_shared<KLGetLocalVideoPropertiesTask>(download->resultAs<QString>(), m_makesThumbnail);
    if (m_terminated) {
        return;
    }
    m_propertiesTask = measuring;
    measuring->setCompletionBlock([weakSelf = weak_from_this(), title, size, continuable](KLTask *ended) {
        const auto self = std::static_pointer_cast<KLYTDLGetVideoPropertiesTask>(weakSelf.lock());
        if (self == nullptr || self->isTerminated()) {
            return;
        }
        auto properties = ended->error() ? nullptr : ended->resultAs<std::shared_ptr<KLVideoProperties>>();
        if (!properties) {
            properties = undeterminateProperties(title);
        }
        properties->setTitle(title);
        properties->setSize(size);
        self->measured(properties, continuable);
    });
    measuring->start();
}

void KLYTDLGetVideoPropertiesTask::measured(const std::shared_ptr<KLVideoProperties> &properties,
                                            bool continuable) {
    if (continuable) {
        keepDownload();
    }
    // Unless it was kept, the folder goes before the end is reported, so that nobody who waits for the end
    // finds it still there: the partial download can be large.
    m_folder.reset();
    setResult(properties);
    setFinished(true);
}

void KLYTDLGetVideoPropertiesTask::keepDownload() {
    const std::shared_ptr<KLYTDLDownloadTask> download = downloadTask();
    QFile::remove(m_folder->filePath(testFrameName));
    // A download stopped on the way reports a termination and has left only the unfinished file.
    const bool complete = download->error() == nullptr && QFileInfo(download->targetURL()).isFile();
    // A termination must not find something kept after it.
    if (m_keepsDownload && !m_terminated) {
        m_partialDownload = PartialDownload{m_folder, complete};
    }
}

void KLYTDLGetVideoPropertiesTask::releaseFolderWhenQuiet() {
    const auto self = std::static_pointer_cast<KLYTDLGetVideoPropertiesTask>(shared_from_this());
    whenScriptsExited([self] {
        const std::shared_ptr<KLYTDLDownloadTask> download = self->downloadTask();
        if (download == nullptr) {
            self->m_folder.reset();
            return;
        }
        download->whenScriptsExited([self] { self->m_folder.reset(); });
    });
}
