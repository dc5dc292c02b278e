#include "App/KLURLIntake.h"

#include "App/KLApplicationUI.h"
#include "App/KLControllerState.h"
#include "App/KLEntryTableController.h"
#include "App/KLStatusLine.h"
#include "App/KLTaskRunner.h"
#include "App/KLUIChange.h"
#include "App/KLURLSchemeDecoder.h"
#include "Flow/Entries/KLEntryFactory.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/Xidel/KLXidelExtractIFrameSourcesTask.h"
#include "Utils/KLAddressRules.h"
#include "Utils/KLLimitedJobQueue.h"
#include "Utils/KLLog.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLQueuePersistence.h"

#include <atomic>

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

KLURLIntake::KLURLIntake(std::shared_ptr<KLControllerState> state, std::shared_ptr<KLStatusLine> statusLine)
    : m_state(std::move(state)), m_statusLine(std::move(statusLine)),
      m_analyses(std::make_shared<KLLimitedJobQueue>(maximumConcurrentAnalyses)) {}

void KLURLIntake::processURLsInBackground(const QList<QUrl> &urls, const std::optional<QString> &scrapSource,
                                          std::function<void()> done) {
    m_analyses->enqueue([self = shared_from_this(), urls, scrapSource, done = std::move(done)] {
        self->processURLs(urls, scrapSource);
        if (done) {
            done();
        }
    });
}

void KLURLIntake::processURLs(const QList<QUrl> &urls, const std::optional<QString> &scrapSource) {
    m_state->tracker.beginCall();
    const std::shared_ptr<KLEntryFactory> factory = m_state->tracker.makeWorkingFactory();
    for (const QUrl &url : urls) {
        if (!analyzeURL(factory, url, scrapSource)) {
            break;
        }
    }
    m_state->tracker.removeWorkingEntryFactory(factory);
    m_statusLine->decideAfterIntake();
    m_state->tracker.endCall();
}

bool KLURLIntake::analyzeURL(const std::shared_ptr<KLEntryFactory> &factory, const QUrl &url,
                             const std::optional<QString> &scrapSource) {
    // Neither remembered nor shown nor handed to a script: it could not be carried to one anyway.
    if (const std::shared_ptr<KLError> tooLong =
            KLAddressRules::lengthRefusalFor(url.toString(QUrl::FullyEncoded))) {
        KLLog::log(tooLong->errorDescription());
        KLUIChange::post(m_state->ui,
                         [url, tooLong](KLApplicationUI &ui) { ui.addressYieldedNothing(url, tooLong); });
        return true;
    }
    const auto persistence = KLObjectRepository::singleton()->getQueuePersistence();
    if (persistence != nullptr) {
        persistence->addURL(url);
    }
    m_statusLine->setState(QStringLiteral("Analyzing URL: %1").arg(KLApplicationUI::addressForDisplay(url)));
    std::shared_ptr<KLError> error;
    // Entries found early are prepared at once; they count as found for the URL.
    bool deliveredEarly = false;
    factory->setEntrySink([this, &deliveredEarly](const KLEntryFactory::EntryList &early) {
        deliveredEarly = true;
        prepareEntries(early);
    });
    const std::optional<KLEntryFactory::EntryList> entries = factory->generateEntriesForURL(url, &error);
    factory->setEntrySink(nullptr);
    if (factory->isCancelled()) {
        return false;
    }
    if (entries.has_value() && (!entries->empty() || deliveredEarly)) {
        prepareEntries(*entries);
        return true;
    }
    if (persistence != nullptr) {
        persistence->removeURL(url);
    }
    if (scrapSource.has_value()) {
        fallBackOnSource(*scrapSource, url);
    } else if (!entries.has_value()) {
        KLUIChange::post(m_state->ui,
                         [url, error](KLApplicationUI &ui) { ui.addressYieldedNothing(url, error); });
    }
    m_statusLine->restoreState();
    return true;
}

void KLURLIntake::prepareEntries(const std::vector<std::shared_ptr<KLEntry>> &entries) {
    m_state->tracker.startPreparing(entries);
    // Each entry joins the queue as soon as it is prepared, in its page's place among its page's entries.
    // The page's list is held only by weak pointers: a cancelled or uninstalled intake holds on to nothing.
    auto page = std::make_shared<std::vector<std::weak_ptr<KLEntry>>>(entries.begin(), entries.end());
    for (const auto &entry : entries) {
        std::weak_ptr<KLEntry> weakEntry = entry;
        auto counted = std::make_shared<std::atomic<bool>>(false);
        entry->prepareWithCompletion([self = shared_from_this(), weakEntry, counted, page] {
            if (counted->exchange(true)) {
                return;
            }
            const std::shared_ptr<KLEntry> prepared = weakEntry.lock();
            if (prepared != nullptr) {
                self->m_state->tracker.removeWorkingEntry(prepared);
                if (prepared->error() == nullptr && !self->m_state->uninstalling.load()) {
                    self->m_state->tableController->addEntry(prepared, lockedEntries(*page));
                }
            }
            self->m_statusLine->updatePreparingEntries();
        });
        // A preparation that was cancelled before it began never calls back; left uncounted it would keep
        // the status line busy for good.
        if (entry->error() != nullptr && entry->cancelled() && !counted->exchange(true)) {
            m_state->tracker.removeWorkingEntry(entry);
            m_statusLine->updatePreparingEntries();
        }
    }
}

void KLURLIntake::fallBackOnSource(const QString &source, const QUrl &page) {
    // Relative and protocol-relative players resolve against the page, not against the saved copy.
    const QList<QUrl> found = KLTaskRunner::urlsFoundInText(source, [&page](const QString &file) {
        return std::make_shared<KLXidelExtractIFrameSourcesTask>(file, page);
    });
    // The page's frames are the page's content, not the user's choice: they are followed only as far as
    // the page may lead.
    std::shared_ptr<KLError> refusal;
    const QList<QUrl> followable = KLAddressRules::followable(found, page, &refusal);
    if (!followable.isEmpty()) {
        processURLs(followable);
    } else if (refusal != nullptr) {
        KLUIChange::post(m_state->ui,
                         [page, refusal](KLApplicationUI &ui) { ui.addressYieldedNothing(page, refusal); });
    }
}

void KLURLIntake::waitForLaunch() const {
    if (!m_state->launched.isSet()) {
        KLLog::log(QStringLiteral("Waiting for launched..."));
        m_state->launched.wait();
    }
}

void KLURLIntake::processURLsOnceLaunched(const QList<QUrl> &urls) {
    m_analyses->enqueue([self = shared_from_this(), urls] {
        self->waitForLaunch();
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

void KLURLIntake::handleGetURLEvent(const QString &text) {
    m_analyses->enqueue([self = shared_from_this(), text] {
        self->waitForLaunch();
        const KLURLSchemeDecoder::Request request = KLURLSchemeDecoder::decode(text);
        const QUrl url(request.urlText);
        // An address too long to take is refused by the analysis; the log gets no copy of it either.
        if (!request.hasPayload && KLAddressRules::lengthRefusalFor(request.urlText) == nullptr) {
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
