#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLMP3CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLMP3CodecPreferencesViewController::KLMP3CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("mp3Mode"), &KLPreferences::listMP3Modes},
           {tr("Variable bitrate quality:"), Kind::Number, QStringLiteral("mp3VariableBitRateQuality")},
           {tr("Constant bitrate:"),
            Kind::Bitrate,
            QStringLiteral("mp3ConstantBitRate"),
            {},
            KLPreferences::listDefaultAudioBitrates()},
           {tr("Sample rate:"),
            Kind::Rate,
            QStringLiteral("mp3SampleRate"),
            {},
            KLPreferences::listMP3SampleRates()}},
          parent) {}
