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

KLEntryFactory::KLEntryFactory() : m_generators(prepareGenerators()) {}

KLEntryFactory::KLEntryFactory(Generators generators) : m_generators(std::move(generators)) {}

KLEntryFactory::Generators KLEntryFactory::prepareGenerators() {
    // The order matters: YouTube links get format-aware entries before youtube-dl sees them, and scraping
    // a page for media links is the last resort for a web page.
    return {std::make_shared<KLYoutubeGenerator>(), std::make_shared<KLYTDLGenerator>(),
            std::make_shared<KLFileEntryGenerator>(), std::make_shared<KLScrapperGenerator>()};
}

std::optional<KLEntryFactory::EntryList>
KLEntryFactory::generateEntriesForURL(const QUrl &url, std::shared_ptr<KLError> *error) {
    if (m_cancelled.load()) {
        return std::nullopt;
    }
    std::shared_ptr<KLError> lastError;
    // The last generator to claim the URL may fail without a reason (the scraper does): an earlier one's
    // reason then tells the caller why nothing came of the URL.
    std::shared_ptr<KLError> earlierError;
    for (const std::shared_ptr<KLEntryGenerator> &generator : m_generators) {
        if (!generator->claimsURL(url)) {
            continue;
        }
        if (lastError != nullptr) {
            earlierError = lastError;
        }
        lastError.reset();
        if (m_cancelled.load()) {
            return std::nullopt;
        }
        std::shared_ptr<KLError> generatorError;
        std::optional<EntryList> entries = generator->generateEntriesForURL(url, &generatorError);
        if (generatorError != nullptr || !entries.has_value()) {
            KLLog::log(
                QStringLiteral("Generator Error: %1").arg(failureText(generatorError, earlierError, url)));
            lastError = generatorError;
            continue;
        }
        if (m_cancelled.load()) {
            return std::nullopt;
        }
        return entries;
    }
    // A cancellation during the last claiming generator is no failure of the URL.
    if (error != nullptr && !m_cancelled.load()) {
        *error = lastError != nullptr ? lastError : earlierError;
    }
    return std::nullopt;
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
