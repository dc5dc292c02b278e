#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLWAVCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLWAVCodecPreferencesViewController::KLWAVCodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(std::move(preferences),
                                       {{tr("Sample rate:"), Kind::Number, QStringLiteral("wavSampleRate")}},
                                       parent) {}
