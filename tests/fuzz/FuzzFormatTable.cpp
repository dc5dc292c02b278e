// The format table that the format listing script prints (yt-dlp -F, tab-separated).

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/KLTask/YTDL/KLGetYoutubeFormatsTask.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"

#include <cmath>

namespace {

void checkFormat(const KLYoutubeFormatDescription &format) {
    KLFuzzEnvironment::require(!format.itag().isEmpty(), "a format has a code");
    const int32_t mode = format.mode();
    KLFuzzEnvironment::require(mode == KLYoutubeFormatDescription::videoAndAudioMode ||
                                   mode == KLYoutubeFormatDescription::videoOnlyMode ||
                                   mode == KLYoutubeFormatDescription::audioOnlyMode,
                               "a format has a known mode");
    const QSizeF size = format.size();
    KLFuzzEnvironment::require(std::isfinite(size.width()) && std::isfinite(size.height()) &&
                                   size.width() >= 0.0 && size.height() >= 0.0,
                               "a picture size is finite and not negative");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString table = KLFuzzInput(data, size).text();
    for (const auto &format : KLGetYoutubeFormatsTask::parseFormatsFromDescriptions(table)) {
        checkFormat(*format);
    }
    return 0;
}
