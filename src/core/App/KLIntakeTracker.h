#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class KLEntry;
class KLEntryFactory;
class KLServices;

// What the intake is working on: the intake calls under way, the entries still preparing, whether content
// was found since the status line was last idle, the factories and entries a cancel must reach, and the
// maker of each call's factory. Main thread only.
class KLIntakeTracker final {
public:
    // What the status line decides from.
    struct Counts {
        uint64_t preparingEntries = 0;
        bool foundContent = false;
    };

    // The factories made by default hand the services to their entries.
    explicit KLIntakeTracker(const std::shared_ptr<const KLServices> &services);

    void beginCall() { ++m_callsToProcessURLs; }
    void endCall() { --m_callsToProcessURLs; }
    uint64_t callsToProcessURLs() const { return m_callsToProcessURLs; }
    uint64_t preparingEntries() const;
    bool foundContent() const;
    // Runs `decide` with the counts, which it may change.
    void withCounts(const std::function<void(Counts &counts)> &decide);

    // The factory each intake call uses (tests give their own chain).
    void setFactoryMaker(std::function<std::shared_ptr<KLEntryFactory>()> maker);
    // A fresh factory for an intake call, working until it is removed; with services of the call's own (a
    // page's session) the program's chain of generators is made with them.
    std::shared_ptr<KLEntryFactory>
    makeWorkingFactory(const std::shared_ptr<const KLServices> &services = nullptr);
    // Entries an intake call found: content, working and preparing until each preparation has ended.
    void startPreparing(const std::vector<std::shared_ptr<KLEntry>> &entries);

    void addWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory);
    void removeWorkingEntryFactory(const std::shared_ptr<KLEntryFactory> &factory);
    void addWorkingEntry(const std::shared_ptr<KLEntry> &entry);
    void removeWorkingEntry(const std::shared_ptr<KLEntry> &entry);
    void clearWorkingLists();
    // Cancels every working factory and entry.
    void cancel();

private:
    uint64_t m_callsToProcessURLs = 0;

    Counts m_counts;
    std::vector<std::shared_ptr<KLEntryFactory>> m_workingFactories;
    std::vector<std::shared_ptr<KLEntry>> m_workingEntries;
    std::function<std::shared_ptr<KLEntryFactory>()> m_factoryMaker;
};
