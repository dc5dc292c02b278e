#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of Windows Media Audio 2.
class KLWMAV2CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLWMAV2CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                   QWidget *parent = nullptr);
};
