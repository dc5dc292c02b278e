#include "Views/Preferences/PreferenceViews/Codecs/Video/KLWMV2CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLWMV2CodecPreferencesViewController::KLWMV2CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("wmv2Mode"), &KLPreferences::listWMV2Modes},
           {tr("Quality scale:"), Kind::Number, QStringLiteral("wmv2QScale")},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("wmv2TwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()}},
          parent) {}
