#include "Views/Preferences/PreferenceViews/Codecs/Video/KLMPEG4CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLMPEG4CodecPreferencesViewController::KLMPEG4CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("mpeg4Mode"), &KLPreferences::listMPEG4Modes},
           {tr("Video tag:"), Kind::Tag, QStringLiteral("mpeg4VTag")},
           {tr("Quality scale:"), Kind::Number, QStringLiteral("mpeg4QScale")},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("mpeg4TwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()}},
          parent) {}
