#include "KLEntryTestHarness.h"

#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Flow/TaskManager/KLTaskManager.h"
#include "KLTestEnvironment.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"

#include <QDir>

QStringList KLRecordingEntryDelegate::states() const {
    std::lock_guard lock(m_lock);
    return m_states;
}

QStringList KLRecordingEntryDelegate::events() const {
    std::lock_guard lock(m_lock);
    return m_events;
}

int KLRecordingEntryDelegate::finishedCount() const {
    std::lock_guard lock(m_lock);
    return m_finished;
}

int KLRecordingEntryDelegate::startedCount() const {
    std::lock_guard lock(m_lock);
    return m_started;
}

double KLRecordingEntryDelegate::highestCompletionFactor() const {
    std::lock_guard lock(m_lock);
    return m_highest;
}

void KLRecordingEntryDelegate::record(const QString &event) {
    std::lock_guard lock(m_lock);
    m_events << event;
}

void KLRecordingEntryDelegate::entryHasStartedProcessing(KLEntry *) {
    std::lock_guard lock(m_lock);
    ++m_started;
    m_events << QStringLiteral("started");
}

void KLRecordingEntryDelegate::entryHasFinishedProcessing(KLEntry *) {
    std::lock_guard lock(m_lock);
    ++m_finished;
    m_events << QStringLiteral("finished");
}

void KLRecordingEntryDelegate::entryNewOriginalURL(KLEntry *, const QUrl &url) {
    record(QStringLiteral("url ") + url.toString());
}

void KLRecordingEntryDelegate::entryNewTitle(KLEntry *, const QString &title) {
    record(QStringLiteral("title ") + title);
}

void KLRecordingEntryDelegate::entryNewRepresentativeImage(KLEntry *, const QImage &) {
    record(QStringLiteral("image"));
}

void KLRecordingEntryDelegate::entryNewError(KLEntry *, const std::shared_ptr<KLError> &error) {
    record(error != nullptr ? QStringLiteral("error") : QStringLiteral("error nil"));
}

void KLRecordingEntryDelegate::entryNewState(KLEntry *, const QString &state) {
    std::lock_guard lock(m_lock);
    if (m_states.isEmpty() || m_states.last() != state) {
        m_states << state;
    }
    m_events << QStringLiteral("state ") + state;
}

void KLRecordingEntryDelegate::entryNewCompletionFactor(KLEntry *, double completionFactor) {
    std::lock_guard lock(m_lock);
    m_highest = std::max(m_highest, completionFactor);
    m_events << QStringLiteral("progress %1").arg(completionFactor);
}

void KLRecordingEntryDelegate::entryNewETA(KLEntry *, const QString &) {}

void KLRecordingEntryDelegate::entryCompleted(KLEntry *) {
    record(QStringLiteral("completed"));
}

void KLRecordingEntryDelegate::entryNewOutputFile(KLEntry *, const QString &file) {
    record(QStringLiteral("output ") + file);
}

void KLRecordingEntryDelegate::entryNewProperties(KLEntry *, const std::shared_ptr<KLVideoProperties> &) {
    record(QStringLiteral("properties"));
}

void KLRecordingEntryDelegate::entryIsLocal(KLEntry *, bool local) {
    record(local ? QStringLiteral("local") : QStringLiteral("not local"));
}

KLEntryTestHarness::KLEntryTestHarness()
    : m_preferences(std::make_shared<KLDefaultPreferences>()),
      m_taskManager(std::make_shared<KLTaskManager>()) {
    m_preferences->setDownloadLocation(m_output.path());
    m_preferences->setAutomaticallyStartDownloading(true);
    KLObjectRepository *repository = KLObjectRepository::singleton();
    repository->addObject(std::make_shared<KLKinolarkUtils>(), KLObjectRepository::kinolarkUtilsName);
    repository->addObject(m_preferences, KLObjectRepository::preferencesName);
    repository->addObject(m_taskManager, KLObjectRepository::taskManagerName);
    repository->addObject(std::make_shared<KLFFMPEGCommandFactory>(),
                          KLObjectRepository::ffmpegParametersFactoryName);
}

KLEntryTestHarness::~KLEntryTestHarness() {
    KLObjectRepository::singleton()->removeAllObjects();
}

bool KLEntryTestHarness::processAndWait(const std::shared_ptr<KLEntry> &entry,
                                        std::chrono::milliseconds timeout) {
    auto delegate = std::dynamic_pointer_cast<KLRecordingEntryDelegate>(entry->delegate());
    if (delegate == nullptr) {
        delegate = std::make_shared<KLRecordingEntryDelegate>();
        entry->setDelegate(delegate);
    }
    const int before = delegate->finishedCount();
    entry->process();
    return waitForEnd(entry, *delegate, before + 1, timeout);
}

bool KLEntryTestHarness::waitForEnd(const std::shared_ptr<KLEntry> &entry,
                                    const KLRecordingEntryDelegate &delegate, int endings,
                                    std::chrono::milliseconds timeout) {
    return KLTestEnvironment::waitUntil(
        [&] { return delegate.finishedCount() >= endings && !entry->processing(); }, timeout);
}

QStringList KLEntryTestHarness::temporaryFolders() {
    return QDir(KLKinolarkUtils::getScratchDirectory()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

bool KLEntryTestHarness::noToolsRunning() {
    return KLTestEnvironment::startedProcessesRunning({QStringLiteral("yt-dlp"), QStringLiteral("ffmpeg")}) ==
           0;
}
