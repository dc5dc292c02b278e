#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of uncompressed PCM in WAV.
class KLWAVCodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLWAVCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                 QWidget *parent = nullptr);
};
