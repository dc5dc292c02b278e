#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of Windows Media Video 8.
class KLWMV2CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLWMV2CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                  QWidget *parent = nullptr);
};
