// ffmpeg's report lines: the input's duration, the progress times and the cause of a failure.

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/KLTask/FFMPEG/KLFFMPEGTask.h"
#include "Utils/KLScriptErrorOutput.h"

#include <cmath>
#include <optional>

namespace {

// The completion factor is a progress time divided by the duration: both must be numbers, and a progress
// time below zero would read as "cannot be measured".
void checkTime(const std::optional<double> &seconds, bool progress) {
    if (seconds) {
        KLFuzzEnvironment::require(std::isfinite(*seconds), "a time is a number");
        KLFuzzEnvironment::require(!progress || *seconds >= 0.0, "a progress time is not negative");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QStringList lines = KLFuzzInput(data, size).lines();
    for (const QString &line : lines) {
        checkTime(KLFFMPEGTask::durationFromLine(line), false);
        checkTime(KLFFMPEGTask::progressTimeFromLine(line), true);
    }
    const QString cause = KLScriptErrorOutput::causeIn(lines);
    KLFuzzEnvironment::require(cause.size() <= KLScriptErrorOutput::longestCause, "a cause is short");
    KLFuzzEnvironment::require(!cause.contains(QLatin1Char('\n')), "a cause is one line");
    return 0;
}
