#pragma once

#include "Model/Preferences/KLPreferencesField.h"

#include <vector>

class KLPreferences;

// The conversion fields of a preferences record, each under its key in the settings store, in the order of
// the store's key table. Copies, saving and loading all walk this one list, so a field added here is copied,
// saved and loaded alike.
class KLPreferencesFields final {
public:
    static const std::vector<KLPreferencesField<KLPreferences>> &conversionFields();
    // The field stored under the key; nothing for an unknown key.
    static const KLPreferencesField<KLPreferences> *conversionField(const QString &key);

    // The tests that keep a hand-edited store from putting unusable texts into the record.
    static bool isKnownContainer(const QString &container);
    static bool isVideoCodecOrNone(const QString &codec);
    static bool isAudioCodecOrNone(const QString &codec);
    static bool isSpeedPreset(const QString &preset);
    static bool isVideoTag(const QString &tag);
    static bool isAbsolutePath(const QString &path);
};
