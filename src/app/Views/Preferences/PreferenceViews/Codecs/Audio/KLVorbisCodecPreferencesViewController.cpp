#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLVorbisCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLVorbisCodecPreferencesViewController::KLVorbisCodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("vorbisMode"), &KLPreferences::listVorbisModes},
           {tr("Variable bitrate quality:"), Kind::Number, QStringLiteral("vorbisVariableBitRateQuality")},
           {tr("Constant bitrate:"),
            Kind::Bitrate,
            QStringLiteral("vorbisConstantBitRate"),
            {},
            KLPreferences::listDefaultAudioBitrates()},
           {tr("Sample rate:"), Kind::Number, QStringLiteral("vorbisSampleRate")}},
          parent) {}
