#include "KLCommandLineRun.h"

#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "App/KLURLSchemeDecoder.h"
#include "KLCommandLineUI.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLRequiredTools.h"
#include "Utils/KLServices.h"
#include "Utils/KLSignalWatcher.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <chrono>
#include <utility>

#include <unistd.h>

namespace {

void printError(const QString &text) {
    fprintf(stderr, "%s\n", qPrintable(KLKinolarkUtils::printableText(text)));
}

// An argument as the intake takes it: a kinlk form decoded, an existing path as a file URL, else a URL.
KLURLSchemeDecoder::Request requestForArgument(const QString &argument) {
    if (!argument.contains(QStringLiteral("://")) && QFileInfo::exists(argument)) {
        return {QUrl::fromLocalFile(QFileInfo(argument).absoluteFilePath()).toString(), std::nullopt, false};
    }
    return KLURLSchemeDecoder::decode(argument);
}

} // namespace

KLCommandLineRun::KLCommandLineRun(KLCommandLineOptions options) : m_options(std::move(options)) {
    const bool terminal = ::isatty(STDOUT_FILENO) != 0;
    m_ui = std::make_shared<KLCommandLineUI>(m_options.json ? KLCommandLineUI::Style::Json
                                             : terminal     ? KLCommandLineUI::Style::Live
                                                            : KLCommandLineUI::Style::Plain);
    m_ui->setChangeListener([this] { requestCheck(); });
    m_delegate = std::make_shared<KLAppDelegate>(m_ui);
    m_safetyNet.setInterval(std::chrono::seconds(1));
    connect(&m_safetyNet, &QTimer::timeout, this, &KLCommandLineRun::checkForEnd);
}

KLCommandLineRun::~KLCommandLineRun() {
    // Jobs still queued for the interface may run after this run is gone, once the program winds down.
    m_ui->setChangeListener(nullptr);
}

