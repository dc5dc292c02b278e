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

    // Makes the factory of an intake call, which hands the call's services to its generators and entries.
    using FactoryMaker =
        std::function<std::shared_ptr<KLEntryFactory>(const std::shared_ptr<const KLServices> &services)>;

    // The factories made by default are the program's chain of generators.
    KLIntakeTracker();

    void beginCall() { ++m_callsToProcessURLs; }
    void endCall() { --m_callsToProcessURLs; }
    uint64_t callsToProcessURLs() const { return m_callsToProcessURLs; }
    uint64_t preparingEntries() const;
    bool foundContent() const;
    // Runs `decide` with the counts, which it may change.
    void withCounts(const std::function<void(Counts &counts)> &decide);

    // The factory each intake call uses (tests give their own chain).
    void setFactoryMaker(FactoryMaker maker);
    // A fresh factory for an intake call with the call's services (the program's, or a copy that names the
    // session handed over with a page), working until it is removed.
    std::shared_ptr<KLEntryFactory> makeWorkingFactory(const std::shared_ptr<const KLServices> &services);
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
    FactoryMaker m_factoryMaker;
};
