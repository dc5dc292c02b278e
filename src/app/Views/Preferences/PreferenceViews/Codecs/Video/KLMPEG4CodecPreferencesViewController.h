#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of MPEG-4 part 2.
class KLMPEG4CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLMPEG4CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                   QWidget *parent = nullptr);
};
