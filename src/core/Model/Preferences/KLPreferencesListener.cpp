#include "Model/Preferences/KLPreferencesListener.h"

void KLPreferencesListener::preferencesDidChangeSettingsLevel(KLPreferences *, KLSettingsLevel) {}
