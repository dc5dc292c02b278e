// The downloader's output lines, read one by one as the download task reads them.

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Utils/KLKinolarkUtils.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    for (const QString &line : KLFuzzInput(data, size).lines()) {
        const KLYTDLDownloadTask::LineReading reading = KLYTDLDownloadTask::readLine(line);
        KLFuzzEnvironment::require(!(reading.progress && reading.closing), "a line is progress or the end");
        if (reading.percentage) {
            // It becomes the completion factor that every view draws.
            KLFuzzEnvironment::require(std::isfinite(*reading.percentage), "a percentage is a number");
        }
        KLFuzzEnvironment::require(!reading.size.contains(QLatin1Char(' ')), "a size is one word");
        // The size is shown, and counted in bytes, from its text.
        KLKinolarkUtils::parseSize(reading.size);
    }
    return 0;
}
