#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KLEntry;
class KLError;
class KLSessionCookies;
class KLStatusLine;
struct KLControllerState;

// Analyses lists of URLs on the main thread, where the generators' tasks drive it: each call makes a fresh
// factory, keeps its URLs in the remembered queue while they are analysed, prepares the entries found and
// queues them (a page's entries in the page's order), and leaves the status line to say how it went. At most
// a few calls analyse at once; the others wait in order. What a page hands back (playlist items, scraped
// links, embedded players) is analysed by a call of its own, nested in the page's: the page's call goes on
// once it has ended. The public calls may come from any thread; they are posted to the main thread.
class KLURLIntake final : public std::enable_shared_from_this<KLURLIntake> {
public:
    using Done = std::function<void()>;

    KLURLIntake(std::shared_ptr<KLControllerState> state, std::shared_ptr<KLStatusLine> statusLine);

    // At most this many calls analyse at once; the rest wait in order.
    static constexpr int maximumConcurrentAnalyses = 3;

    // With a page source: a URL that yields nothing is replaced by the players embedded in the source.
    // `done` (if any) runs on the main thread once the call has ended. With session cookies, every tool
    // the analysis and the entries it finds run sends them (see KLSessionCookies).
    void processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource = std::nullopt,
                     Done done = nullptr, std::shared_ptr<const KLSessionCookies> cookies = nullptr);
    // An "open location" text (kinlkurl, kinlkurls, kinlkdata or a plain URL), with the session cookies a
    // browser handed over with it (JSON; empty for none), taken once launched.
    void handleGetURLEvent(const QString &text, const QString &cookies = QString());
    // The web and file addresses of the list, once the launch has finished: a request from outside that
    // came sooner would otherwise be analysed twice, once more by the restored queue.
    void processURLsOnceLaunched(const QList<QUrl> &urls);
    // Marks the launch finished and takes the requests that waited for it, in their order.
    void launchFinished();

private:
    struct Call;

    void whenLaunched(std::function<void()> job);
    void startCall(const std::shared_ptr<Call> &call);
    void startWaitingCalls();
    // Runs the URLs as a call of their own that does not wait for a free place, then `then`; it sends the
    // cookies of the call it is nested in.
    void processNested(const QList<QUrl> &urls, const std::shared_ptr<Call> &outer, Done then);
    void analyzeNextURL(const std::shared_ptr<Call> &call);
    // The next URL, and the next waiting call, start from the event loop: a burst of addresses that
    // answer at once (missing files) neither nests calls nor keeps the main thread from other work.
    void analyzeNextURLLater(const std::shared_ptr<Call> &call);
    void urlAnalyzed(const std::shared_ptr<Call> &call, const QUrl &url, KLEntryGenerator::Generation found);
    void urlYieldedNothing(const std::shared_ptr<Call> &call, const QUrl &url,
                           const KLEntryGenerator::Generation &found);
    void endCall(const std::shared_ptr<Call> &call);
    void prepareEntries(const std::vector<std::shared_ptr<KLEntry>> &entries);
    // Says why the address gave nothing, on the window and in the log.
    void tellYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error);
    // Follows the players embedded in the call's page source; without any, `failure` (the page's own, if
    // it failed) is told.
    void fallBackOnSource(const std::shared_ptr<Call> &call, const QUrl &sourcePage,
                          const std::shared_ptr<KLError> &failure, Done then);

    const std::shared_ptr<KLControllerState> m_state;
    const std::shared_ptr<KLStatusLine> m_statusLine;
    std::deque<std::shared_ptr<Call>> m_waitingCalls;
    int m_runningCalls = 0;
    std::vector<std::function<void()>> m_waitingForLaunch;
};
