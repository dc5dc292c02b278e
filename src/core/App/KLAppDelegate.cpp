#include "App/KLAppDelegate.h"

#include "App/KLApplicationLaunch.h"
#include "App/KLBatchActions.h"
#include "App/KLDownloaderMaintenance.h"
#include "App/KLURLIntake.h"

KLAppDelegate::KLAppDelegate(std::shared_ptr<KLApplicationUI> ui)
    : m_state(std::make_shared<KLControllerState>(std::move(ui))),
      m_statusLine(std::make_shared<KLStatusLine>(m_state)),
      m_batchActions(std::make_shared<KLBatchActions>(m_state)),
      m_intake(std::make_shared<KLURLIntake>(m_state, m_statusLine)),
      m_scraper(std::make_shared<KLURLScraper>(m_state->ui, m_intake)),
      m_scripting(std::make_shared<KLScriptingCommands>(m_state->ui, m_intake)),
      m_launch(std::make_shared<KLApplicationLaunch>(m_state, m_statusLine, m_intake, m_batchActions)) {}

KLAppDelegate::~KLAppDelegate() = default;

// ---- Launch and termination ----

void KLAppDelegate::doFinishApplicationLaunch(bool forWindow) {
    m_launch->doFinishApplicationLaunch(forWindow, weak_from_this());
}

void KLAppDelegate::initializeObjectRepository() {
    m_launch->initializeObjectRepository();
}

void KLAppDelegate::updateDownloaders() {
    m_launch->updateDownloaders();
}

void KLAppDelegate::restoreQueue() {
    m_launch->restoreQueue();
}

void KLAppDelegate::endDownloaderMaintenance(std::chrono::milliseconds patience) {
    m_launch->maintenance()->end(patience);
}

void KLAppDelegate::updateDownloadersOnRequest() {
    m_launch->maintenance()->updateOnRequest();
}

void KLAppDelegate::installExtraTools() {
    m_launch->maintenance()->installExtraTools();
}

bool KLAppDelegate::launched() const {
    return m_state->launched;
}

void KLAppDelegate::setLaunched() {
    m_intake->launchFinished();
}

void KLAppDelegate::applicationWillTerminate() {
    m_launch->applicationWillTerminate();
}

void KLAppDelegate::onUninstall() {
    m_launch->onUninstall();
}

bool KLAppDelegate::uninstalling() const {
    return m_state->uninstalling;
}

// ---- Status line ----

void KLAppDelegate::setState(const QString &message, bool canCancel) {
    m_statusLine->setState(message, canCancel);
}

void KLAppDelegate::restoreState() {
    m_statusLine->restoreState();
}

void KLAppDelegate::setFailedState() {
    m_statusLine->setFailedState();
}

void KLAppDelegate::setSpin(bool spin) {
    m_statusLine->setSpin(spin);
}

void KLAppDelegate::updatePreparingEntries() {
    m_statusLine->updatePreparingEntries();
}

// ---- Working lists ----

void KLAppDelegate::addWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory) {
    m_state->tracker.addWorkingEntryFactory(factory);
}

void KLAppDelegate::removeWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory) {
    m_state->tracker.removeWorkingEntryFactory(factory);
}

void KLAppDelegate::addWorkingEntry(const std::shared_ptr<KLEntry> &entry) {
    m_state->tracker.addWorkingEntry(entry);
}

void KLAppDelegate::removeWorkingEntry(const std::shared_ptr<KLEntry> &entry) {
    m_state->tracker.removeWorkingEntry(entry);
}

void KLAppDelegate::doCancel() {
    m_state->tracker.cancel();
}

// ---- Batch actions ----

void KLAppDelegate::clearAll() {
    m_batchActions->clearAll();
}

void KLAppDelegate::processAll() {
    m_batchActions->processAll();
}

void KLAppDelegate::pauseAll() {
    m_batchActions->pauseAll();
}

void KLAppDelegate::resumeAll() {
    m_batchActions->resumeAll();
}

void KLAppDelegate::clearCompleted() {
    m_batchActions->clearCompleted();
}

void KLAppDelegate::updateControlButtonsState() {
    m_batchActions->updateControlButtonsState();
}

void KLAppDelegate::entryTableControllerNumberOfEntriesModified(KLEntryTableController *, int count) {
    m_batchActions->numberOfEntriesModified(count);
}

void KLAppDelegate::entryTableControllerEntriesStateHasChanged(KLEntryTableController *) {
    m_batchActions->entriesStateHasChanged();
}

// ---- Intake ----

void KLAppDelegate::processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource,
                                std::function<void()> done) {
    m_intake->processURLs(urls, scrapSource, std::move(done));
}

void KLAppDelegate::handleGetURLEvent(const QString &text, const QString &cookies) {
    m_intake->handleGetURLEvent(text, cookies);
}

void KLAppDelegate::scrapURLsFromRTF(const QString &rtf) {
    m_scraper->scrapURLsFromRTF(rtf);
}

void KLAppDelegate::scrapURLsFromHTML(const QString &html) {
    m_scraper->scrapURLsFromHTML(html);
}

void KLAppDelegate::scrapURLsFromText(const QString &text) {
    m_scraper->scrapURLsFromText(text);
}

void KLAppDelegate::processPasteboard(const QList<ClipboardItem> &items, const QList<QUrl> &fileURLs) {
    m_scraper->processPasteboard(items, fileURLs);
}

void KLAppDelegate::dragFilesViewFilesWereDropped(const QStringList &paths) {
    m_scraper->filesWereDropped(paths);
}

void KLAppDelegate::dragFilesViewStringWasDragged(const QString &text) {
    m_scraper->stringWasDragged(text);
}

// ---- Scripting ----

KLAppDelegate::CommandResult KLAppDelegate::analyze(const std::optional<QString> &parameter) {
    return m_scripting->analyze(parameter);
}

void KLAppDelegate::setBrowserGrabber(const std::shared_ptr<KLBrowserGrabber> &grabber) {
    m_scripting->setBrowserGrabber(grabber);
}

void KLAppDelegate::openBrowserVideo(KLBrowserGrabber::Browser browser) {
    m_scripting->openBrowserVideo(browser);
}

void KLAppDelegate::setFactoryMaker(KLIntakeTracker::FactoryMaker maker) {
    m_state->tracker.setFactoryMaker(std::move(maker));
}

uint64_t KLAppDelegate::callsToProcessURLs() const {
    return m_state->tracker.callsToProcessURLs();
}

uint64_t KLAppDelegate::preparingEntries() const {
    return m_state->tracker.preparingEntries();
}

bool KLAppDelegate::foundContent() const {
    return m_state->tracker.foundContent();
}
