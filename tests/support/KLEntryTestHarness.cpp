#include "KLEntryTestHarness.h"

#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Flow/TaskManager/KLTaskManager.h"
#include "KLTestEnvironment.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"

#include <QDir>

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
    KLEntryRecorder *delegate = KLEntryRecorder::of(*entry);
    if (delegate == nullptr) {
        delegate = new KLEntryRecorder(entry.get());
    }
    const int before = delegate->finishedCount();
    entry->process();
    return waitForEnd(entry, *delegate, before + 1, timeout);
}

bool KLEntryTestHarness::waitForEnd(const std::shared_ptr<KLEntry> &entry, const KLEntryRecorder &delegate,
                                    int endings, std::chrono::milliseconds timeout) {
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
