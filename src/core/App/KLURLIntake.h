#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KLEntry;
class KLEntryFactory;
class KLLimitedJobQueue;
class KLStatusLine;
struct KLControllerState;

// Analyses lists of URLs: each call makes a fresh factory, keeps its URLs in the remembered queue while they
// are analysed, prepares the entries found and queues them (a page's entries in the page's order), and leaves
// the status line to say how it went. Calls block for as long as the analysis takes and may run at once on
// several threads.
class KLURLIntake final : public std::enable_shared_from_this<KLURLIntake> {
public:
    KLURLIntake(std::shared_ptr<KLControllerState> state, std::shared_ptr<KLStatusLine> statusLine);

    // At most this many analyses run at once; the rest wait in order.
    static constexpr int maximumConcurrentAnalyses = 3;

    // With a page source: a URL that yields nothing is replaced by the players embedded in the source.
    void processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource = std::nullopt);
    // The same in the background, queued behind the analyses already under way; `done` (if any) runs on the
    // analysing thread when the call has ended.
    void processURLsInBackground(const QList<QUrl> &urls,
                                 const std::optional<QString> &scrapSource = std::nullopt,
                                 std::function<void()> done = nullptr);
    // An "open location" text (kinlkurl, kinlkurls, kinlkdata or a plain URL); waits for the launch.
    void handleGetURLEvent(const QString &text);
    // The web and file addresses of the list, in the background once the launch has finished: a request
    // from outside that came sooner would otherwise be analysed twice, once more by the restored queue.
    void processURLsOnceLaunched(const QList<QUrl> &urls);

private:
    void waitForLaunch() const;
    // Analyses one URL of an intake call; false when the call was cancelled.
    bool analyzeURL(const std::shared_ptr<KLEntryFactory> &factory, const QUrl &url,
                    const std::optional<QString> &scrapSource);
    void prepareEntries(const std::vector<std::shared_ptr<KLEntry>> &entries);
    void fallBackOnSource(const QString &source, const QUrl &sourcePage);

    const std::shared_ptr<KLControllerState> m_state;
    const std::shared_ptr<KLStatusLine> m_statusLine;
    const std::shared_ptr<KLLimitedJobQueue> m_analyses;
};
