#pragma once

#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

class KLStatusLine;
struct KLControllerState;

// The downloader's upkeep: the update of every launch and of the "Update Downloader" command, and the
// installation of the private copy of yt-dlp ("Install Extra Tools"). Each call blocks its caller (a
// background thread) until the script has ended, shows what it does on the status line unless the intake
// uses it, and reads the downloader's lists again when the downloader changed. What the user asked for
// ends with an alert. Calls run one after the other: a command given while the launch's update runs
// waits for it, so that each finds the launcher refreshed and the status line is never cleared early.
//
// A program that ends gives the upkeep still running a short while and then stops it: an update is
// maintenance nobody waits for, and a package index that never answers must not hold up the end.
class KLDownloaderMaintenance final {
public:
    static inline const QString supportAddress = QStringLiteral("support@kinolark.org");

    KLDownloaderMaintenance(std::shared_ptr<KLControllerState> state,
                            std::shared_ptr<KLStatusLine> statusLine);

    // The launch's update; returns the script's report.
    QString update();
    // The update the user asked for: its report shows in an alert.
    void updateOnRequest();
    void installExtraTools();
    // Reads the sites the credentials window offers from the downloader that is there now, and tells the
    // window whether the credentials store is usable.
    void setUpPasswordManager();
    // Waits at most `patience` for the upkeep that runs now to end, then stops it (its script with all it
    // started); none starts afterwards. For a program that is ending; any thread but a running upkeep's.
    void end(std::chrono::milliseconds patience);

private:
    QString run(KLUpdateYTDLTask::Mode mode, const QString &statusText);
    // Makes the task the running one; false once the upkeep has ended.
    bool begin(const std::shared_ptr<KLUpdateYTDLTask> &task);
    // Forgets the task that ended; false when the upkeep was ended meanwhile.
    bool finished();
    // True while no update or installation runs.
    bool taskEnded();
    void showAlert(const QString &title, const QString &message) const;
    // Whether the update's report tells of a part that was not updated.
    static bool updateFailed(const QString &report);
    // The line of a failed run's report that says why it failed ("No matching distribution found for
    // yt-dlp"); empty when the report says nothing more than that it failed.
    static QString reasonIn(const QString &report);
    // The alert's message followed by the reason the failed run's report gives, when there is one.
    static QString withReason(const QString &message, const QString &failedReport);

    const std::shared_ptr<KLControllerState> m_state;
    const std::shared_ptr<KLStatusLine> m_statusLine;
    std::mutex m_running;
    // Guards m_task and m_ended: the upkeep's thread sets them, the ending program's thread reads them.
    std::mutex m_taskLock;
    std::condition_variable m_taskFinished;
    std::shared_ptr<KLUpdateYTDLTask> m_task;
    bool m_ended = false;
};
