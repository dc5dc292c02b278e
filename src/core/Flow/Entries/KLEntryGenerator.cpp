#include "Flow/Entries/KLEntryGenerator.h"

#include "Utils/KLAddressRules.h"

#include <utility>

KLEntryGenerator::~KLEntryGenerator() = default;

bool KLEntryGenerator::claimsURL(const QUrl &) const {
    return false;
}

void KLEntryGenerator::generateEntriesForURL(const QUrl &, GenerationHandler done) {
    done(Generation{});
}

void KLEntryGenerator::cancel() {
    m_cancelled = true;
}

bool KLEntryGenerator::handBackURLs(const QList<QUrl> &found, const QUrl &page, Generation &generation) {
    generation.handedBack = KLAddressRules::followable(found, page, &generation.error);
    return !generation.handedBack.isEmpty() || found.isEmpty();
}

void KLEntryGenerator::setEntrySink(EntrySink sink) {
    m_sink = std::move(sink);
}

bool KLEntryGenerator::deliverEarly(const EntryList &entries) {
    if (!m_sink) {
        return false;
    }
    m_sink(entries);
    return true;
}
