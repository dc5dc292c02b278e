#include "Views/Preferences/PreferenceViews/Codecs/Video/KLVP8CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLVP8CodecPreferencesViewController::KLVP8CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("vp8Mode"), &KLPreferences::listVP8Modes},
           {tr("Constant rate factor:"), Kind::Number, QStringLiteral("vp8CRFValue")},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("vp8TwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()}},
          parent) {}
