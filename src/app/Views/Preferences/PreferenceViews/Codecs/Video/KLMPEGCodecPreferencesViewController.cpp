#include "Views/Preferences/PreferenceViews/Codecs/Video/KLMPEGCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLMPEGCodecPreferencesViewController::KLMPEGCodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("mpegMode"), &KLPreferences::listMPEGModes},
           {tr("Quality scale:"), Kind::Number, QStringLiteral("mpegQScale")},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("mpegTwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()}},
          parent) {}
