#include "Flow/Entries/KLEntryFactory.h"

#include "Flow/Entries/Generators/KLFileEntryGenerator.h"
#include "Flow/Entries/Generators/KLScrapperGenerator.h"
#include "Flow/Entries/Generators/KLYTDLGenerator.h"
#include "Flow/Entries/Generators/KLYoutubeGenerator.h"
#include "Model/KLTask/KLError.h"
#include "Utils/KLLog.h"

#include <utility>

namespace {

// What the log says of a generator that gave nothing. One that gives no reason found nothing it could use;
// the reason an earlier generator gave then says the most about the address.
QString failureText(const std::shared_ptr<KLError> &error, const std::shared_ptr<KLError> &earlier,
                    const QUrl &url) {
    if (error != nullptr) {
        return error->description();
    }
    const QString nothing =
        QStringLiteral("nothing usable found at %1").arg(url.toString(QUrl::RemoveUserInfo));
    return earlier != nullptr ? nothing + QStringLiteral(" (") + earlier->description() + QLatin1Char(')')
                              : nothing;
}

} // namespace

KLEntryFactory::KLEntryFactory(const std::shared_ptr<const KLServices> &services)
    : m_generators(prepareGenerators(services)) {}

KLEntryFactory::KLEntryFactory(Generators generators) : m_generators(std::move(generators)) {}

KLEntryFactory::Generators
KLEntryFactory::prepareGenerators(const std::shared_ptr<const KLServices> &services) {
    // The order matters: YouTube links get format-aware entries before youtube-dl sees them, and scraping
    // a page for media links is the last resort for a web page.
    return {std::make_shared<KLYoutubeGenerator>(services), std::make_shared<KLYTDLGenerator>(services),
            std::make_shared<KLFileEntryGenerator>(services),
            std::make_shared<KLScrapperGenerator>(services)};
}

struct KLEntryFactory::Attempt {
    QUrl url;
    GenerationHandler done;
    size_t next = 0;
    // The last generator to claim the URL may fail without a reason (the scraper does): an earlier one's
    // reason then tells the caller why nothing came of the URL.
    std::shared_ptr<KLError> lastError;
    std::shared_ptr<KLError> earlierError;
    // What the generators that failed handed back still goes back.
    QList<QUrl> handedBack;
};

void KLEntryFactory::generateEntriesForURL(const QUrl &url, GenerationHandler done) {
    auto attempt = std::make_shared<Attempt>();
    attempt->url = url;
    attempt->done = std::move(done);
    tryNextGenerator(attempt);
}

void KLEntryFactory::tryNextGenerator(const std::shared_ptr<Attempt> &attempt) {
    while (attempt->next < m_generators.size() && !m_generators[attempt->next]->claimsURL(attempt->url)) {
        ++attempt->next;
    }
    if (m_cancelled || attempt->next == m_generators.size()) {
        // A cancellation during the last claiming generator is no failure of the URL.
        Generation nothing;
        if (!m_cancelled) {
            nothing.error = attempt->lastError != nullptr ? attempt->lastError : attempt->earlierError;
            nothing.handedBack = attempt->handedBack;
        }
        attempt->done(std::move(nothing));
        return;
    }
    if (attempt->lastError != nullptr) {
        attempt->earlierError = attempt->lastError;
    }
    attempt->lastError.reset();
    const std::shared_ptr<KLEntryGenerator> generator = m_generators[attempt->next++];
    generator->generateEntriesForURL(attempt->url, [this, attempt](Generation generation) {
        generatorAnswered(attempt, std::move(generation));
    });
}

void KLEntryFactory::generatorAnswered(const std::shared_ptr<Attempt> &attempt, Generation generation) {
    if (m_cancelled) {
        attempt->done(Generation{});
        return;
    }
    if (generation.error != nullptr || !generation.entries.has_value()) {
        KLLog::log(QStringLiteral("Generator Error: %1")
                       .arg(failureText(generation.error, attempt->earlierError, attempt->url)));
        attempt->lastError = generation.error;
        attempt->handedBack += generation.handedBack;
        tryNextGenerator(attempt);
        return;
    }
    generation.handedBack = attempt->handedBack + generation.handedBack;
    attempt->done(std::move(generation));
}

void KLEntryFactory::setEntrySink(const KLEntryGenerator::EntrySink &sink) {
    for (const std::shared_ptr<KLEntryGenerator> &generator : m_generators) {
        generator->setEntrySink(sink);
    }
}

void KLEntryFactory::cancel() {
    m_cancelled = true;
    for (const std::shared_ptr<KLEntryGenerator> &generator : m_generators) {
        generator->cancel();
    }
}
