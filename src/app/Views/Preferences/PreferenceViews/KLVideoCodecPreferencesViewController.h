#pragma once

#include "Views/Preferences/PreferenceViews/KLCodecChooserPreferencesViewController.h"

// The settings of every video codec, one codec at a time.
class KLVideoCodecPreferencesViewController final : public KLCodecChooserPreferencesViewController {
    Q_OBJECT

public:
    explicit KLVideoCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                   QWidget *parent = nullptr);
};
