#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class KLError;

// Turns one URL after the other into queue entries by asking a fixed chain of generators: the first
// generator that claims the URL and succeeds gives the answer; one that fails is logged and the next one
// that claims the URL is tried. A factory serves one intake batch and may be cancelled from another thread
// while it generates; once cancelled it stays so.
class KLEntryFactory final {
public:
    using EntryList = KLEntryGenerator::EntryList;
    using Generators = std::vector<std::shared_ptr<KLEntryGenerator>>;

    // The application's chain: YouTube, youtube-dl, local files, page scraping.
    KLEntryFactory();
    // Another chain, asked in the given order.
    explicit KLEntryFactory(Generators generators);
    KLEntryFactory(const KLEntryFactory &) = delete;
    KLEntryFactory &operator=(const KLEntryFactory &) = delete;

    // Blocks while the generators' tasks run. A list (possibly empty) on success; nothing when no generator
    // succeeded, with the last claiming generator's error in `error`, or when the factory was cancelled
    // (then without error).
    std::optional<EntryList> generateEntriesForURL(const QUrl &url, std::shared_ptr<KLError> *error);
    // Gives every generator the sink for entries found early (see KLEntryGenerator).
    void setEntrySink(const KLEntryGenerator::EntrySink &sink);
    // Raises the flag, then cancels every generator, which stops the running task where it can.
    void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

    const Generators &generators() const { return m_generators; }

private:
    static Generators prepareGenerators();

    // Fixed at construction, so cancel() may walk it from another thread without a lock.
    const Generators m_generators;
    std::atomic<bool> m_cancelled{false};
};
