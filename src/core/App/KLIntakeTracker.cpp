#include "App/KLIntakeTracker.h"

#include "Flow/Entries/KLEntryFactory.h"
#include "Model/KLEntry/KLEntry.h"

KLIntakeTracker::KLIntakeTracker()
    : m_factoryMaker([](const std::shared_ptr<const KLServices> &services) {
          return std::make_shared<KLEntryFactory>(services);
      }) {}

uint64_t KLIntakeTracker::preparingEntries() const {
    return m_counts.preparingEntries;
}

bool KLIntakeTracker::foundContent() const {
    return m_counts.foundContent;
}

void KLIntakeTracker::withCounts(const std::function<void(Counts &counts)> &decide) {
    decide(m_counts);
}

void KLIntakeTracker::setFactoryMaker(FactoryMaker maker) {
    m_factoryMaker = std::move(maker);
}

std::shared_ptr<KLEntryFactory>
KLIntakeTracker::makeWorkingFactory(const std::shared_ptr<const KLServices> &services) {
    const std::shared_ptr<KLEntryFactory> factory = m_factoryMaker(services);
    addWorkingEntryFactory(factory);
    return factory;
}

void KLIntakeTracker::startPreparing(const std::vector<std::shared_ptr<KLEntry>> &entries) {
    m_counts.foundContent = true;
    m_counts.preparingEntries += entries.size();
    m_workingEntries.insert(m_workingEntries.end(), entries.begin(), entries.end());
}

void KLIntakeTracker::addWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory) {
    m_workingFactories.push_back(factory);
}

void KLIntakeTracker::removeWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory) {
    std::erase(m_workingFactories, factory);
}

void KLIntakeTracker::addWorkingEntry(const std::shared_ptr<KLEntry> &entry) {
    m_workingEntries.push_back(entry);
}

void KLIntakeTracker::removeWorkingEntry(const std::shared_ptr<KLEntry> &entry) {
    std::erase(m_workingEntries, entry);
}

void KLIntakeTracker::clearWorkingLists() {
    m_workingFactories.clear();
    m_workingEntries.clear();
}

void KLIntakeTracker::cancel() {
    // Copies: a cancelled generation or preparation ends at once and leaves the working lists.
    const std::vector<std::shared_ptr<KLEntryFactory>> factories = m_workingFactories;
    const std::vector<std::shared_ptr<KLEntry>> entries = m_workingEntries;
    for (const auto &factory : factories) {
        factory->cancel();
    }
    for (const auto &entry : entries) {
        entry->cancel();
    }
}
