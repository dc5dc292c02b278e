#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewFactory.h"

#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLAACCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLMP2CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLMP3CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLVorbisCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLWAVCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Audio/KLWMAV2CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLFLVCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLH264CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLH265CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLMPEG4CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLMPEGCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLMSMPEG4CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLVP8CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLVP9CodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Video/KLWMV2CodecPreferencesViewController.h"

#include <functional>
#include <map>

namespace {

using Maker = std::function<KLCodecPreferencesViewController *(std::shared_ptr<KLPreferences>, QWidget *)>;

template <class Pane> Maker maker() {
    return [](std::shared_ptr<KLPreferences> preferences, QWidget *parent) {
        return new Pane(std::move(preferences), parent);
    };
}

} // namespace

KLCodecPreferencesViewController *
KLCodecPreferencesViewFactory::forCodec(const QString &codec, std::shared_ptr<KLPreferences> preferences,
                                        QWidget *parent) {
    static const std::map<QString, Maker> makers = {
        {QStringLiteral("h264"), maker<KLH264CodecPreferencesViewController>()},
        {QStringLiteral("h265"), maker<KLH265CodecPreferencesViewController>()},
        {QStringLiteral("vp9"), maker<KLVP9CodecPreferencesViewController>()},
        {QStringLiteral("vp8"), maker<KLVP8CodecPreferencesViewController>()},
        {QStringLiteral("mpeg4"), maker<KLMPEG4CodecPreferencesViewController>()},
        {QStringLiteral("msmpeg4"), maker<KLMSMPEG4CodecPreferencesViewController>()},
        {QStringLiteral("flv"), maker<KLFLVCodecPreferencesViewController>()},
        {QStringLiteral("wmv2"), maker<KLWMV2CodecPreferencesViewController>()},
        {QStringLiteral("mpeg"), maker<KLMPEGCodecPreferencesViewController>()},
        {QStringLiteral("aac"), maker<KLAACCodecPreferencesViewController>()},
        {QStringLiteral("mp3"), maker<KLMP3CodecPreferencesViewController>()},
        {QStringLiteral("vorbis"), maker<KLVorbisCodecPreferencesViewController>()},
        {QStringLiteral("wmav2"), maker<KLWMAV2CodecPreferencesViewController>()},
        {QStringLiteral("mp2"), maker<KLMP2CodecPreferencesViewController>()},
        {QStringLiteral("wav"), maker<KLWAVCodecPreferencesViewController>()}};
    const auto found = makers.find(codec);
    return found != makers.end() ? found->second(std::move(preferences), parent) : nullptr;
}
