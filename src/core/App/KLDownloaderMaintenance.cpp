#include "App/KLDownloaderMaintenance.h"

#include "App/KLApplicationUI.h"
#include "App/KLControllerState.h"
#include "App/KLStatusLine.h"
#include "App/KLTaskRunner.h"
#include "App/KLUIChange.h"
#include "Model/KLTask/YTDL/KLYTDLListingCache.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLLog.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLScriptErrorOutput.h"

#include <QRegularExpression>

namespace {

// The script's closing words for a failure, "Downloader not updated" and the like, say only that it failed.
bool isClosingRemark(const QString &line) {
    static const QRegularExpression remark(
        QStringLiteral("^(Downloader|Private copy) not (updated|installed)$"));
    return remark.match(line.trimmed()).hasMatch();
}

} // namespace

KLDownloaderMaintenance::KLDownloaderMaintenance(std::shared_ptr<KLControllerState> state,
                                                 std::shared_ptr<KLStatusLine> statusLine)
    : m_state(std::move(state)), m_statusLine(std::move(statusLine)) {}

QString KLDownloaderMaintenance::run(KLUpdateYTDLTask::Mode mode, const QString &statusText) {
    const std::lock_guard oneAtATime(m_running);
    // The status line is the intake's while it runs.
    const bool shown = m_state->tracker.callsToProcessURLs() == 0;
    if (shown) {
        m_statusLine->setState(statusText, false);
    }
    const QString before = KLYTDLListingCache::downloaderIdentity();
    const auto task = std::make_shared<KLUpdateYTDLTask>(mode);
    if (!begin(task)) {
        return {}; // the program is ending
    }
    KLTaskRunner::runToEnd(task);
    if (!finished()) {
        return {}; // stopped as the program ends: nobody reads the report, nor waits for the lists
    }
    const QString report = task->resultAs<QString>().trimmed();
    for (const QString &line : report.split(QLatin1Char('\n'))) {
        KLLog::log(line);
    }
    if (KLYTDLListingCache::downloaderIdentity() != before) {
        setUpPasswordManager(); // its lists come from the downloader that is there now
    }
    if (shown && m_state->tracker.callsToProcessURLs() == 0) {
        m_statusLine->restoreState();
    }
    return report;
}

bool KLDownloaderMaintenance::begin(const std::shared_ptr<KLUpdateYTDLTask> &task) {
    const std::lock_guard lock(m_taskLock);
    if (m_ended) {
        return false;
    }
    m_task = task;
    return true;
}

bool KLDownloaderMaintenance::finished() {
    bool ended = false;
    {
        const std::lock_guard lock(m_taskLock);
        m_task.reset();
        ended = m_ended;
    }
    m_taskFinished.notify_all();
    return !ended;
}

void KLDownloaderMaintenance::end(std::chrono::milliseconds patience) {
    std::chrono::milliseconds sleep = patience;
    if (KLDispatch::isMainThread()) {
        // The update's script is driven from here: the event loop goes on while it may still finish.
        KLDispatch::serveEventsUntil([this] { return taskEnded(); }, patience);
        sleep = std::chrono::milliseconds(0);
    }
    std::shared_ptr<KLUpdateYTDLTask> running;
    {
        std::unique_lock lock(m_taskLock);
        m_taskFinished.wait_for(lock, sleep, [this] { return m_task == nullptr; });
        m_ended = true;
        running = m_task;
    }
    // The task signals its script's whole process group (pip and Python with it), which is then collected
    // in the background; a script that does not leave within its grace period is killed.
    if (running) {
        running->terminate();
    }
}

bool KLDownloaderMaintenance::taskEnded() {
    const std::lock_guard lock(m_taskLock);
    return m_task == nullptr;
}

QString KLDownloaderMaintenance::update() {
    return run(KLUpdateYTDLTask::Mode::update, QStringLiteral("Updating downloaders..."));
}

void KLDownloaderMaintenance::updateOnRequest() {
    const QString report = update();
    showAlert(QStringLiteral("Downloader update"),
              withReason(report, updateFailed(report) ? report : QString()));
}

bool KLDownloaderMaintenance::updateFailed(const QString &report) {
    for (const QString &line : report.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Downloader not updated")) ||
            line.startsWith(QLatin1String("Private copy not updated")) ||
            line.startsWith(QLatin1String("Cannot hand the update proxy's credentials over"))) {
            return true;
        }
    }
    return false;
}

QString KLDownloaderMaintenance::reasonIn(const QString &report) {
    QStringList lines = report.split(QLatin1Char('\n'));
    lines.removeIf(isClosingRemark);
    return KLScriptErrorOutput::causeIn(lines);
}

QString KLDownloaderMaintenance::withReason(const QString &message, const QString &failedReport) {
    const QString reason = failedReport.isEmpty() ? QString() : reasonIn(failedReport);
    return reason.isEmpty() ? message : message + QStringLiteral("\n\n") + reason;
}

void KLDownloaderMaintenance::installExtraTools() {
    const QString report = run(KLUpdateYTDLTask::Mode::install, QStringLiteral("Installing extra tools..."));
    switch (KLUpdateYTDLTask::installOutcome(report)) {
    case KLUpdateYTDLTask::Outcome::installed:
        showAlert(QStringLiteral("Extra tools successfully installed"),
                  QStringLiteral("KinolarkPro has installed its necessary extra tools successfully."));
        break;
    case KLUpdateYTDLTask::Outcome::alreadyInstalled:
        showAlert(QStringLiteral("You already have the necessary tools"),
                  QStringLiteral("KinolarkPro has already identified the necessary tools in your system."));
        break;
    case KLUpdateYTDLTask::Outcome::failed:
        showAlert(QStringLiteral("Extra tools could not be installed"),
                  withReason(
                      QStringLiteral("KinolarkPro could not install its extra tools. Please contact us at ") +
                          supportAddress,
                      report));
        break;
    }
}

void KLDownloaderMaintenance::setUpPasswordManager() {
    const auto passwords = KLObjectRepository::singleton()->getPasswordManager();
    if (passwords != nullptr) {
        passwords->setup();
    }
    const bool available = passwords != nullptr && passwords->passwordManagerIsEnabled();
    KLDispatch::sync([this, available] { m_state->ui->setPasswordManagerAvailable(available); });
}

void KLDownloaderMaintenance::showAlert(const QString &title, const QString &message) const {
    KLUIChange::post(m_state->ui, [title, message](KLApplicationUI &ui) { ui.showAlert(title, message); });
}
