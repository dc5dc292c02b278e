#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <QUrl>

#include <memory>
#include <vector>

class KLError;
class KLServices;

// Turns one URL after the other into queue entries by asking a fixed chain of generators: the first
// generator that claims the URL and succeeds gives the answer; one that fails is logged and the next one
// that claims the URL is tried. A factory serves one intake call, one URL at a time, on the main thread; it
// may be cancelled while it generates, and once cancelled it stays so.
class KLEntryFactory final {
public:
    using EntryList = KLEntryGenerator::EntryList;
    using Generation = KLEntryGenerator::Generation;
    using GenerationHandler = KLEntryGenerator::GenerationHandler;
    using Generators = std::vector<std::shared_ptr<KLEntryGenerator>>;

    // The application's chain: YouTube, youtube-dl, local files, page scraping; their entries get the
    // services.
    explicit KLEntryFactory(const std::shared_ptr<const KLServices> &services);
    // Another chain, asked in the given order.
    explicit KLEntryFactory(Generators generators);
    KLEntryFactory(const KLEntryFactory &) = delete;
    KLEntryFactory &operator=(const KLEntryFactory &) = delete;

    // Hands `done` what the first succeeding generator made of the URL: a list (possibly empty) and its
    // hand-backs; or nothing when no generator succeeded, with the last claiming generator's error, or when
    // the factory was cancelled (then without error). The factory must live until `done` has run.
    void generateEntriesForURL(const QUrl &url, GenerationHandler done);
    // Gives every generator the sink for entries found early (see KLEntryGenerator).
    void setEntrySink(const KLEntryGenerator::EntrySink &sink);
    // Raises the flag, then cancels every generator, which stops the running task where it can.
    void cancel();
    bool isCancelled() const { return m_cancelled; }

    const Generators &generators() const { return m_generators; }

private:
    // One URL on its way down the chain.
    struct Attempt;

    static Generators prepareGenerators(const std::shared_ptr<const KLServices> &services);
    void tryNextGenerator(const std::shared_ptr<Attempt> &attempt);
    void generatorAnswered(const std::shared_ptr<Attempt> &attempt, Generation generation);

    const Generators m_generators;
    bool m_cancelled = false;
};
