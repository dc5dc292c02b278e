#pragma once

#include "Model/Preferences/KLSettingsLevel.h"

class KLPreferences;

// Follows a preferences record. The call is optional: a listener overrides it when it wants it. It arrives
// synchronously on the thread that changed the value.
class KLPreferencesListener {
public:
    virtual ~KLPreferencesListener() = default;

    virtual void preferencesDidChangeSettingsLevel(KLPreferences *preferences, KLSettingsLevel settingsLevel);
};
