#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLWMAV2CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLWMAV2CodecPreferencesViewController::KLWMAV2CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Bitrate:"),
            Kind::Bitrate,
            QStringLiteral("wmav2Bitrate"),
            {},
            KLPreferences::listDefaultAudioBitrates()},
           {tr("Sample rate:"), Kind::Number, QStringLiteral("wmav2SampleRate")}},
          parent) {}
