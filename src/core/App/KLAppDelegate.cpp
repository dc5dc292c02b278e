#include "App/KLAppDelegate.h"

#include "App/KLApplicationUI.h"
#include "App/KLEntryTableController.h"
#include "App/KLURLDetector.h"
#include "App/KLURLSchemeDecoder.h"
#include "Flow/Entries/KLEntryFactory.h"
#include "Flow/Entries/KLEntryGenerator.h"
#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Flow/TaskManager/KLTaskManager.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/Xidel/KLConvertRTFToHTMLTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractFileURLsTask.h"
#include "Model/KLTask/Xidel/KLXidelExtractIFrameSourcesTask.h"
#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLQueuePersistence.h"
#include "Utils/KLResources.h"
#include "Utils/KLScriptManager.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

bool writeTextFile(const QString &path, const QString &text) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
}

template <class Task> std::shared_ptr<Task> runToEnd(std::shared_ptr<Task> task) {
    task->start();
    task->wait();
    return task;
}

} // namespace

KLAppDelegate::KLAppDelegate(std::shared_ptr<KLApplicationUI> ui)
    : m_ui(ui != nullptr ? std::move(ui) : std::make_shared<KLApplicationUI>()),
      m_tableController(std::make_shared<KLEntryTableController>()) {
    m_tableController->setUI(m_ui);
    m_factoryMaker = [] { return std::make_shared<KLEntryFactory>(); };
}

KLAppDelegate::~KLAppDelegate() = default;

void KLAppDelegate::onMainThread(std::function<void(KLApplicationUI &ui)> change) const {
    KLDispatch::async([ui = m_ui, change = std::move(change)] { change(*ui); });
}

void KLAppDelegate::setDragEnabledNow(bool enabled) const {
    KLDispatch::sync([this, enabled] { m_ui->setDragEnabled(enabled); });
}

// ---- Launch and termination ----

void KLAppDelegate::doFinishApplicationLaunch(bool rememberQueue) {
    KLLog::log(QStringLiteral("STARTING KINOLARK PRO..."));
    initializeObjectRepository();
    if (!rememberQueue) {
        KLObjectRepository::singleton()->addObject(std::shared_ptr<KLQueuePersistence>(),
                                                   KLObjectRepository::queuePersistenceName);
    }
    m_tableController->setDelegate(weak_from_this());
    KLEntryGenerator::setURLProcessor(weak_from_this());
    m_ui->setDragEnabled(true);
    m_ui->setBatchActions(false, false, false);
    restoreState();
    KLKinolarkUtils::deleteDownloadsDirectory();
    KLDispatch::background([self = shared_from_this()] {
        self->updateDownloaders();
        self->preparePasswordManager();
        self->restoreQueue();
        KLDispatch::sync([&self] {
            self->m_ui->setLaunchMenusEnabled(true);
            self->m_launched = true;
            self->m_ui->setAddButtonVisible(true);
        });
    });
}

void KLAppDelegate::initializeObjectRepository() {
    KLObjectRepository *repository = KLObjectRepository::singleton();
    repository->addObject(std::make_shared<KLKinolarkUtils>(), KLObjectRepository::kinolarkUtilsName);
    auto preferences = std::make_shared<KLDefaultPreferences>();
    repository->addObject(preferences, KLObjectRepository::preferencesName);
    preferences->load();
    repository->addObject(std::make_shared<KLScriptManager>(), KLObjectRepository::scriptManagerName);
    repository->addObject(std::make_shared<KLTaskManager>(), KLObjectRepository::taskManagerName);
    repository->addObject(std::make_shared<KLPasswordManager>(), KLObjectRepository::passwordManagerName);
    repository->addObject(std::make_shared<KLFFMPEGCommandFactory>(),
                          KLObjectRepository::ffmpegParametersFactoryName);
    repository->addObject(std::make_shared<KLQueuePersistence>(), KLObjectRepository::queuePersistenceName);
    std::lock_guard lock(m_lock);
    m_workingFactories.clear();
    m_workingEntries.clear();
}

void KLAppDelegate::updateDownloaders() {
    setState(QStringLiteral("Updating downloaders..."), false);
    setDragEnabledNow(false);
    const QString shipped = KLResources::pathForResource(QStringLiteral("ytdl"), QString());
    const QString working = KLKinolarkUtils::getYTDLPath();
    if (!QFileInfo::exists(working) && QFile::copy(shipped, working)) {
        QFile::setPermissions(working, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther);
    }
    runToEnd(std::make_shared<KLUpdateYTDLTask>());
    setDragEnabledNow(true);
    restoreState();
}

