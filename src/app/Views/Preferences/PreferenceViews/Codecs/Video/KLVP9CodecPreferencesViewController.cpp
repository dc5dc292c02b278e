#include "Views/Preferences/PreferenceViews/Codecs/Video/KLVP9CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLVP9CodecPreferencesViewController::KLVP9CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("vp9Mode"), &KLPreferences::listVP9Modes},
           {tr("Constant rate factor:"), Kind::Number, QStringLiteral("vp9CRFValue")},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("vp9TwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()}},
          parent) {}
