#include "App/KLApplicationLaunch.h"

#include "App/KLApplicationUI.h"
#include "App/KLBatchActions.h"
#include "App/KLControllerState.h"
#include "App/KLDownloaderMaintenance.h"
#include "App/KLEntryTableController.h"
#include "App/KLStatusLine.h"
#include "App/KLUIChange.h"
#include "App/KLURLIntake.h"
#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Flow/TaskManager/KLTaskManager.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLQueuePersistence.h"
#include "Utils/KLResources.h"
#include "Utils/KLScriptManager.h"
#include "Utils/KLServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

KLApplicationLaunch::KLApplicationLaunch(std::shared_ptr<KLControllerState> state,
                                         std::shared_ptr<KLStatusLine> statusLine,
                                         std::shared_ptr<KLURLIntake> intake,
                                         std::shared_ptr<KLBatchActions> batchActions)
    : m_state(std::move(state)), m_statusLine(std::move(statusLine)), m_intake(std::move(intake)),
      m_batchActions(std::move(batchActions)),
      m_maintenance(std::make_shared<KLDownloaderMaintenance>(m_state, m_statusLine)) {}

void KLApplicationLaunch::doFinishApplicationLaunch(
    bool forWindow, const std::weak_ptr<KLEntryTableControllerDelegate> &tableDelegate) {
    KLLog::log(QStringLiteral("STARTING KINOLARK PRO..."));
    initializeObjectRepository(forWindow);
    m_state->tableController->setDelegate(tableDelegate);
    m_state->ui->setDragEnabled(true);
    m_state->ui->setBatchActions(false, false, false);
    m_statusLine->restoreState();
    KLKinolarkUtils::deleteDownloadsDirectory();
    installDownloader();
    m_maintenance->startServer(KLKinolarkUtils::getYTDLPath(), forWindow);
    // Nothing the intake does waits for the credentials' lists: the downloader reads the credentials file
    // itself, and the lists (two runs of the downloader on a first launch) serve the password window only.
    // The command line, which has no such window, never makes them.
    restoreQueue();
    m_state->ui->setLaunchMenusEnabled(true);
    m_intake->launchFinished();
    m_state->ui->setAddButtonVisible(true);
    // The update check does not hold up the intake: the working copy is replaced by a rename, so a
    // downloader started meanwhile runs either the old copy or the new one, whole.
    if (forWindow) {
        m_maintenance->prepareCredentials([self = shared_from_this()] { self->updateDownloaders(); });
    } else {
        updateDownloaders();
    }
}

void KLApplicationLaunch::initializeObjectRepository(bool rememberQueue) {
    KLServices &services = *m_state->services;
    // The settings first, loaded at once, so that every later service sees the user's.
    services.preferences = std::make_shared<KLDefaultPreferences>();
    services.preferences->load();
    services.scriptManager = std::make_shared<KLScriptManager>();
    services.taskManager = std::make_shared<KLTaskManager>(services.preferences);
    services.passwordManager = std::make_shared<KLPasswordManager>();
    services.ffmpegFactory = std::make_shared<KLFFMPEGCommandFactory>();
    services.queuePersistence =
        rememberQueue ? std::make_shared<KLQueuePersistence>(services.preferences) : nullptr;
    // What was kept of downloads too long ago to be wanted still goes before anything is queued.
    services.keptDownloads = std::make_shared<KLKeptDownloads>();
    services.keptDownloads->sweep(static_cast<int>(services.preferences->keptDownloadsDays()));
    registerServices(services);
    m_state->tracker.clearWorkingLists();
}

void KLApplicationLaunch::registerServices(const KLServices &services) {
    KLObjectRepository *repository = KLObjectRepository::singleton();
    repository->addObject(std::make_shared<KLKinolarkUtils>(), KLObjectRepository::kinolarkUtilsName);
    repository->addObject(services.preferences, KLObjectRepository::preferencesName);
    repository->addObject(services.scriptManager, KLObjectRepository::scriptManagerName);
    repository->addObject(services.taskManager, KLObjectRepository::taskManagerName);
    repository->addObject(services.passwordManager, KLObjectRepository::passwordManagerName);
    repository->addObject(services.ffmpegFactory, KLObjectRepository::ffmpegParametersFactoryName);
    repository->addObject(services.queuePersistence, KLObjectRepository::queuePersistenceName);
}

void KLApplicationLaunch::installDownloader() {
    const QString shipped = KLResources::pathForResource(QStringLiteral("ytdl"), QString());
    const QString working = KLKinolarkUtils::getYTDLPath();
    if (!QFileInfo::exists(working) && QFile::copy(shipped, working)) {
        QFile::setPermissions(working, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther);
    }
}

void KLApplicationLaunch::updateDownloaders() {
    installDownloader();
    m_maintenance->update();
}

void KLApplicationLaunch::restoreQueue() {
    const auto preferences = m_state->services->preferences;
    const auto persistence = m_state->services->queuePersistence;
    if (preferences == nullptr || persistence == nullptr) {
        return;
    }
    if (preferences->rememberQueue() == QStringLiteral("none")) {
        persistence->removeAll();
        return;
    }
    const QList<QUrl> urls = persistence->urls();
    if (!urls.isEmpty()) {
        m_intake->processURLs(urls);
    }
}

void KLApplicationLaunch::applicationWillTerminate() {
    if (const auto persistence = m_state->services->queuePersistence) {
        persistence->save(); // the last turn's changes, before the event loop stops turning
    }
    if (const auto passwords = m_state->services->passwordManager) {
        passwords->teardown();
    }
}

void KLApplicationLaunch::onUninstall() {
    m_state->uninstalling = true;
    m_batchActions->cancelAndRemoveAll();
    if (const auto preferences = m_state->services->preferences) {
        preferences->clear();
    }
    // Nothing of the program's own stays behind: its settings file, and its data folder with the
    // downloader's launcher, the remembered queue and the working files. The user's videos live elsewhere,
    // and the site logins in ~/.netrc are the user's own file.
    QFile::remove(KLDefaultPreferences::storeFilePath());
    QDir().rmdir(QFileInfo(KLDefaultPreferences::storeFilePath()).absolutePath());
    QDir(KLKinolarkUtils::getApplicationDataDirectory()).removeRecursively();
    KLUIChange::post(m_state->ui, [](KLApplicationUI &ui) {
        ui.showAlert(
            QStringLiteral("KinolarkPro Uninstalled Successfully"),
            QStringLiteral("KinolarkPro has been successfully uninstalled. To finish the process, just "
                           "move the application to the Trash"));
        ui.terminate();
    });
}