void KLAppDelegate::preparePasswordManager() {
    setState(QStringLiteral("Preparing password manager..."), false);
    setDragEnabledNow(false);
    const auto passwords = KLObjectRepository::singleton()->getPasswordManager();
    if (passwords != nullptr) {
        passwords->setup();
    }
    const bool available = passwords != nullptr && passwords->passwordManagerIsEnabled();
    KLDispatch::sync([this, available] { m_ui->setPasswordManagerAvailable(available); });
    setDragEnabledNow(true);
    restoreState();
}

void KLAppDelegate::restoreQueue() {
    const auto preferences = KLObjectRepository::singleton()->getPreferences();
    const auto persistence = KLObjectRepository::singleton()->getQueuePersistence();
    if (preferences == nullptr || persistence == nullptr) {
        return;
    }
    if (preferences->rememberQueue() == QStringLiteral("none")) {
        persistence->removeAll();
        return;
    }
    const QList<QUrl> urls = persistence->urls();
    if (!urls.isEmpty()) {
        KLDispatch::background([self = shared_from_this(), urls] { self->processURLs(urls); });
    }
}

void KLAppDelegate::applicationWillTerminate() {
    if (const auto passwords = KLObjectRepository::singleton()->getPasswordManager()) {
        passwords->teardown();
    }
}

void KLAppDelegate::onUninstall() {
    m_uninstalling = true;
    for (const auto &entry : entriesOf(m_tableController)) {
        entry->cancel();
        m_tableController->removeEntry(entry);
    }
    if (const auto preferences = KLObjectRepository::singleton()->getPreferences()) {
        preferences->clear();
    }
    KLKinolarkUtils::deleteDownloadsDirectory();
    onMainThread([](KLApplicationUI &ui) {
        ui.showAlert(
            QStringLiteral("KinolarkPro Uninstalled Successfully"),
            QStringLiteral("KinolarkPro has been successfully uninstalled. To finish the process, just "
                           "move the application to the Trash"));
        ui.terminate();
    });
}

// ---- Status line ----

void KLAppDelegate::setState(const QString &message, bool canCancel) {
    KLDispatch::async([self = shared_from_this(), message, canCancel] {
        self->setSpin(true);
        self->m_ui->setCancelButtonVisible(canCancel);
        self->m_ui->setStatusText(message);
    });
}

void KLAppDelegate::restoreState() {
    KLDispatch::async([self = shared_from_this()] {
        self->setSpin(false);
        self->m_ui->setCancelButtonVisible(false);
        self->m_ui->setStatusText(idleText);
    });
}

void KLAppDelegate::setFailedState() {
    KLDispatch::background([self = shared_from_this()] {
        self->onMainThread([](KLApplicationUI &ui) {
            ui.setStatusTextVisible(true);
            ui.setStatusText(failedText);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        if (self->m_callsToProcessURLs.load() == 0) {
            self->onMainThread([](KLApplicationUI &ui) { ui.setStatusTextVisible(false); });
            self->restoreState();
        }
    });
}

void KLAppDelegate::setSpin(bool spin) {
    if (spin == m_currentSpin) {
        return;
    }
    m_currentSpin = spin;
    KLLog::log(spin ? QStringLiteral("Start spinning...") : QStringLiteral("Stop spinning..."));
    m_ui->setStatusTextVisible(spin);
    m_ui->setSpinning(spin);
}

void KLAppDelegate::updatePreparingEntries() {
    std::lock_guard lock(m_lock);
    if (m_preparingEntries > 0) {
        --m_preparingEntries;
    }
    if (m_preparingEntries == 0 && m_callsToProcessURLs.load() == 0) {
        m_foundContent = false;
        restoreState();
    }
}

uint64_t KLAppDelegate::preparingEntries() const {
    std::lock_guard lock(m_lock);
    return m_preparingEntries;
}

bool KLAppDelegate::foundContent() const {
    std::lock_guard lock(m_lock);
    return m_foundContent;
}

// ---- Working lists ----

void KLAppDelegate::addWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory) {
    std::lock_guard lock(m_lock);
    m_workingFactories.push_back(factory);
}

void KLAppDelegate::removeWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory) {
    std::lock_guard lock(m_lock);
    std::erase(m_workingFactories, factory);
}

