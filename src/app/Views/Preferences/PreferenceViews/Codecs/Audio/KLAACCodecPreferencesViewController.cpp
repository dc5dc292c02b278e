#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLAACCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLAACCodecPreferencesViewController::KLAACCodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("aacMode"), &KLPreferences::listAACModes},
           {tr("Variable bitrate quality:"), Kind::Number, QStringLiteral("aacVariableBitRateQuality")},
           {tr("Constant bitrate:"),
            Kind::Bitrate,
            QStringLiteral("aacConstantBitRate"),
            {},
            KLPreferences::listDefaultAudioBitrates()},
           {tr("Sample rate:"),
            Kind::Rate,
            QStringLiteral("aacSampleRate"),
            {},
            KLPreferences::listAACSampleRates()}},
          parent) {}
