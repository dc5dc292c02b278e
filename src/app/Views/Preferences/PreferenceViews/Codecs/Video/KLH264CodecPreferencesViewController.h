#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of H.264 (AVC).
class KLH264CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLH264CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                  QWidget *parent = nullptr);
};
