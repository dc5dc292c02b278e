// The output of the local properties script (duration, container, then the streams' fields, one a line).

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const auto properties =
        KLGetLocalVideoPropertiesTask::propertiesFromOutput(KLFuzzInput(data, size).text());
    if (properties == nullptr) {
        return 0;
    }
    // The conversion commands and the bitrate estimates compute with these.
    KLFuzzEnvironment::require(std::isfinite(properties->duration()), "a duration is a number");
    const QSizeF resolution = properties->resolution();
    KLFuzzEnvironment::require(std::isfinite(resolution.width()) && std::isfinite(resolution.height()),
                               "a resolution is a number");
    return 0;
}
