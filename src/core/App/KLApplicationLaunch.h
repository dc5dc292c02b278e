#pragma once

#include <functional>
#include <memory>

class KLBatchActions;
class KLDownloaderMaintenance;
class KLEntryTableControllerDelegate;
class KLStatusLine;
class KLServices;
class KLURLIntake;
struct KLControllerState;

// The application's launch and end: it brings the services up in order, prepares the downloader, the
// credentials and the remembered queue while the event loop runs, saves the credentials at the end, and
// uninstalls. Main thread only.
class KLApplicationLaunch final : public std::enable_shared_from_this<KLApplicationLaunch> {
public:
    KLApplicationLaunch(std::shared_ptr<KLControllerState> state, std::shared_ptr<KLStatusLine> statusLine,
                        std::shared_ptr<KLURLIntake> intake, std::shared_ptr<KLBatchActions> batchActions);

    // Registers the services and the queue's follower, cleans the downloads folder, takes the remembered
    // queue and the requests that waited for the launch, then prepares the credentials' lists and checks for
    // a newer downloader. The command line (not `forWindow`) neither restores nor remembers the window's
    // queue, and has no password window to make the lists for.
    void doFinishApplicationLaunch(bool forWindow,
                                   const std::weak_ptr<KLEntryTableControllerDelegate> &tableDelegate);
    // Makes the services, in order, into the state's services object, and registers them by their names.
    // The command line's has no remembered queue.
    void initializeObjectRepository(bool rememberQueue = true);
    // Puts the shipped downloader launcher in place when the data folder has none.
    void installDownloader();
    // Runs the downloader's update check; a changed downloader's lists are read again.
    void updateDownloaders();
    // The downloader's upkeep, for the commands that ask for it.
    std::shared_ptr<KLDownloaderMaintenance> maintenance() const { return m_maintenance; }
    void restoreQueue();
    // Saves the credentials; the rest is saved as it changes.
    void applicationWillTerminate();
    void onUninstall();

private:
    static void registerServices(const KLServices &services);

    const std::shared_ptr<KLControllerState> m_state;
    const std::shared_ptr<KLStatusLine> m_statusLine;
    const std::shared_ptr<KLURLIntake> m_intake;
    const std::shared_ptr<KLBatchActions> m_batchActions;
    const std::shared_ptr<KLDownloaderMaintenance> m_maintenance;
};
