#include "Views/Preferences/PreferenceViews/Codecs/Video/KLMSMPEG4CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLMSMPEG4CodecPreferencesViewController::KLMSMPEG4CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("msmpeg4Mode"), &KLPreferences::listMSMPEG4Modes},
           {tr("Quality scale:"), Kind::Number, QStringLiteral("msmpeg4QScale")},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("msmpeg4TwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()}},
          parent) {}
