#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of MP3.
class KLMP3CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLMP3CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                 QWidget *parent = nullptr);
};
