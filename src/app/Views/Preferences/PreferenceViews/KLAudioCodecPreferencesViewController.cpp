#include "Views/Preferences/PreferenceViews/KLAudioCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

KLAudioCodecPreferencesViewController::KLAudioCodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecChooserPreferencesViewController(preferences, KLPreferences::listAudioCodecs(),
                                              preferences->audioCodec(), parent) {}
