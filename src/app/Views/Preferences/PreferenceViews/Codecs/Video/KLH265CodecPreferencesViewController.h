#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of H.265 (HEVC).
class KLH265CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLH265CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                  QWidget *parent = nullptr);
};
