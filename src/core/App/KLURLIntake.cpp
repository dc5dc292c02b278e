#include "App/KLURLIntake.h"

#include "App/KLApplicationUI.h"
#include "App/KLControllerState.h"
#include "App/KLEntryTableController.h"
#include "App/KLStatusLine.h"
#include "App/KLUIChange.h"
#include "App/KLURLSchemeDecoder.h"
#include "Flow/Entries/KLEntryFactory.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/KLTaskRunner.h"
#include "Model/KLTask/Xidel/KLXidelExtractIFrameSourcesTask.h"
#include "Utils/KLAddressRules.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLLog.h"
#include "Utils/KLQueuePersistence.h"
#include "Utils/KLServices.h"
#include "Utils/KLSessionCookies.h"

#include <utility>

namespace {

std::vector<std::shared_ptr<KLEntry>> lockedEntries(const std::vector<std::weak_ptr<KLEntry>> &entries) {
    std::vector<std::shared_ptr<KLEntry>> locked;
    locked.reserve(entries.size());
    for (const std::weak_ptr<KLEntry> &entry : entries) {
        locked.push_back(entry.lock());
    }
    return locked;
}

} // namespace

struct KLURLIntake::Call {
    QList<QUrl> urls;
    std::optional<QString> scrapSource;
    Done done;
    // A nested call runs at once: the call it is nested in holds a place and waits for it.
    bool nested = false;
    std::shared_ptr<KLEntryFactory> factory;
    qsizetype next = 0;
    // The generators handed entries of the current URL on before their answer.
    bool deliveredEarly = false;
    // The session handed over with the page; held while the call runs, then by the entries found.
    std::shared_ptr<const KLSessionCookies> cookies;
};

KLURLIntake::KLURLIntake(std::shared_ptr<KLControllerState> state, std::shared_ptr<KLStatusLine> statusLine)
    : m_state(std::move(state)), m_statusLine(std::move(statusLine)) {}

void KLURLIntake::processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource, Done done,
                              std::shared_ptr<const KLSessionCookies> cookies) {
    if (!KLDispatch::isMainThread()) {
        KLDispatch::async(
            [self = shared_from_this(), urls, scrapSource, done = std::move(done), cookies]() mutable {
                self->processURLs(urls, scrapSource, std::move(done), std::move(cookies));
            });
        return;
    }
    auto call = std::make_shared<Call>();
    call->urls = urls;
    call->scrapSource = scrapSource;
    call->done = std::move(done);
    call->cookies = std::move(cookies);
    m_waitingCalls.push_back(std::move(call));
    startWaitingCalls();
}

void KLURLIntake::startWaitingCalls() {
    while (m_runningCalls < maximumConcurrentAnalyses && !m_waitingCalls.empty()) {
        std::shared_ptr<Call> call = std::move(m_waitingCalls.front());
        m_waitingCalls.pop_front();
        ++m_runningCalls;
        startCall(call);
    }
}

void KLURLIntake::processNested(const QList<QUrl> &urls, const std::shared_ptr<Call> &outer, Done then) {
    auto call = std::make_shared<Call>();
    call->urls = urls;
    call->done = std::move(then);
    call->nested = true;
    call->cookies = outer->cookies;
    startCall(call);
}

void KLURLIntake::startCall(const std::shared_ptr<Call> &call) {
    m_state->tracker.beginCall();
    // A page's session reaches its generators and entries through services of their own.
    std::shared_ptr<const KLServices> services = m_state->services;
    if (call->cookies != nullptr) {
        auto page = std::make_shared<KLServices>(*m_state->services);
        page->sessionCookies = call->cookies;
        services = std::move(page);
    }
    call->factory = m_state->tracker.makeWorkingFactory(services);
    analyzeNextURL(call);
}

