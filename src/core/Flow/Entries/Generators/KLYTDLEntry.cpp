#include "Flow/Entries/Generators/KLYTDLEntry.h"

#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"

#include <QDir>

QUrl KLYTDLEntry::invokingURL() const {
    std::lock_guard lock(m_tasksLock);
    return m_invokingURL;
}

void KLYTDLEntry::setInvokingURL(const QUrl &invokingURL) {
    std::lock_guard lock(m_tasksLock);
    m_invokingURL = invokingURL;
}

void KLYTDLEntry::prepareWithCompletion(std::function<void()> completion) {
    auto task = std::make_shared<KLYTDLGetVideoPropertiesTask>(originalURL());
    task->setReferer(invokingURL());
    {
        std::lock_guard lock(m_tasksLock);
        m_propertiesTask = task;
    }
    prepareWithPropertiesTask(task, std::move(completion));
}

void KLYTDLEntry::doProcessing() {
    const QString target = QDir(createRunFolder()).filePath(QStringLiteral("download"));
    auto task = std::make_shared<KLYTDLDownloadTask>(originalURL(), target, false, invokingURL());
    {
        std::lock_guard lock(m_tasksLock);
        m_downloadTask = task;
    }
    setState(waitingToDownloadState);
    if (cancelled()) { // the cancel came before there was a task to stop
        finishProcessingWithError(cancellationError());
        return;
    }
    enqueueTask(task, [target](KLEntry &entry, KLTask &ended) {
        static_cast<KLYTDLEntry &>(entry).downloadEnded(ended, target);
    });
}

void KLYTDLEntry::downloadEnded(KLTask &task, const QString &target) {
    if (const std::shared_ptr<KLError> failure = task.error()) {
        finishProcessingWithError(failure);
    } else if (runIsDownloadOnly()) {
        finishByPlacing(target);
    } else {
        runConversionStage(target);
    }
}

void KLYTDLEntry::cancel() {
    markCancelled();
    std::shared_ptr<KLTask> download;
    std::shared_ptr<KLTask> properties;
    {
        std::lock_guard lock(m_tasksLock);
        download = m_downloadTask;
        properties = m_propertiesTask;
    }
    terminateAndDequeue(download);
    terminateAndDequeue(properties);
    cancelConversionTasks();
}