void KLAppDelegate::addWorkingEntry(const std::shared_ptr<KLEntry> &entry) {
    std::lock_guard lock(m_lock);
    m_workingEntries.push_back(entry);
}

void KLAppDelegate::removeWorkingEntry(const std::shared_ptr<KLEntry> &entry) {
    std::lock_guard lock(m_lock);
    std::erase(m_workingEntries, entry);
}

void KLAppDelegate::doCancel() {
    std::vector<std::shared_ptr<KLEntryFactory>> factories;
    std::vector<std::shared_ptr<KLEntry>> entries;
    {
        std::lock_guard lock(m_lock);
        factories = m_workingFactories;
        entries = m_workingEntries;
    }
    // Cancelled outside the lock: a cancelled preparation completes at once and takes the lock itself.
    for (const auto &factory : factories) {
        factory->cancel();
    }
    for (const auto &entry : entries) {
        entry->cancel();
    }
}

// ---- Batch actions ----

std::vector<std::shared_ptr<KLEntry>>
KLAppDelegate::entriesOf(const std::shared_ptr<KLEntryTableController> &table) {
    return table->getEntries();
}

void KLAppDelegate::clearAll() {
    onMainThread([](KLApplicationUI &ui) { ui.closeBatchPopover(); });
    if (const auto persistence = KLObjectRepository::singleton()->getQueuePersistence()) {
        persistence->removeAll();
    }
    for (const auto &entry : entriesOf(m_tableController)) {
        entry->cancel();
        m_tableController->removeEntry(entry);
    }
}

void KLAppDelegate::processAll() {
    onMainThread([](KLApplicationUI &ui) { ui.closeBatchPopover(); });
    const auto preferences = KLObjectRepository::singleton()->getPreferences();
    if (preferences == nullptr) {
        return;
    }
    const bool automatic = preferences->automaticallyStartDownloading();
    preferences->setAutomaticallyStartDownloading(true);
    for (const auto &entry : entriesOf(m_tableController)) {
        if (!entry->processing()) {
            entry->resetState();
            entry->process();
        }
    }
    preferences->setAutomaticallyStartDownloading(automatic);
}

void KLAppDelegate::clearCompleted() {
    onMainThread([](KLApplicationUI &ui) { ui.closeBatchPopover(); });
    for (const auto &entry : entriesOf(m_tableController)) {
        if (entry->completed()) {
            m_tableController->removeEntry(entry);
        }
    }
}

void KLAppDelegate::updateControlButtonsState() {
    const auto entries = entriesOf(m_tableController);
    const bool pending = std::any_of(entries.begin(), entries.end(), [](const auto &entry) {
        return !entry->processing() && !entry->completed();
    });
    const bool completed =
        std::any_of(entries.begin(), entries.end(), [](const auto &entry) { return entry->completed(); });
    const bool any = !entries.empty();
    onMainThread(
        [pending, completed, any](KLApplicationUI &ui) { ui.setBatchActions(pending, completed, any); });
}

void KLAppDelegate::entryTableControllerNumberOfEntriesModified(KLEntryTableController *, int count) {
    onMainThread([count](KLApplicationUI &ui) { ui.numberOfEntriesChanged(count); });
    // Called with the queue's lock held: the scan of the entries waits for the main thread.
    KLDispatch::async([self = shared_from_this()] { self->updateControlButtonsState(); });
}

void KLAppDelegate::entryTableControllerEntriesStateHasChanged(KLEntryTableController *) {
    updateControlButtonsState();
}

// ---- Intake ----

void KLAppDelegate::processURLs(const QList<QUrl> &urls) {
    processURLs(urls, std::nullopt);
}

void KLAppDelegate::processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource) {
    ++m_callsToProcessURLs;
    std::function<std::shared_ptr<KLEntryFactory>()> maker;
    {
        std::lock_guard lock(m_lock);
        maker = m_factoryMaker;
    }
    const std::shared_ptr<KLEntryFactory> factory = maker();
    addWorkingEntryFactory(factory);
    for (const QUrl &url : urls) {
        if (!analyzeURL(factory, url, scrapSource)) {
            break;
        }
    }
    removeWorkingEntryFactory(factory);
    decideStatusAfterIntake();
    --m_callsToProcessURLs;
}

