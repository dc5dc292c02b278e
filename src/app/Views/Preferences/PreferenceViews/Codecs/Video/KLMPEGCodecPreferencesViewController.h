#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of MPEG-1/2 video.
class KLMPEGCodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLMPEGCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                  QWidget *parent = nullptr);
};
