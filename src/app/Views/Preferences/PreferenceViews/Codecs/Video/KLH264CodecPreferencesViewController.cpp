#include "Views/Preferences/PreferenceViews/Codecs/Video/KLH264CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLH264CodecPreferencesViewController::KLH264CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("h264Mode"), &KLPreferences::listH264Modes},
           {tr("Constant rate factor:"), Kind::Number, QStringLiteral("h264CRFValue")},
           {tr("Speed at constant quality:"), Kind::Choice, QStringLiteral("h264CRFSpeedPreset"),
            &speedPresets},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("h264TwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()},
           {tr("Speed in two passes:"), Kind::Choice, QStringLiteral("h264TwoPassSpeedPreset"),
            &speedPresets}},
          parent) {}