bool KLAppDelegate::analyzeURL(const std::shared_ptr<KLEntryFactory> &factory, const QUrl &url,
                               const std::optional<QString> &scrapSource) {
    const auto persistence = KLObjectRepository::singleton()->getQueuePersistence();
    if (persistence != nullptr) {
        persistence->addURL(url);
    }
    setState(QStringLiteral("Analyzing URL: %1").arg(url.toString(QUrl::FullyEncoded)));
    std::shared_ptr<KLError> error;
    const std::optional<KLEntryFactory::EntryList> entries = factory->generateEntriesForURL(url, &error);
    if (factory->isCancelled()) {
        return false;
    }
    if (entries.has_value() && !entries->empty()) {
        prepareEntries(*entries);
        return true;
    }
    if (persistence != nullptr) {
        persistence->removeURL(url);
    }
    if (scrapSource.has_value()) {
        fallBackOnSource(*scrapSource, url);
    } else if (!entries.has_value()) {
        onMainThread([url, error](KLApplicationUI &ui) { ui.addressYieldedNothing(url, error); });
    }
    restoreState();
    return true;
}

void KLAppDelegate::prepareEntries(const std::vector<std::shared_ptr<KLEntry>> &entries) {
    {
        std::lock_guard lock(m_lock);
        m_foundContent = true;
        m_preparingEntries += entries.size();
        m_workingEntries.insert(m_workingEntries.end(), entries.begin(), entries.end());
    }
    for (const auto &entry : entries) {
        std::weak_ptr<KLEntry> weakEntry = entry;
        auto counted = std::make_shared<std::atomic<bool>>(false);
        entry->prepareWithCompletion([self = shared_from_this(), weakEntry, counted] {
            if (counted->exchange(true)) {
                return;
            }
            const std::shared_ptr<KLEntry> prepared = weakEntry.lock();
            if (prepared != nullptr) {
                self->removeWorkingEntry(prepared);
                if (prepared->error() == nullptr && !self->m_uninstalling.load()) {
                    self->m_tableController->addEntry(prepared);
                }
            }
            self->updatePreparingEntries();
        });
        // A preparation that was cancelled before it began never calls back; left uncounted it would keep
        // the status line busy for good.
        if (entry->error() != nullptr && entry->cancelled() && !counted->exchange(true)) {
            removeWorkingEntry(entry);
            updatePreparingEntries();
        }
    }
}

void KLAppDelegate::fallBackOnSource(const QString &source, const QUrl &page) {
    const QString file = KLKinolarkUtils::createTemporaryFile();
    writeTextFile(file, source);
    // Relative and protocol-relative players resolve against the page, not against the saved copy.
    const auto task = runToEnd(std::make_shared<KLXidelExtractIFrameSourcesTask>(file, page));
    QFile::remove(file);
    const auto found = task->resultAs<QList<QUrl>>();
    if (!found.isEmpty()) {
        processURLs(found);
    }
}

void KLAppDelegate::decideStatusAfterIntake() {
    std::lock_guard lock(m_lock);
    if (m_preparingEntries != 0) {
        setState(QStringLiteral("Preprocessing URLs..."));
    } else if (m_foundContent) {
        m_foundContent = false;
        restoreState();
    } else if (m_callsToProcessURLs.load() == 1) {
        setFailedState();
    } else {
        m_foundContent = false;
        restoreState();
    }
}

