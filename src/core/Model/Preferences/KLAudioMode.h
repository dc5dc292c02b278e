#pragma once

#include <cstdint>

// The channel layout a conversion forces when it does not keep the input's.
enum class KLAudioMode : int32_t {
    Mono = 0,
    Stereo = 1,
};