void KLURLIntake::analyzeNextURL(const std::shared_ptr<Call> &call) {
    if (call->next == call->urls.size() || call->factory->isCancelled()) {
        endCall(call);
        return;
    }
    const QUrl url = call->urls.at(call->next++);
    // Neither remembered nor shown nor handed to a script: it could not be carried to one anyway.
    if (const std::shared_ptr<KLError> tooLong =
            KLAddressRules::lengthRefusalFor(url.toString(QUrl::FullyEncoded))) {
        KLLog::log(tooLong->errorDescription());
        KLUIChange::post(m_state->ui,
                         [url, tooLong](KLApplicationUI &ui) { ui.addressYieldedNothing(url, tooLong); });
        analyzeNextURLLater(call);
        return;
    }
    if (const auto persistence = m_state->services->queuePersistence) {
        persistence->addURL(url);
    }
    m_statusLine->setState(QStringLiteral("Analyzing URL: %1").arg(KLApplicationUI::addressForDisplay(url)));
    // Entries found early are prepared at once; they count as found for the URL. The sink goes with the
    // answer, so it may reach the call plainly.
    call->deliveredEarly = false;
    call->factory->setEntrySink([this, target = call.get()](const KLEntryFactory::EntryList &early) {
        target->deliveredEarly = true;
        prepareEntries(early);
    });
    call->factory->generateEntriesForURL(
        url, [self = shared_from_this(), call, url](KLEntryGenerator::Generation found) {
            call->factory->setEntrySink(nullptr);
            self->urlAnalyzed(call, url, std::move(found));
        });
}

void KLURLIntake::analyzeNextURLLater(const std::shared_ptr<Call> &call) {
    KLDispatch::async([self = shared_from_this(), call] { self->analyzeNextURL(call); });
}

void KLURLIntake::urlAnalyzed(const std::shared_ptr<Call> &call, const QUrl &url,
                              KLEntryGenerator::Generation found) {
    if (call->factory->isCancelled()) {
        endCall(call);
        return;
    }
    if (!found.handedBack.isEmpty()) {
        // What the page handed back is analysed before the page's own entries are queued, as its place in
        // the queue comes first.
        QList<QUrl> handedBack = std::exchange(found.handedBack, {});
        processNested(handedBack, call,
                      [self = shared_from_this(), call, url, found = std::move(found)]() mutable {
                          self->urlAnalyzed(call, url, std::move(found));
                      });
        return;
    }
    if (found.entries.has_value() && (!found.entries->empty() || call->deliveredEarly)) {
        prepareEntries(*found.entries);
        analyzeNextURLLater(call);
        return;
    }
    urlYieldedNothing(call, url, found);
}

void KLURLIntake::urlYieldedNothing(const std::shared_ptr<Call> &call, const QUrl &url,
                                    const KLEntryGenerator::Generation &found) {
    if (const auto persistence = m_state->services->queuePersistence) {
        persistence->removeURL(url);
    }
    Done next = [self = shared_from_this(), call] {
        self->m_statusLine->restoreState();
        self->analyzeNextURLLater(call);
    };
    // A failure is told with its cause; an address that answered with no video is just left.
    const bool failed = !found.entries.has_value();
    if (call->scrapSource.has_value()) {
        fallBackOnSource(call, url, failed ? found.error : nullptr, std::move(next));
        return;
    }
    if (failed) {
        tellYieldedNothing(url, found.error);
    }
    next();
}

void KLURLIntake::endCall(const std::shared_ptr<Call> &call) {
    m_state->tracker.removeWorkingEntryFactory(call->factory);
    m_statusLine->decideAfterIntake();
    m_state->tracker.endCall();
    if (call->done) {
        call->done();
    }
    if (!call->nested) {
        --m_runningCalls;
        KLDispatch::async([self = shared_from_this()] { self->startWaitingCalls(); });
    }
}

void KLURLIntake::prepareEntries(const std::vector<std::shared_ptr<KLEntry>> &entries) {
    m_state->tracker.startPreparing(entries);
    // Each entry joins the queue as soon as it is prepared, in its page's place among its page's entries.
    // The page's list is held only by weak pointers: a cancelled or uninstalled intake holds on to nothing.
    auto page = std::make_shared<std::vector<std::weak_ptr<KLEntry>>>(entries.begin(), entries.end());
    for (const auto &entry : entries) {
        std::weak_ptr<KLEntry> weakEntry = entry;
        auto counted = std::make_shared<bool>(false);
        auto prepared = [self = shared_from_this(), weakEntry, counted, page] {
            if (std::exchange(*counted, true)) {
                return;
            }
            const std::shared_ptr<KLEntry> ready = weakEntry.lock();
            if (ready != nullptr) {
                self->m_state->tracker.removeWorkingEntry(ready);
                if (ready->error() == nullptr && !self->m_state->uninstalling) {
                    self->m_state->tableController->addEntry(ready, lockedEntries(*page));
                }
            }
            self->m_statusLine->updatePreparingEntries();
        };
        // A preparation may end on another thread; its count is kept on the main thread.
        entry->prepareWithCompletion([prepared] { KLDispatch::onMainThread(prepared); });
        // A preparation that was cancelled before it began never calls back; left uncounted it would keep
        // the status line busy for good.
        if (entry->error() != nullptr && entry->cancelled() && !std::exchange(*counted, true)) {
            m_state->tracker.removeWorkingEntry(entry);
            m_statusLine->updatePreparingEntries();
        }
    }
}

