#pragma once

#include "Model/KLTask/Basic/KLScriptTask.h"
#include "Model/KLTask/YTDL/KLDownloadGrowth.h"
#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"

#include <QElapsedTimer>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <memory>

class KLGetLocalVideoPropertiesTask;
class KLScratchFolder;
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
    ~KLYTDLGetVideoPropertiesTask() override;

    QUrl sourceURL() const { return m_sourceURL; }
    // The page the video was found on, sent along with the download; empty for none.
    QUrl referer() const;
    void setReferer(const QUrl &referer);
    // The listing's information file for the video, which spares the downloader extracting the page again.
    void setInformationFile(const KLYTDLInformationFile &informationFile);
    // Whether what measuring downloaded is kept for takePartialDownload(); it is not by default. Set before
    // the task starts.
    void setKeepsDownload(bool keepsDownload);
    // Whether the measuring makes a picture of the video; it does by default. Set before the task starts.
    void setMakesThumbnail(bool makesThumbnail);
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
    enum class Probe { Measurable, Undeterminate, Assembled };
    // What the probing waits for: the file to grow to the probe size, the download to end (at most until
    // the deadline timer fires, when one runs), or a try at a picture to end.
    enum class Phase { Growing, WaitingForEnd, Trying, Done };

    // The download's progress and end move the probing on, on the main thread.
    void askToAdvance();

    // Starts the download of the video's beginning into the folder.
    void startDownload();
    // Tries to decode a picture from the partial download each time it has grown enough, until one comes,
    // the download ends, or too much of the file has arrived without one. A download that finishes sooner
    // than a try would take is left to finish, and the whole file is measured.
    void advance();
    void probeOnce();
    void startTry(double share, qint64 size);
    void tryEnded(double share, qint64 size, qint64 tryTime);
    void deadlinePassed(int generation);
    // The probing came to an end: the download is stopped, then measured.
    void probed(Probe probe);
    void measure(Probe probe);
    void measured(const std::shared_ptr<KLVideoProperties> &properties, bool continuable);
    // Keeps the folder for the real download when what it holds can be continued.
    void keepDownload();
    // The folder goes once neither this task's script nor the download's writes into it any more.
    void releaseFolderWhenQuiet();
    bool isTerminated() const;

    const QUrl m_sourceURL;

    // Set by the entry before the task starts, or taken by it after the task has ended.
    QUrl m_referer;
    KLYTDLInformationFile m_informationFile;
    PartialDownload m_partialDownload;
    bool m_keepsDownload = false;
    bool m_makesThumbnail = true;
    std::shared_ptr<KLYTDLDownloadTask> m_downloadTask;
    std::shared_ptr<KLGetLocalVideoPropertiesTask> m_propertiesTask;
    bool m_terminated = false;

    std::shared_ptr<KLScratchFolder> m_folder;
    Phase m_phase = Phase::Growing;
    QElapsedTimer m_clock;
    KLDownloadGrowth m_growth;
    qint64 m_tryTime = firstTryMilliseconds;
    // Cleared once the download has not ended when it was expected to: the source may have stalled.
    bool m_trustsRate = true;
    qint64 m_probeSize = firstProbeSize;
    // What the last pass saw, for a try that follows a wait for the end.
    double m_share = 0.0;
    qint64 m_size = 0;
    // Counts the waits with a deadline, so that the timer of an earlier one does nothing.
    int m_deadlineGeneration = 0;
    bool m_advanceAsked = false;
};
