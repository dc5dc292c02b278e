#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLMP2CodecPreferencesViewController.h"

#include "Model/Preferences/KLPreferences.h"

namespace {

using Kind = KLCodecPreferencesViewController::Control::Kind;

} // namespace

KLMP2CodecPreferencesViewController::KLMP2CodecPreferencesViewController(
    std::shared_ptr<KLPreferences> preferences, QWidget *parent)
    : KLCodecPreferencesViewController(std::move(preferences),
                                       {{tr("Bitrate:"),
                                         Kind::Bitrate,
                                         QStringLiteral("mp2Bitrate"),
                                         {},
                                         KLPreferences::listMP2Bitrates(),
                                         false},
                                        {tr("Sample rate:"),
                                         Kind::Rate,
                                         QStringLiteral("mp2SampleRate"),
                                         {},
                                         KLPreferences::listMP2SampleRates()}},
                                       parent) {}
