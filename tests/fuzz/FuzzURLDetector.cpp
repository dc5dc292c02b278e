// Plain text dropped or pasted into the queue: the links found in it.

#include "App/KLURLDetector.h"
#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    for (const QUrl &url : KLURLDetector::detectURLs(KLFuzzInput(data, size).text())) {
        KLFuzzEnvironment::require(url.isValid() && !url.scheme().isEmpty(),
                                   "a link is a valid URL with a scheme");
    }
    return 0;
}
