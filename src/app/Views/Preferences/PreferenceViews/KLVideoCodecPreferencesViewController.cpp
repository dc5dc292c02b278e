#include "Views/Preferences/PreferenceViews/KLVideoCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

KLVideoCodecPreferencesViewController::KLVideoCodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecChooserPreferencesViewController(preferences, KLPreferences::listVideoCodecs(),
                                              preferences->videoCodec(), parent) {}