void KLAppDelegate::handleGetURLEvent(const QString &text) {
    KLDispatch::background([self = shared_from_this(), text] {
        while (!self->m_launched.load()) {
            KLLog::log(QStringLiteral("Waiting for launched..."));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const KLURLSchemeDecoder::Request request = KLURLSchemeDecoder::decode(text);
        const QUrl url(request.urlText);
        if (!request.hasPayload) {
            KLLog::log(QStringLiteral("Handling URL opening: %1").arg(url.toString()));
        }
        if (!KLURLSchemeDecoder::isAcceptedURL(url)) {
            return; // not a web or file address: nothing a script should ever see
        }
        if (request.hasPayload) {
            self->processURLs({url}, request.source);
        } else {
            self->processURLs({url});
        }
    });
}

void KLAppDelegate::scrapURLsFromRTF(const QString &rtf) {
    KLDispatch::background([self = shared_from_this(), rtf] {
        const auto task = runToEnd(std::make_shared<KLConvertRTFToHTMLTask>(rtf));
        self->scrapURLsFromHTML(task->resultAs<QString>());
    });
}

void KLAppDelegate::scrapURLsFromHTML(const QString &html) {
    KLDispatch::background([self = shared_from_this(), html] {
        const QString file = KLKinolarkUtils::createTemporaryFile();
        writeTextFile(file, html);
        const auto task = runToEnd(std::make_shared<KLXidelExtractFileURLsTask>(file));
        QFile::remove(file);
        QList<QUrl> unique;
        for (const QUrl &url : task->resultAs<QList<QUrl>>()) {
            if (!unique.contains(url)) {
                unique << url;
            }
        }
        self->processURLs(unique);
    });
}

void KLAppDelegate::scrapURLsFromText(const QString &text) {
    KLDispatch::background(
        [self = shared_from_this(), text] { self->processURLs(KLURLDetector::detectURLs(text)); });
}

void KLAppDelegate::processPasteboard(const QList<ClipboardItem> &items, const QList<QUrl> &fileURLs) {
    onMainThread([](KLApplicationUI &ui) { ui.closeAddPopover(); });
    for (const ClipboardItem &item : items) {
        if (item.rtf.has_value()) {
            scrapURLsFromRTF(*item.rtf);
        } else if (item.html.has_value()) {
            scrapURLsFromHTML(*item.html);
        } else if (item.text.has_value()) {
            scrapURLsFromText(*item.text);
        }
    }
    QList<QUrl> files;
    for (const QUrl &url : fileURLs) {
        if (url.isLocalFile()) {
            files << url;
        }
    }
    if (!files.isEmpty()) {
        // Analysed in the background: nothing needs the main thread, which must not block for minutes.
        KLDispatch::background([self = shared_from_this(), files] { self->processURLs(files); });
    }
}

void KLAppDelegate::dragFilesViewFilesWereDropped(const QStringList &paths) {
    KLLog::log(QStringLiteral("Dragged files: %1").arg(paths.join(QStringLiteral(", "))));
    QList<QUrl> urls;
    for (const QString &path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    KLDispatch::background([self = shared_from_this(), urls] { self->processURLs(urls); });
}

void KLAppDelegate::dragFilesViewStringWasDragged(const QString &text) {
    KLLog::log(QStringLiteral("Dragged string: %1").arg(text));
    scrapURLsFromText(text);
}

// ---- Scripting ----

KLAppDelegate::CommandResult KLAppDelegate::analyze(const std::optional<QString> &parameter) {
    if (!parameter.has_value()) {
        return {parameterErrorNumber,
                QStringLiteral(
                    "Parameter Error: A Parameter is expected for the verb 'analyze' (You have to specify "
                    "what URL you want to analyze).")};
    }
    const QUrl url(*parameter);
    if (parameter->trimmed().isEmpty() || !url.isValid() || url.scheme().isEmpty()) {
        return {parameterErrorNumber, QStringLiteral("Parameter Error: Invalid URL.")};
    }
    KLDispatch::background([self = shared_from_this(), url] { self->processURLs({url}); });
    return {};
}

void KLAppDelegate::setBrowserGrabber(const std::shared_ptr<KLBrowserGrabber> &grabber) {
    std::lock_guard lock(m_lock);
    m_browserGrabber = grabber;
}

void KLAppDelegate::openBrowserVideo(KLBrowserGrabber::Browser browser) {
    std::shared_ptr<KLBrowserGrabber> grabber;
    {
        std::lock_guard lock(m_lock);
        grabber = m_browserGrabber;
    }
    const std::optional<KLBrowserGrabber::Page> page =
        grabber != nullptr ? grabber->grabPage(browser) : std::nullopt;
    if (page.has_value() && page->url.isValid()) {
        KLDispatch::background(
            [self = shared_from_this(), page] { self->processURLs({page->url}, page->html); });
    }
    onMainThread([](KLApplicationUI &ui) { ui.closeAddPopover(); });
}

void KLAppDelegate::setFactoryMaker(std::function<std::shared_ptr<KLEntryFactory>()> maker) {
    std::lock_guard lock(m_lock);
    m_factoryMaker = std::move(maker);
}
