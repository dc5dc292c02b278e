#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <mutex>

class KLGetLocalVideoPropertiesTask;
class KLVideoProperties;
class KLYTDLDownloadTask;

// Describes a web video: downloads its beginning into a temporary folder until a picture can be decoded
// from it, then measures that beginning with the local-properties task. The result is a
// std::shared_ptr<KLVideoProperties> with the title from the downloader's information file and the size the
// downloader announced. It never fails: a video that cannot be measured (assembled by ffmpeg, or more than a
// tenth fetched without a usable picture) gives an undeterminate "mp4" record with video and audio.
class KLYTDLGetVideoPropertiesTask final : public KLScriptTask {
public:
    // More than this share of the file without a decodable picture: measuring is given up.
    static constexpr double maximumProbedShare = 0.1;
    static inline const QString unknownTitle = QStringLiteral("Unknown title");

    explicit KLYTDLGetVideoPropertiesTask(const QUrl &sourceURL);

    QUrl sourceURL() const { return m_sourceURL; }
    // The page the video was found on, sent along with the download; empty for none.
    QUrl referer() const;
    void setReferer(const QUrl &referer);

    // The sub-tasks of the current run, if they were created.
    std::shared_ptr<KLYTDLDownloadTask> downloadTask() const;
    std::shared_ptr<KLGetLocalVideoPropertiesTask> propertiesTask() const;

    // The title in a downloader information file: its "title", else its "fulltitle", else "Unknown title"
    // (also for a missing or unreadable file).
    static QString titleFromInformationFile(const QString &path);
    // A record for a video that could not be measured.
    static std::shared_ptr<KLVideoProperties> undeterminateProperties(const QString &title);

    void terminate() override;

protected:
    void doTaskMain() override;
    void prepareTaskDescription() override;

private:
    enum class Probe { Measurable, Undeterminate, Terminated };

    // The record for the video; nothing when this task has been terminated.
    std::shared_ptr<KLVideoProperties> measureDownload(const QString &temporaryFolder);
    static void removeFolder(const QString &folder);
    // Starts the download of the video's beginning; nothing when this task has been terminated.
    std::shared_ptr<KLYTDLDownloadTask> startDownload(const QString &temporaryFolder);
    bool waitForDownloadToBegin(const KLYTDLDownloadTask &download) const;
    // Tries to decode a picture from the partial download until one comes, the download ends, or too much
    // of the file has arrived without one.
    Probe probeDownload(KLYTDLDownloadTask &download, const QString &testFramePath);
    Probe giveUpProbing(KLYTDLDownloadTask &download);
    // Runs the local-properties task on the file; nothing when this task has been terminated meanwhile.
    std::shared_ptr<KLGetLocalVideoPropertiesTask> measureFile(const QString &path);
    bool isTerminated() const;
    // Keeps the sub-task in the slot so that terminate() reaches it; false (and the sub-task stopped) when
    // this task has been terminated already.
    template <class Task> bool adopt(std::shared_ptr<Task> &slot, const std::shared_ptr<Task> &task);

    const QUrl m_sourceURL;

    mutable std::mutex m_lock;
    QUrl m_referer;
    std::shared_ptr<KLYTDLDownloadTask> m_downloadTask;
    std::shared_ptr<KLGetLocalVideoPropertiesTask> m_propertiesTask;
    bool m_terminated = false;
};
