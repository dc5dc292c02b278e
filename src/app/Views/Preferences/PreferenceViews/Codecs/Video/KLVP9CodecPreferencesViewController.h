#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of VP9.
class KLVP9CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLVP9CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                 QWidget *parent = nullptr);
};
