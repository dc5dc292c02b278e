#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"

// The settings of Vorbis.
class KLVorbisCodecPreferencesViewController final : public KLCodecPreferencesViewController {
    Q_OBJECT

public:
    explicit KLVorbisCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                    QWidget *parent = nullptr);
};
