#include "Flow/Entries/Generators/KLYTDLEntry.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"
#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLScratchFolder.h"
#include "Utils/KLServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace {

const QString informationExtension = QStringLiteral(".info.json");

} // namespace

QUrl KLYTDLEntry::invokingURL() const {
    return m_invokingURL;
}

void KLYTDLEntry::setInvokingURL(const QUrl &invokingURL) {
    m_invokingURL = invokingURL;
}

void KLYTDLEntry::setInformationFile(const KLYTDLInformationFile &informationFile) {
    m_informationFile = informationFile;
}

void KLYTDLEntry::prepareWithCompletion(std::function<void()> completion) {
    if (comeBackPlaced()) {
        KLDispatch::async(std::move(completion)); // never inside the caller's own call
        return;
    }
    if (const QString download = keptWholeDownload(); !download.isEmpty()) {
        prepareFromKeptDownload(download, std::move(completion));
        return;
    }
    auto task = std::make_shared<KLYTDLGetVideoPropertiesTask>(originalURL());
    equipWebTask(*task);
    task->setMakesThumbnail(thumbnailsShown());
    task->setReferer(invokingURL());
    task->setKeepsDownload(true);
    task->setInformationFile(m_informationFile);
    m_propertiesTask = task;
    prepareWithPropertiesTask(task, [this, completion = std::move(completion)] {
        showKeptDownload();
        completion();
    });
}

bool KLYTDLEntry::comeBackPlaced() {
    const std::shared_ptr<KLKeptDownloads> kept = keptDownloads();
    if (kept == nullptr || services()->queuePersistence == nullptr) {
        return false;
    }
    const std::optional<KLKeptDownloads::Record> record = kept->record(originalURL());
    // Within one run a video queued again is fetched again, as asked; only an earlier run's result is
    // taken for the entry that its remembered queue brings back.
    if (!record.has_value() || record->stage != KLKeptDownloads::placedStage || record->fromThisRun ||
        !QFileInfo(record->destination).isFile()) {
        return false;
    }
    const QString output = record->destination;
    setTitle(QFileInfo(output).completeBaseName());
    setRepresentativeImage(services()->iconForFile(output, QSize(250, 250)));
    setOutputFile(output);
    setState(doneState);
    setCompleted(true);
    return true;
}

QString KLYTDLEntry::keptWholeDownload() const {
    const std::shared_ptr<KLKeptDownloads> kept = keptDownloads();
    if (kept == nullptr || !services()->continuesKeptDownloads) {
        return QString();
    }
    const std::optional<KLKeptDownloads::Record> record = keptDownloadRecord(*kept);
    const QString download =
        QDir(kept->folderFor(originalURL())).filePath(KLYTDLGetVideoPropertiesTask::downloadName);
    return record.has_value() && record->stage == KLKeptDownloads::downloadedStage &&
                   QFileInfo(download).isFile()
               ? download
               : QString();
}

void KLYTDLEntry::prepareFromKeptDownload(const QString &download, std::function<void()> completion) {
    const QString title =
        KLYTDLGetVideoPropertiesTask::titleFromInformationFile(download + informationExtension);
    const auto size = static_cast<uint64_t>(QFileInfo(download).size());
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(download, thumbnailsShown());
    m_keptMeasuringTask = task;
    prepareWithPropertiesTask(
        task,
        [this, completion = std::move(completion)] {
            showKeptDownload();
            completion();
        },
        [title, size](KLVideoProperties &properties) {
            properties.setTitle(title);
            properties.setSize(size);
        });
}

std::optional<KLKeptDownloads::Record> KLYTDLEntry::keptDownloadRecord(const KLKeptDownloads &kept) const {
    std::optional<KLKeptDownloads::Record> record = kept.record(originalURL());
    return record.has_value() && kept.keptBytes(originalURL()) > 0 ? record : std::nullopt;
}

void KLYTDLEntry::showKeptDownload() {
    const std::shared_ptr<KLKeptDownloads> kept = keptDownloads();
    // Only a download that was under way comes back paused; anything else starts from the beginning.
    if (kept != nullptr && !cancelled() && keptDownloadRecord(*kept).has_value()) {
        markPaused();
    }
}

QString KLYTDLEntry::runFolderForDownload(bool &complete, KLYTDLInformationFile &informationFile) {
    KLYTDLGetVideoPropertiesTask::PartialDownload partial;
    if (m_propertiesTask != nullptr) {
        partial = m_propertiesTask->takePartialDownload();
    }
    // The listing's file serves one run: after it, the video is extracted afresh.
    informationFile = std::exchange(m_informationFile, KLYTDLInformationFile());
    complete = false;
    if (partial.folder != nullptr && !QFileInfo(partial.folder->path()).isDir()) {
        partial = {};
    }
    if (const QString kept = keptRunFolder(partial, complete); !kept.isEmpty()) {
        adoptInformationFile(kept, informationFile);
        return kept;
    }
    if (partial.folder == nullptr) {
        return createRunFolder();
    }
    // From here on the run owns the folder and removes it when it ends.
    partial.folder->release();
    const QString folder = createRunFolder(partial.folder->path());
    complete = partial.complete;
    adoptInformationFile(folder, informationFile);
    return folder;
}

void KLYTDLEntry::adoptInformationFile(const QString &folder, KLYTDLInformationFile &informationFile) {
    const QString written =
        QDir(folder).filePath(KLYTDLGetVideoPropertiesTask::downloadName + informationExtension);
    if (QFileInfo(written).isFile()) {
        informationFile = KLYTDLInformationFile(written, nullptr); // in the run's folder, which goes with it
    }
}

