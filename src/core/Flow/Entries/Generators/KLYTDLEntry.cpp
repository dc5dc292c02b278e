#include "Flow/Entries/Generators/KLYTDLEntry.h"

#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"
#include "Utils/KLScratchFolder.h"

#include <QDir>
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
    auto task = std::make_shared<KLYTDLGetVideoPropertiesTask>(originalURL());
    task->setSettings(webSettings());
    task->setMakesThumbnail(thumbnailsShown());
    task->setReferer(invokingURL());
    task->setKeepsDownload(true);
    task->setInformationFile(m_informationFile);
    m_propertiesTask = task;
    prepareWithPropertiesTask(task, std::move(completion));
}

QString KLYTDLEntry::runFolderForDownload(bool &complete, KLYTDLInformationFile &informationFile) {
    KLYTDLGetVideoPropertiesTask::PartialDownload partial;
    if (m_propertiesTask != nullptr) {
        partial = m_propertiesTask->takePartialDownload();
    }
    // The listing's file serves one run: after it, the video is extracted afresh.
    informationFile = std::exchange(m_informationFile, KLYTDLInformationFile());
    complete = false;
    if (partial.folder == nullptr || !QFileInfo(partial.folder->path()).isDir()) {
        return createRunFolder();
    }
    // From here on the run owns the folder and removes it when it ends.
    partial.folder->release();
    const QString folder = createRunFolder(partial.folder->path());
    complete = partial.complete;
    const QString written =
        QDir(folder).filePath(KLYTDLGetVideoPropertiesTask::downloadName + informationExtension);
    if (QFileInfo(written).isFile()) {
        informationFile = KLYTDLInformationFile(written, nullptr); // in the run's folder, which goes with it
    }
    return folder;
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
    task->setSettings(webSettings());
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
    startDownload(target, KLYTDLInformationFile());
}

void KLYTDLEntry::downloadAcquired(const QString &target) {
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
    cancelConversionTasks();
    // What measuring kept for the download is of no use any more.
    if (const auto measuring = std::dynamic_pointer_cast<KLYTDLGetVideoPropertiesTask>(properties)) {
        measuring->takePartialDownload();
    }
}
