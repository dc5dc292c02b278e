#include "App/KLDownloaderMaintenance.h"

#include "App/KLApplicationUI.h"
#include "App/KLControllerState.h"
#include "App/KLStatusLine.h"
#include "App/KLUIChange.h"
#include "Model/KLTask/KLTaskRunner.h"
#include "Model/KLTask/YTDL/KLYTDLListingCache.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLLog.h"
#include "Utils/KLScriptErrorOutput.h"
#include "Utils/KLServices.h"

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

bool KLDownloaderMaintenance::showState(const QString &text) const {
    const bool shown = m_state->tracker.callsToProcessURLs() == 0;
    if (shown) {
        m_statusLine->setState(text, false);
    }
    return shown;
}

void KLDownloaderMaintenance::restoreState(bool shown) const {
    if (shown && m_state->tracker.callsToProcessURLs() == 0) {
        m_statusLine->restoreState();
    }
}

void KLDownloaderMaintenance::startNext() {
    if (m_running || m_ended || m_waiting.empty()) {
        return;
    }
    const Run run = m_waiting.front();
    m_waiting.pop_front();
    m_running = true;
    const bool shown = showState(run.statusText);
    const QString before = KLYTDLListingCache::downloaderIdentity();
    m_task = std::make_shared<KLUpdateYTDLTask>(run.mode);
    m_task->setSettings(m_state->services->preferences);
    KLTaskRunner::run(m_task, [self = shared_from_this(), run, shown, before](KLTask &ended) {
        self->m_task.reset();
        if (self->m_ended) {
            return; // stopped as the program ends: nobody reads the report, nor waits for the lists
        }
        const QString report = ended.resultAs<QString>().trimmed();
        for (const QString &line : report.split(QLatin1Char('\n'))) {
            KLLog::log(line);
        }
        self->runEnded(run, report, shown, KLYTDLListingCache::downloaderIdentity() != before);
    });
}

void KLDownloaderMaintenance::runEnded(const Run &run, const QString &report, bool shown,
                                       bool downloaderChanged) {
    const auto finish = [self = shared_from_this(), run, report, shown] {
        self->restoreState(shown);
        self->m_running = false;
        if (run.done) {
            run.done(report);
        }
        self->startNext();
    };
    if (downloaderChanged) {
        setUpPasswordManager(finish); // its lists come from the downloader that is there now
    } else {
        finish();
    }
}

bool KLDownloaderMaintenance::idle() const {
    return !m_running && m_waiting.empty();
}

void KLDownloaderMaintenance::end(std::chrono::milliseconds patience) {
    // The update's script is driven from here: the event loop goes on while it may still finish.
    KLDispatch::serveEventsUntil([this] { return idle(); }, patience);
    m_ended = true;
    m_waiting.clear();
    // The task signals its script's whole process group (pip and Python with it), which is then collected
    // in the background; a script that does not leave within its grace period is killed.
    if (const std::shared_ptr<KLUpdateYTDLTask> running = m_task) {
        running->terminate();
    }
    m_server.stop();
}

void KLDownloaderMaintenance::startServer(const QString &launcher, bool prepares) {
    m_server.start(launcher, prepares);
}

void KLDownloaderMaintenance::update(ReportHandler done) {
    m_waiting.push_back(
        {KLUpdateYTDLTask::Mode::update, QStringLiteral("Updating downloaders..."), std::move(done)});
    startNext();
}

void KLDownloaderMaintenance::updateOnRequest() {
    update([self = shared_from_this()](const QString &report) {
        self->showAlert(QStringLiteral("Downloader update"),
                        withReason(report, updateFailed(report) ? report : QString()));
    });
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
    m_waiting.push_back({KLUpdateYTDLTask::Mode::install, QStringLiteral("Installing extra tools..."),
                         [self = shared_from_this()](const QString &report) { self->installed(report); }});
    startNext();
}

void KLDownloaderMaintenance::installed(const QString &report) const {
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

void KLDownloaderMaintenance::setUpPasswordManager(std::function<void()> done) {
    const auto passwords = m_state->services->passwordManager;
    const auto tell = [self = shared_from_this(), passwords, done = std::move(done)] {
        self->m_state->ui->setPasswordManagerAvailable(passwords != nullptr &&
                                                       passwords->passwordManagerIsEnabled());
        if (done) {
            done();
        }
    };
    if (passwords == nullptr) {
        tell();
        return;
    }
    passwords->setup(tell);
}

void KLDownloaderMaintenance::prepareCredentials(std::function<void()> done) {
    const bool shown = showState(QStringLiteral("Preparing password manager..."));
    setUpPasswordManager([self = shared_from_this(), shown, done = std::move(done)] {
        self->restoreState(shown);
        if (done) {
            done();
        }
    });
}

void KLDownloaderMaintenance::showAlert(const QString &title, const QString &message) const {
    KLUIChange::post(m_state->ui, [title, message](KLApplicationUI &ui) { ui.showAlert(title, message); });
}