QString KLYTDLEntry::keptRunFolder(KLYTDLGetVideoPropertiesTask::PartialDownload &partial, bool &complete) {
    const std::shared_ptr<KLKeptDownloads> kept = keptDownloads();
    if (kept == nullptr) {
        return QString();
    }
    const QUrl address = originalURL();
    if (!kept->claim(address)) {
        return QString(); // another entry of the same video runs: this one fetches on its own
    }
    const QString destination = runPreferences()->downloadLocation();
    const std::optional<KLKeptDownloads::Record> record = keptDownloadRecord(*kept);
    const bool continuing = record.has_value() && services()->continuesKeptDownloads;
    if (!continuing) {
        kept->discard(address);
    }
    const QString folder =
        kept->hold(address, destination, continuing ? record->stage : KLKeptDownloads::downloadingStage);
    if (folder.isEmpty()) {
        kept->release(address);
        return QString();
    }
    if (continuing) {
        // What an earlier run kept goes further than the beginning measuring fetched; only the page's fresh
        // information is taken from measuring.
        complete = record->stage == KLKeptDownloads::downloadedStage;
        moveInto(partial, folder, {KLYTDLGetVideoPropertiesTask::downloadName + informationExtension});
    } else if (partial.folder != nullptr) {
        complete = partial.complete;
        moveInto(partial, folder, {});
    }
    useKeptRunFolder(folder);
    return folder;
}

void KLYTDLEntry::moveInto(const KLYTDLGetVideoPropertiesTask::PartialDownload &partial,
                           const QString &folder, const QStringList &names) {
    if (partial.folder == nullptr) {
        return;
    }
    // Both folders are in the application data folder, so each move is a rename; the measuring folder goes
    // with its last owner.
    const QDir from(partial.folder->path());
    const QStringList moved = names.isEmpty() ? from.entryList(QDir::Files | QDir::Hidden) : names;
    for (const QString &name : moved) {
        const QString target = QDir(folder).filePath(name);
        QFile::remove(target);
        QFile::rename(from.filePath(name), target);
    }
}

void KLYTDLEntry::doProcessing() {
    bool complete = false;
    KLYTDLInformationFile informationFile;
    const QString target = QDir(runFolderForDownload(complete, informationFile))
                               .filePath(KLYTDLGetVideoPropertiesTask::downloadName);
    if (cancelled()) { // the cancel came before there was a task to stop
        finishProcessingWithError(cancellationError());
        return;
    }
    if (complete && QFileInfo(target).isFile()) {
        downloadAcquired(target); // measuring fetched the whole video already
        return;
    }
    startDownload(target, informationFile);
}

void KLYTDLEntry::startDownload(const QString &target, const KLYTDLInformationFile &informationFile) {
    auto task = std::make_shared<KLYTDLDownloadTask>(originalURL(), target, false, invokingURL());
    equipWebTask(*task);
    task->setInformationFile(informationFile);
    m_downloadTask = task;
    setState(waitingToDownloadState);
    if (cancelled()) {
        finishProcessingWithError(cancellationError());
        return;
    }
    enqueueTask(task, [target, fromInformation = !informationFile.isEmpty()](KLEntry &entry, KLTask &ended) {
        static_cast<KLYTDLEntry &>(entry).downloadEnded(static_cast<KLYTDLDownloadTask &>(ended), target,
                                                        fromInformation);
    });
}

void KLYTDLEntry::downloadEnded(KLYTDLDownloadTask &task, const QString &target, bool fromInformation) {
    const std::shared_ptr<KLError> failure = task.error();
    if (failure == nullptr) {
        downloadAcquired(target);
        return;
    }
    const bool stale = failure->errorType() != KLError::terminatedType && fromInformation;
    if (!stale || cancelled()) {
        finishProcessingWithError(failure);
        return;
    }
    // The addresses in an information file can expire. The page is extracted afresh and the video fetched
    // from its start, as what was fetched so far may belong to another file.
    QDir folder(QFileInfo(target).absolutePath());
    folder.removeRecursively();
    QDir().mkpath(folder.path());
    recordKeptStage(KLKeptDownloads::downloadingStage);
    startDownload(target, KLYTDLInformationFile());
}

void KLYTDLEntry::recordKeptStage(const QString &stage) {
    if (const std::shared_ptr<KLKeptDownloads> kept = keptDownloads()) {
        kept->hold(originalURL(), runPreferences()->downloadLocation(), stage);
    }
}

void KLYTDLEntry::downloadAcquired(const QString &target) {
    // An interrupted conversion starts again from this file, not from the web.
    recordKeptStage(KLKeptDownloads::downloadedStage);
    if (runIsDownloadOnly()) {
        finishByPlacing(target);
    } else {
        runConversionStage(target);
    }
}

void KLYTDLEntry::cancel() {
    markCancelled();
    std::shared_ptr<KLTask> download;
    std::shared_ptr<KLTask> properties;
    download = m_downloadTask;
    properties = m_propertiesTask;
    m_informationFile = KLYTDLInformationFile();
    terminateAndDequeue(download);
    terminateAndDequeue(properties);
    terminateAndDequeue(m_keptMeasuringTask);
    cancelConversionTasks();
    // What measuring kept for the download is of no use any more.
    if (const auto measuring = std::dynamic_pointer_cast<KLYTDLGetVideoPropertiesTask>(properties)) {
        measuring->takePartialDownload();
    }
}
