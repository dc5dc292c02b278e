#include "KLCommandLineRun.h"

#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "App/KLURLSchemeDecoder.h"
#include "KLCommandLineUI.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLObjectRepository.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
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
    m_delegate = std::make_shared<KLAppDelegate>(m_ui);
    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, &KLCommandLineRun::checkForEnd);
}

KLCommandLineRun::~KLCommandLineRun() = default;

bool KLCommandLineRun::start(QString *error) {
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
    m_delegate->doFinishApplicationLaunch(false);
    const auto preferences = KLObjectRepository::singleton()->getPreferences();
    preferences->setSaving(false);
    if (!m_options.applyTo(*preferences, error)) {
        return false;
    }
    if (m_options.save) {
        preferences->setSaving(true);
        preferences->save();
        preferences->setSaving(false);
    }
    // This run starts what it finds; the stored choice stays as it was.
    preferences->setAutomaticallyStartDownloading(true);
    watchSignals();
    m_poll.start();
    return true;
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
            KLDispatch::background([this, url, source = request.source] {
                m_delegate->processURLs({url}, source);
                --m_intakesRunning;
            });
        } else {
            plain << url;
        }
    }
    ++m_intakesRunning;
    KLDispatch::background([this, plain] {
        m_delegate->processURLs(plain);
        --m_intakesRunning;
    });
}

void KLCommandLineRun::checkForEnd() {
    if (!m_intakeStarted) {
        if (m_delegate->launched() && !m_interrupted) {
            startIntake();
        } else if (!m_interrupted) {
            return;
        }
    }
    if (!everythingEnded()) {
        return;
    }
    m_poll.stop();
    m_ui->flush();
    const int status = exitStatus();
    if (status == exitNothingFound) {
        fprintf(stderr, "%s\n", qPrintable(KLAppDelegate::failedText));
    }
    QCoreApplication::exit(status);
}

bool KLCommandLineRun::everythingEnded() const {
    if (m_intakesRunning.load() > 0 || m_delegate->callsToProcessURLs() > 0 ||
        m_delegate->preparingEntries() > 0) {
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
        if (!entry->completed() && entry->error() == nullptr && !m_interrupted) {
            return false;
        }
    }
    return true;
}

int KLCommandLineRun::exitStatus() const {
    if (m_interrupted) {
        return exitInterrupted;
    }
    const auto entries = m_delegate->tableController()->getEntries();
    if (entries.empty()) {
        return exitNothingFound;
    }
    for (const auto &entry : entries) {
        if (!entry->completed()) {
            return exitFailed;
        }
    }
    return exitDone;
}

void KLCommandLineRun::interrupt() {
    if (m_interrupted) {
        return;
    }
    m_interrupted = true;
    if (const auto preferences = KLObjectRepository::singleton()->getPreferences()) {
        preferences->setAutomaticallyStartDownloading(false);
    }
    m_delegate->doCancel();
    for (const auto &entry : m_delegate->tableController()->getEntries()) {
        entry->cancel();
    }
}

void KLCommandLineRun::watchSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    m_signals = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_signals, &QSocketNotifier::activated, this, [this] {
        char drained[16];
        while (::read(signalPipe[0], drained, sizeof drained) > 0) {
        }
        interrupt();
    });
}
