#include "Flow/Entries/KLEntryGenerator.h"

#include "Flow/Entries/KLURLProcessor.h"
#include "Utils/KLAddressRules.h"

#include <mutex>
#include <utility>

namespace {

std::mutex processorLock;
std::weak_ptr<KLURLProcessor> urlProcessor;

} // namespace

KLEntryGenerator::~KLEntryGenerator() = default;

bool KLEntryGenerator::claimsURL(const QUrl &) const {
    return false;
}

std::optional<KLEntryGenerator::EntryList>
KLEntryGenerator::generateEntriesForURL(const QUrl &, std::shared_ptr<KLError> *) {
    return std::nullopt;
}

void KLEntryGenerator::cancel() {}

void KLEntryGenerator::setURLProcessor(const std::weak_ptr<KLURLProcessor> &processor) {
    std::lock_guard lock(processorLock);
    urlProcessor = processor;
}

bool KLEntryGenerator::handBackURLs(const QList<QUrl> &found, const QUrl &page,
                                    std::shared_ptr<KLError> *refusal) {
    const QList<QUrl> urls = KLAddressRules::followable(found, page, refusal);
    std::shared_ptr<KLURLProcessor> processor;
    {
        std::lock_guard lock(processorLock);
        processor = urlProcessor.lock();
    }
    if (processor != nullptr && !urls.isEmpty()) {
        processor->processURLs(urls);
    }
    return !urls.isEmpty() || found.isEmpty();
}

void KLEntryGenerator::setEntrySink(EntrySink sink) {
    std::lock_guard lock(m_sinkLock);
    m_sink = std::move(sink);
}

bool KLEntryGenerator::deliverEarly(const EntryList &entries) {
    EntrySink sink;
    {
        std::lock_guard lock(m_sinkLock);
        sink = m_sink;
    }
    if (!sink) {
        return false;
    }
    sink(entries);
    return true;
}
