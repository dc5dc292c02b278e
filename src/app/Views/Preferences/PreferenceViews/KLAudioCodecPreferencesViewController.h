#pragma once

#include "Views/Preferences/PreferenceViews/KLCodecChooserPreferencesViewController.h"

// The settings of every audio codec, one codec at a time.
class KLAudioCodecPreferencesViewController final : public KLCodecChooserPreferencesViewController {
    Q_OBJECT

public:
    explicit KLAudioCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                   QWidget *parent = nullptr);
};
