#pragma once

#include "App/KLDownloaderServer.h"
#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"

#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

class KLStatusLine;
struct KLControllerState;

// The downloader's upkeep: the update of every launch and of the "Update Downloader" command, and the
// installation of the private copy of yt-dlp ("Install Extra Tools"). Each call starts its script and
// returns; the script's end, on the main thread, hands the report on. A run shows what it does on the status
// line unless the intake uses it, and reads the downloader's lists again when the downloader changed. What
// the user asked for ends with an alert. Runs go one after the other: a command given while the launch's
// update runs waits for it, so that each finds the launcher refreshed and the status line is never cleared
// early. Main thread only.
//
// A program that ends gives the upkeep still running a short while and then stops it: an update is
// maintenance nobody waits for, and a package index that never answers must not hold up the end.
//
// The upkeep also keeps the downloader ready for the program's runs (see KLDownloaderServer) from the launch
// to the end.
class KLDownloaderMaintenance final : public std::enable_shared_from_this<KLDownloaderMaintenance> {
public:
    static inline const QString supportAddress = QStringLiteral("support@kinolark.org");
    using ReportHandler = std::function<void(const QString &report)>;

    KLDownloaderMaintenance(std::shared_ptr<KLControllerState> state,
                            std::shared_ptr<KLStatusLine> statusLine);

    // Keeps the downloader at `launcher` ready for the runs that start from now on; `prepares` as for
    // KLDownloaderServer::start().
    void startServer(const QString &launcher, bool prepares);
    // The launch's update; `done` has the script's report (not called when the program ends first).
    void update(ReportHandler done = nullptr);
    // The update the user asked for: its report shows in an alert.
    void updateOnRequest();
    void installExtraTools();
    // Reads the sites the credentials window offers from the downloader that is there now, and tells the
    // window whether the credentials store is usable; then `done`.
    void setUpPasswordManager(std::function<void()> done = nullptr);
    // The same, saying "Preparing password manager..." while the intake is quiet.
    void prepareCredentials(std::function<void()> done);
    // True while no run is under way or waiting.
    bool idle() const;
    // Serves the event loop for at most `patience` while the upkeep runs, then stops it (its script with all
    // it started); none starts afterwards, and the downloader is no longer kept ready. For a program that is
    // ending.
    void end(std::chrono::milliseconds patience);

private:
    struct Run {
        KLUpdateYTDLTask::Mode mode;
        QString statusText;
        ReportHandler done;
    };

    // The status line is the intake's while it runs: the upkeep shows its state only while the intake is
    // quiet (and says whether it did), and gives the line back only if it showed it and the intake still is.
    bool showState(const QString &text) const;
    void restoreState(bool shown) const;
    void startNext();
    void runEnded(const Run &run, const QString &report, bool shown, bool downloaderChanged);
    // The installation's alert.
    void installed(const QString &report) const;
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
    std::deque<Run> m_waiting;
    // The script of the run under way; a run is also under way while it reads the lists again.
    std::shared_ptr<KLUpdateYTDLTask> m_task;
    bool m_running = false;
    bool m_ended = false;
    KLDownloaderServer m_server;
};
