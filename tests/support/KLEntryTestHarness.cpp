#include "KLEntryTestHarness.h"

#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Flow/TaskManager/KLTaskManager.h"
#include "KLTestEnvironment.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLServices.h"

#include <QDir>

KLEntryTestHarness::KLEntryTestHarness()
    : m_preferences(std::make_shared<KLDefaultPreferences>()),
      m_taskManager(std::make_shared<KLTaskManager>(m_preferences)),
      m_services(std::make_shared<KLServices>()) {
    m_preferences->setDownloadLocation(m_output.path());
    m_preferences->setAutomaticallyStartDownloading(true);
    m_services->preferences = m_preferences;
    m_services->taskManager = m_taskManager;
    m_services->ffmpegFactory = std::make_shared<KLFFMPEGCommandFactory>();
}

KLEntryTestHarness::~KLEntryTestHarness() = default;

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
