#pragma once

#include "App/KLBrowserGrabber.h"
#include "App/KLEntryTableControllerDelegate.h"
#include "Flow/Entries/KLURLProcessor.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class KLApplicationUI;
class KLEntry;
class KLEntryFactory;
class KLEntryTableController;

// The application controller without its window: it brings the services up in order, prepares the
// downloader, the credentials and the remembered queue in the background, takes every URL in (drops,
// pastes, URL events, scripting commands, the command line), keeps the status line and the batch actions,
// and cleans up. Whatever it shows goes through a KLApplicationUI, on the main thread.
class KLAppDelegate final : public KLURLProcessor,
                            public KLEntryTableControllerDelegate,
                            public std::enable_shared_from_this<KLAppDelegate> {
public:
    static inline const QString idleText = QStringLiteral("Drop URLs/files here...");
    static inline const QString failedText = QStringLiteral("No contents were found...");
    static constexpr int parameterErrorNumber = -50;

    // A clipboard item: its rich text, HTML and plain text, whichever it carries.
    struct ClipboardItem {
        std::optional<QString> rtf;
        std::optional<QString> html;
        std::optional<QString> text;
    };
    // The outcome of a scripting command: error number 0 for success.
    struct CommandResult {
        int errorNumber = 0;
        QString errorString;
    };

    explicit KLAppDelegate(std::shared_ptr<KLApplicationUI> ui);
    ~KLAppDelegate() override;

    std::shared_ptr<KLApplicationUI> ui() const { return m_ui; }
    std::shared_ptr<KLEntryTableController> tableController() const { return m_tableController; }

    // ---- Launch and termination ----
    // Registers the services, cleans the downloads folder, and starts the background stage; main thread.
    // The command line neither restores nor remembers the window's queue.
    void doFinishApplicationLaunch(bool rememberQueue = true);
    void initializeObjectRepository();
    void updateDownloaders();
    void preparePasswordManager();
    void restoreQueue();
    bool launched() const { return m_launched.load(); }
    // Set when the background stage has finished (exposed for user interfaces that launch differently).
    void setLaunched(bool launched) { m_launched = launched; }
    // Saves the credentials; the rest is saved as it changes.
    void applicationWillTerminate();
    void onUninstall();
    bool uninstalling() const { return m_uninstalling.load(); }

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
    void updateControlButtonsState();
    void entryTableControllerNumberOfEntriesModified(KLEntryTableController *controller, int count) override;
    void entryTableControllerEntriesStateHasChanged(KLEntryTableController *controller) override;

    // ---- Intake ----
    void processURLs(const QList<QUrl> &urls) override;
    // With a page source: a URL that yields nothing is replaced by the players embedded in the source.
    void processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource);
    // An "open location" text (kinlkurl, kinlkurls, kinlkdata or a plain URL); waits for the launch.
    void handleGetURLEvent(const QString &text);
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
    void setFactoryMaker(std::function<std::shared_ptr<KLEntryFactory>()> maker);

    uint64_t callsToProcessURLs() const { return m_callsToProcessURLs.load(); }
    uint64_t preparingEntries() const;
    bool foundContent() const;

private:
    void onMainThread(std::function<void(KLApplicationUI &ui)> change) const;
    void setDragEnabledNow(bool enabled) const;
    // Analyses one URL of an intake call; false when the call was cancelled.
    bool analyzeURL(const std::shared_ptr<KLEntryFactory> &factory, const QUrl &url,
                    const std::optional<QString> &scrapSource);
    void prepareEntries(const std::vector<std::shared_ptr<KLEntry>> &entries);
    void fallBackOnSource(const QString &source, const QUrl &sourcePage);
    void decideStatusAfterIntake();
    static std::vector<std::shared_ptr<KLEntry>>
    entriesOf(const std::shared_ptr<KLEntryTableController> &table);

    const std::shared_ptr<KLApplicationUI> m_ui;
    const std::shared_ptr<KLEntryTableController> m_tableController;

    std::atomic<bool> m_launched{false};
    std::atomic<bool> m_uninstalling{false};
    std::atomic<uint64_t> m_callsToProcessURLs{0};
    bool m_currentSpin = false; // main thread only

    // The controller's lock: the counters' decisions and the working lists.
    mutable std::mutex m_lock;
    uint64_t m_preparingEntries = 0;
    bool m_foundContent = false;
    std::vector<std::shared_ptr<KLEntryFactory>> m_workingFactories;
    std::vector<std::shared_ptr<KLEntry>> m_workingEntries;
    std::function<std::shared_ptr<KLEntryFactory>()> m_factoryMaker;
    std::shared_ptr<KLBrowserGrabber> m_browserGrabber;
};
