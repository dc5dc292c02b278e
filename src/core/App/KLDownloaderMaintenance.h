#pragma once

#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"

#include <QString>

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

private:
    QString run(KLUpdateYTDLTask::Mode mode, const QString &statusText);
    void showAlert(const QString &title, const QString &message) const;

    const std::shared_ptr<KLControllerState> m_state;
    const std::shared_ptr<KLStatusLine> m_statusLine;
    std::mutex m_running;
};
