#pragma once

#include <cstdint>

// How many controls the preferences panes show. It never changes a conversion setting.
enum class KLSettingsLevel : int32_t {
    Beginner = 0,
    Intermediate = 1,
    Advanced = 2,
    Expert = 3,
};
