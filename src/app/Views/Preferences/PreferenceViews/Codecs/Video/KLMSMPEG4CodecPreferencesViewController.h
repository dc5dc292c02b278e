#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of MS MPEG-4.
class KLMSMPEG4CodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLMSMPEG4CodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                     QWidget *parent = nullptr);
};
