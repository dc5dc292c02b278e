#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of Flash video.
class KLFLVCodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLFLVCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                 QWidget *parent = nullptr);
};
