#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"
#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"

#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class KLGetLocalVideoPropertiesTask;
class KLScratchFolder;
class KLTaskProgressWaiter;
class KLVideoProperties;
class KLYTDLDownloadTask;

// Describes a web video: downloads its beginning into a scratch folder until a picture can be decoded from
// it, then measures that beginning with the local-properties task. The result is a
// std::shared_ptr<KLVideoProperties> with the title from the downloader's information file and the size the
// downloader announced. It never fails: a video that cannot be measured (assembled by ffmpeg, or more than a
// tenth fetched without a usable picture) gives an undeterminate "mp4" record with video and audio.
//
// For a caller whose own download can continue it, what was downloaded is not thrown away: the folder, with
// the unfinished (or, for a short video, finished) file and the information file, is kept, unless the task
// was terminated or the download failed or was assembled by ffmpeg (which cannot be continued).
class KLYTDLGetVideoPropertiesTask final : public KLScriptTask {
public:
    // More than this share of the file without a decodable picture: measuring is given up.
    static constexpr double maximumProbedShare = 0.1;
    static inline const QString unknownTitle = QStringLiteral("Unknown title");
    // The name of the downloaded file in the kept folder; the downloader adds ".part" while it is unfinished
    // and writes its information file beside it with ".info.json" added.
    static inline const QString downloadName = QStringLiteral("download");
    // The first picture is tried once this much has arrived; each later try waits until the file has
    // doubled, so that a slow download is not probed over and over.
    static constexpr qint64 firstProbeSize = 128 * 1024;
    // What a try at a picture is expected to take before one has been timed: when the rest of the file
    // arrives sooner, the finished file is measured instead of trying its beginning.
    static constexpr qint64 firstTryMilliseconds = 200;

    // The download that measuring left behind.
    struct PartialDownload {
        // Null when nothing was kept.
        std::shared_ptr<KLScratchFolder> folder;
        // The whole video arrived: the file is there without ".part".
        bool complete = false;
    };

    explicit KLYTDLGetVideoPropertiesTask(const QUrl &sourceURL);

    QUrl sourceURL() const { return m_sourceURL; }
    // The page the video was found on, sent along with the download; empty for none.
    QUrl referer() const;
    void setReferer(const QUrl &referer);
    // The listing's information file for the video, which spares the downloader extracting the page again.
    void setInformationFile(const KLYTDLInformationFile &informationFile);
    // Whether what measuring downloaded is kept for takePartialDownload(); it is not by default. Set before
    // the task starts.
    void setKeepsDownload(bool keepsDownload);
    // Hands over what the measuring download left; later calls get nothing.
    PartialDownload takePartialDownload();

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
    // Assembled: ffmpeg writes the file, which is no usable beginning until it is done.
    enum class Probe { Measurable, Undeterminate, Assembled, Terminated };

    // The record for the video; nothing when this task has been terminated. `continuable` tells whether
    // the download can be continued from what it left.
    std::shared_ptr<KLVideoProperties> measureDownload(const KLScratchFolder &folder, bool &continuable);
    // Keeps the folder for the real download when what it holds can be continued.
    void keepDownload(const std::shared_ptr<KLScratchFolder> &folder);
    // Starts the download of the video's beginning; nothing when this task has been terminated.
    std::shared_ptr<KLYTDLDownloadTask> startDownload(const KLScratchFolder &folder);
    // Tries to decode a picture from the partial download each time it has grown enough, until one comes,
    // the download ends, or too much of the file has arrived without one. A download that finishes sooner
    // than a try would take is left to finish, and the whole file is measured.
    Probe probeDownload(KLYTDLDownloadTask &download, const QString &testFramePath);
    // Sleeps until the file has grown to `size` or the download or this task has ended; `observe` is given
    // the file's size at every wake-up.
    void waitForGrowth(KLYTDLDownloadTask &download, const QString &path, qint64 size,
                       const std::function<void(qint64)> &observe);
    // Sleeps until the download or this task has ended, or the deadline has come: true when one has ended.
    bool
    waitForEnd(KLYTDLDownloadTask &download,
               std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());
    std::shared_ptr<KLTaskProgressWaiter> progressWaiter() const;
    static Probe giveUpProbing(KLYTDLDownloadTask &download);
    // Stops the download and returns once the downloader no longer writes.
    static void stopDownload(KLYTDLDownloadTask &download);
    // Runs the local-properties task on the file; nothing when this task has been terminated meanwhile.
    std::shared_ptr<KLGetLocalVideoPropertiesTask> measureFile(const QString &path);
    bool isTerminated() const;
    // Keeps the sub-task in the slot so that terminate() reaches it; false (and the sub-task stopped) when
    // this task has been terminated already.
    template <class Task> bool adopt(std::shared_ptr<Task> &slot, const std::shared_ptr<Task> &task);

    const QUrl m_sourceURL;

    mutable std::mutex m_lock;
    QUrl m_referer;
    KLYTDLInformationFile m_informationFile;
    PartialDownload m_partialDownload;
    bool m_keepsDownload = false;
    std::shared_ptr<KLTaskProgressWaiter> m_progressWaiter;
    std::shared_ptr<KLYTDLDownloadTask> m_downloadTask;
    std::shared_ptr<KLGetLocalVideoPropertiesTask> m_propertiesTask;
    bool m_terminated = false;
};
