#include "KLGenerationRun.h"

#include "KLTestEnvironment.h"

#include <chrono>

KLEntryGenerator::Generation
KLGenerationRun::waitFor(const std::shared_ptr<std::optional<KLEntryGenerator::Generation>> &answer) {
    KLTestEnvironment::waitUntil([&answer] { return answer->has_value(); }, std::chrono::minutes(10));
    return answer->value_or(KLEntryGenerator::Generation{});
}

std::optional<KLGenerationRun::EntryList> KLGenerationRun::unpack(KLEntryGenerator::Generation generation,
                                                                  std::shared_ptr<KLError> *error,
                                                                  QList<QUrl> *handedBack) {
    if (error != nullptr) {
        *error = generation.error;
    }
    if (handedBack != nullptr) {
        *handedBack = generation.handedBack;
    }
    return generation.entries;
}
