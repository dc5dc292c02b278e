#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of AAC.
class KLAACCodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLAACCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                 QWidget *parent = nullptr);
};
