#pragma once

#include "Flow/Entries/KLEntryGenerator.h"

#include <QList>
#include <QUrl>

#include <memory>
#include <optional>

// Runs a generation (a factory's or a single generator's) to its end for a test that wants the answer at
// once: the event loop is served until the answer has come, for at most ten minutes.
class KLGenerationRun final {
public:
    using EntryList = KLEntryGenerator::EntryList;

    // The entries, or nothing on failure; the error and the hand-backs where asked for.
    template <class Generator>
    static std::optional<EntryList> generate(Generator &&generator, const QUrl &url,
                                             std::shared_ptr<KLError> *error = nullptr,
                                             QList<QUrl> *handedBack = nullptr) {
        const auto answer = std::make_shared<std::optional<KLEntryGenerator::Generation>>();
        generator.generateEntriesForURL(
            url, [answer](KLEntryGenerator::Generation generation) { *answer = std::move(generation); });
        return unpack(waitFor(answer), error, handedBack);
    }

private:
    static KLEntryGenerator::Generation
    waitFor(const std::shared_ptr<std::optional<KLEntryGenerator::Generation>> &answer);
    static std::optional<EntryList> unpack(KLEntryGenerator::Generation generation,
                                           std::shared_ptr<KLError> *error, QList<QUrl> *handedBack);
};
