#include "Views/Preferences/PreferenceViews/Codecs/Video/KLH265CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLH265CodecPreferencesViewController::KLH265CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("h265Mode"), &KLPreferences::listH265Modes},
           {tr("Constant rate factor:"), Kind::Number, QStringLiteral("h265CRFValue")},
           {tr("Speed at constant quality:"), Kind::Choice, QStringLiteral("h265CRFSpeedPreset"),
            &speedPresets},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("h265TwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()},
           {tr("Speed in two passes:"), Kind::Choice, QStringLiteral("h265TwoPassSpeedPreset"),
            &speedPresets}},
          parent) {}