bool KLCommandLineRun::start(QString *error, int *exitStatus) {
    // Options are checked before the launch starts its background stage: a usage error must end the
    // program before any thread exists that still needs the event loop.
    {
        KLDefaultPreferences probe;
        probe.setSaving(false);
        probe.load();
        probe.setSaving(false);
        if (!m_options.applyTo(probe, error)) {
            return false;
        }
    }
    const QStringList missing = KLRequiredTools::missing(KLRequiredTools::toolsFor(readsWebAddresses()));
    if (!missing.isEmpty()) {
        printError(QStringLiteral("kinolark: %1 %2 needed but not installed (not found on the search path)")
                       .arg(missing.join(QStringLiteral(", ")),
                            missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are")));
        *exitStatus = exitFailed;
        return false;
    }
    m_delegate->services()->thumbnailsShown = false; // nothing here shows a picture of a video
    m_delegate->services()->continuesKeptDownloads = m_options.continueDownloads;
    m_delegate->doFinishApplicationLaunch(false);
    const auto preferences = m_delegate->services()->preferences;
    preferences->setSaving(false);
    if (!m_options.applyTo(*preferences, error)) {
        return false;
    }
    if (m_options.save) {
        preferences->setSaving(true);
        preferences->save();
        preferences->setSaving(false);
    }
    // This run starts what it finds, whatever the stored choice says.
    m_delegate->tableController()->setAutomaticStart(true);
    watchSignals();
    m_safetyNet.start();
    return true;
}

std::shared_ptr<KLDefaultPreferences> KLCommandLineRun::preferences() const {
    return m_delegate->services()->preferences;
}

void KLCommandLineRun::endDownloaderUpdate() {
    m_delegate->endDownloaderMaintenance(downloaderUpdatePatience);
}

bool KLCommandLineRun::readsWebAddresses() const {
    for (const QString &argument : m_options.inputs) {
        if (!QUrl(requestForArgument(argument).urlText).isLocalFile()) {
            return true;
        }
    }
    return false;
}

void KLCommandLineRun::startIntake() {
    m_intakeStarted = true;
    QList<QUrl> plain;
    for (const QString &argument : m_options.inputs) {
        const KLURLSchemeDecoder::Request request = requestForArgument(argument);
        const QUrl url(request.urlText);
        if (!KLURLSchemeDecoder::isAcceptedURL(url)) {
            continue; // only web and file addresses are analysed
        }
        if (request.hasPayload) {
            ++m_intakesRunning;
            m_delegate->processURLs({url}, request.source, [this] { intakeEnded(); });
        } else {
            plain << url;
        }
    }
    ++m_intakesRunning;
    m_delegate->processURLs(plain, std::nullopt, [this] { intakeEnded(); });
}

// The count falls on the main thread, where the intake ends its calls: the run cannot end, and so cannot be
// gone, before every intake call has come back here.
void KLCommandLineRun::intakeEnded() {
    --m_intakesRunning;
    requestCheck();
}

void KLCommandLineRun::requestCheck() {
    if (std::exchange(m_checkPosted, true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_checkPosted = false;
            checkForEnd();
        },
        Qt::QueuedConnection);
}

void KLCommandLineRun::checkForEnd() {
    if (m_finished) {
        return;
    }
    if (!m_intakeStarted && m_signal == 0) {
        if (!m_delegate->launched()) {
            return;
        }
        startIntake();
    }
    if (everythingEnded()) {
        finish();
    }
}

void KLCommandLineRun::finish() {
    m_finished = true;
    m_safetyNet.stop();
    m_ui->flush();
    reportFailures();
    QCoreApplication::exit(exitStatus());
}

void KLCommandLineRun::reportFailures() const {
    const QStringList unread = m_ui->addressesWithoutContents();
    const bool nothingFound = m_delegate->tableController()->getEntries().empty() &&
                              m_ui->finishedAndRemoved() == 0 && m_signal == 0;
    if (!unread.isEmpty() || nothingFound) {
        printError(KLAppDelegate::failedText);
        for (const QString &address : unread) {
            printError(QStringLiteral("  ") + address);
        }
    }
    for (const auto &entry : m_delegate->tableController()->getEntries()) {
        const std::shared_ptr<KLError> error = entry->error();
        if (error != nullptr && error->errorType() != KLError::terminatedType) {
            printError(QStringLiteral("kinolark: %1: %2").arg(entry->title(), error->errorDescription()));
        }
    }
}

bool KLCommandLineRun::everythingEnded() const {
    if (m_intakesRunning > 0 || m_delegate->callsToProcessURLs() > 0 || m_delegate->preparingEntries() > 0) {
        return false;
    }
    if (m_intakeStarted && !m_delegate->launched()) {
        return false;
    }
    for (const auto &entry : m_delegate->tableController()->getEntries()) {
        if (entry->processing()) {
            return false;
        }
        // An entry waiting for its automatic start has not ended; after an interrupt it never starts.
        if (!entry->completed() && entry->error() == nullptr && m_signal == 0) {
            return false;
        }
    }
    return true;
}

int KLCommandLineRun::exitStatus() const {
    if (m_signal != 0) {
        return 128 + m_signal;
    }
    const auto entries = m_delegate->tableController()->getEntries();
    if (entries.empty() && m_ui->finishedAndRemoved() == 0) {
        return exitNothingFound;
    }
    for (const auto &entry : entries) {
        if (!entry->completed()) {
            return exitFailed;
        }
    }
    return exitDone;
}

void KLCommandLineRun::interrupt(int signal) {
    if (m_signal != 0) {
        return;
    }
    m_signal = signal;
    // Nothing found from here on starts; the stored choice is left alone.
    m_delegate->tableController()->setAutomaticStart(false);
    m_delegate->doCancel();
    for (const auto &entry : m_delegate->tableController()->getEntries()) {
        entry->cancel();
    }
    requestCheck();
}

void KLCommandLineRun::watchSignals() {
    // A closed terminal (hang-up) ends the run as cleanly as Ctrl-C or a termination request.
    auto *watcher = new KLSignalWatcher(this);
    connect(watcher, &KLSignalWatcher::signalReceived, this, &KLCommandLineRun::interrupt);
    watcher->watch();
}