void KLURLIntake::tellYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error) {
    if (error != nullptr) {
        KLLog::log(QStringLiteral("Nothing found at %1: %2")
                       .arg(KLApplicationUI::addressForDisplay(url), error->errorDescription()));
    }
    KLUIChange::post(m_state->ui,
                     [url, error](KLApplicationUI &ui) { ui.addressYieldedNothing(url, error); });
}

void KLURLIntake::fallBackOnSource(const std::shared_ptr<Call> &call, const QUrl &page,
                                   const std::shared_ptr<KLError> &failure, Done then) {
    // Relative and protocol-relative players resolve against the page, not against the saved copy.
    KLTaskRunner::urlsFoundInText(
        *call->scrapSource,
        [page](const QString &file) { return std::make_shared<KLXidelExtractIFrameSourcesTask>(file, page); },
        [self = shared_from_this(), call, page, failure,
         then = std::move(then)](const QList<QUrl> &found) mutable {
            // The page's frames are the page's content, not the user's choice: they are followed only as far
            // as the page may lead.
            std::shared_ptr<KLError> refusal;
            const QList<QUrl> followable = KLAddressRules::followable(found, page, &refusal);
            if (!followable.isEmpty()) {
                self->processNested(followable, call, std::move(then));
                return;
            }
            // Without players to follow, the page's own failure (a site that wants a session) is its cause.
            if (refusal != nullptr || failure != nullptr) {
                self->tellYieldedNothing(page, refusal != nullptr ? refusal : failure);
            }
            then();
        });
}

void KLURLIntake::whenLaunched(std::function<void()> job) {
    KLDispatch::onMainThread([self = shared_from_this(), job = std::move(job)]() mutable {
        if (self->m_state->launched) {
            job();
            return;
        }
        KLLog::log(QStringLiteral("Waiting for launched..."));
        self->m_waitingForLaunch.push_back(std::move(job));
    });
}

void KLURLIntake::launchFinished() {
    KLDispatch::onMainThread([self = shared_from_this()] {
        self->m_state->launched = true;
        for (const std::function<void()> &job : std::exchange(self->m_waitingForLaunch, {})) {
            job();
        }
    });
}

void KLURLIntake::processURLsOnceLaunched(const QList<QUrl> &urls) {
    whenLaunched([self = shared_from_this(), urls] {
        QList<QUrl> accepted;
        for (const QUrl &url : urls) {
            if (KLURLSchemeDecoder::isAcceptedURL(url)) {
                accepted << url;
            }
        }
        if (!accepted.isEmpty()) {
            self->processURLs(accepted);
        }
    });
}

void KLURLIntake::handleGetURLEvent(const QString &text, const QString &cookies) {
    whenLaunched([self = shared_from_this(), text, cookies] {
        const KLURLSchemeDecoder::Request request = KLURLSchemeDecoder::decode(text);
        const QUrl url(request.urlText);
        // An address too long to take is refused by the analysis; the log gets no copy of it either.
        if (!request.hasPayload && KLAddressRules::lengthRefusalFor(request.urlText) == nullptr) {
            KLLog::log(QStringLiteral("Handling URL opening: %1").arg(url.toString()));
        }
        if (!KLURLSchemeDecoder::isAcceptedURL(url)) {
            return; // not a web or file address: nothing a script should ever see
        }
        self->processURLs({url}, request.hasPayload ? request.source : std::nullopt, nullptr,
                          KLSessionCookies::make(cookies, url));
    });
}
