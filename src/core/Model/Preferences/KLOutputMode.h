#pragma once

#include <cstdint>

// Which streams a conversion keeps.
enum class KLOutputMode : int32_t {
    VideoOnly = 0,
    AudioOnly = 1,
    VideoAndAudio = 2,
};
