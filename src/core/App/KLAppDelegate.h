#pragma once

#include "App/KLBrowserGrabber.h"
#include "App/KLControllerState.h"
#include "App/KLEntryTableControllerDelegate.h"
#include "App/KLScriptingCommands.h"
#include "App/KLStatusLine.h"
#include "App/KLURLScraper.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class KLApplicationLaunch;
class KLApplicationUI;
class KLBatchActions;
class KLEntry;
class KLEntryFactory;
class KLEntryTableController;
class KLServices;
class KLURLIntake;

// The application controller without its window: it brings the services up in order, prepares the
// downloader, the credentials and the remembered queue in the background, takes every URL in (drops,
// pastes, URL events, scripting commands, the command line), keeps the status line and the batch actions,
// and cleans up. Whatever it shows goes through a KLApplicationUI, on the main thread. The work is done by
// its parts; it holds the state they share, and it is what the queue reports to.
class KLAppDelegate final : public KLEntryTableControllerDelegate,
                            public std::enable_shared_from_this<KLAppDelegate> {
public:
    static inline const QString idleText = KLStatusLine::idleText;
    static inline const QString failedText = KLStatusLine::failedText;
    static constexpr int parameterErrorNumber = KLScriptingCommands::parameterErrorNumber;

    using ClipboardItem = KLURLScraper::ClipboardItem;
    using CommandResult = KLScriptingCommands::CommandResult;

    explicit KLAppDelegate(std::shared_ptr<KLApplicationUI> ui);
    ~KLAppDelegate() override;

    std::shared_ptr<KLApplicationUI> ui() const { return m_state->ui; }
    std::shared_ptr<KLEntryTableController> tableController() const { return m_state->tableController; }
    // The program's services, filled in by the launch.
    std::shared_ptr<KLServices> services() const { return m_state->services; }

    // ---- Launch and termination ----
    // Registers the services, cleans the downloads folder, and opens the intake. The command line (not
    // `forWindow`) neither restores nor remembers the window's queue, nor lists what the password window
    // shows.
    void doFinishApplicationLaunch(bool forWindow = true);
    void initializeObjectRepository();
    // Checks for a newer downloader (the launch does, once it has taken the remembered queue).
    void updateDownloaders();
    // Hands the remembered queue to the intake, which takes it once the launch has finished.
    void restoreQueue();
    // The menu's downloader commands: each starts the script and ends with an alert.
    void updateDownloadersOnRequest();
    void installExtraTools();
    bool launched() const;
    // Marks the launch finished, which takes the requests that waited for it (exposed for user interfaces
    // that launch differently).
    void setLaunched();
    // Saves the credentials; the rest is saved as it changes.
    void applicationWillTerminate();
    // For a program that ends: the downloader's update still running gets at most `patience` to finish,
    // then it is stopped with all it started.
    void endDownloaderMaintenance(std::chrono::milliseconds patience);
    void onUninstall();
    bool uninstalling() const;

    // ---- Status line ----
    void setState(const QString &message, bool canCancel = true);
    void restoreState();
    void setFailedState();
    void setSpin(bool spin);
    void updatePreparingEntries();

    // ---- Working lists ----
    void addWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory);
    void removeWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory);
    void addWorkingEntry(const std::shared_ptr<KLEntry> &entry);
    void removeWorkingEntry(const std::shared_ptr<KLEntry> &entry);
    void doCancel();

    // ---- Batch actions ----
    void clearAll();
    void processAll();
    void clearCompleted();
    void pauseAll();
    void resumeAll();
    void updateControlButtonsState();
    void entryTableControllerNumberOfEntriesModified(KLEntryTableController *controller, int count) override;
    void entryTableControllerEntriesStateHasChanged(KLEntryTableController *controller) override;

    // ---- Intake ----
    // Queued behind the analyses under way (see KLURLIntake); with a page source, a URL that yields nothing
    // is replaced by the players embedded in the source. `done` runs on the main thread at the end.
    void processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource = std::nullopt,
                     std::function<void()> done = nullptr);
    // An "open location" text (kinlkurl, kinlkurls, kinlkdata or a plain URL), with the session cookies a
    // browser handed over with it (JSON, see KLSessionCookies); waits for the launch.
    void handleGetURLEvent(const QString &text, const QString &cookies = QString());
    void scrapURLsFromRTF(const QString &rtf);
    void scrapURLsFromHTML(const QString &html);
    void scrapURLsFromText(const QString &text);
    void processPasteboard(const QList<ClipboardItem> &items, const QList<QUrl> &fileURLs);
    void dragFilesViewFilesWereDropped(const QStringList &paths);
    void dragFilesViewStringWasDragged(const QString &text);

    // ---- Scripting ----
    // The analyse command; nothing for a missing parameter.
    CommandResult analyze(const std::optional<QString> &parameter);
    void setBrowserGrabber(const std::shared_ptr<KLBrowserGrabber> &grabber);
    void openBrowserVideo(KLBrowserGrabber::Browser browser);

    // The factory each intake call uses (tests give their own chain).
    void setFactoryMaker(KLIntakeTracker::FactoryMaker maker);

    uint64_t callsToProcessURLs() const;
    uint64_t preparingEntries() const;
    bool foundContent() const;

private:
    // The state the parts share, made once here and handed to the parts that need it; then the parts.
    const std::shared_ptr<KLControllerState> m_state;
    const std::shared_ptr<KLStatusLine> m_statusLine;
    const std::shared_ptr<KLBatchActions> m_batchActions;
    const std::shared_ptr<KLURLIntake> m_intake;
    const std::shared_ptr<KLURLScraper> m_scraper;
    const std::shared_ptr<KLScriptingCommands> m_scripting;
    const std::shared_ptr<KLApplicationLaunch> m_launch;
};
