#include "Views/Preferences/PreferenceViews/Codecs/Video/KLFLVCodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLFLVCodecPreferencesViewController::KLFLVCodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(
          std::move(preferences),
          {{tr("Mode:"), Kind::Choice, QStringLiteral("flvMode"), &KLPreferences::listFLVModes},
           {tr("Quality scale:"), Kind::Number, QStringLiteral("flvQScale")},
           {tr("Bitrate in two passes:"),
            Kind::Bitrate,
            QStringLiteral("flvTwoPassBitRate"),
            {},
            KLPreferences::listDefaultVideoBitrates()}},
          parent) {}
