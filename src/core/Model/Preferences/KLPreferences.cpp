#include "Model/Preferences/KLPreferences.h"

#include "Model/Preferences/KLDevicePreset.h"
#include "Model/Preferences/KLPreferencesFields.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"

#include <QHash>

#include <algorithm>
#include <cstdlib>

namespace {

QString text(const char *value) {
    return QString::fromLatin1(value);
}

// Values outside the catalogue can only come from a programming error; carrying on would convert with
// settings nobody chose.
[[noreturn]] void stopOnProgrammingError(const QString &line) {
    KLLog::log(line);
    std::abort();
}

const KLDevicePreset &presetNamed(const char *name) {
    const KLDevicePreset *preset = KLDevicePreset::named(text(name));
    if (preset == nullptr) {
        stopOnProgrammingError(QStringLiteral("%1 outputFor not implemented").arg(text(name)));
    }
    return *preset;
}

struct CodecLists {
    QStringList video;
    QStringList audio;
};

// Built once, on first use, and never changed; the first codec of each list is the one a container starts
// with.
const QHash<QString, CodecLists> &codecsByContainer() {
    static const QHash<QString, CodecLists> table = {
        {text("mp4"), {{text("h264"), text("mpeg"), text("h265")}, {text("aac")}}},
        {text("mov"), {{text("h264"), text("mpeg"), text("h265")}, {text("aac"), text("mp3")}}},
        {text("mpeg"), {{text("mpeg")}, {text("mp2")}}},
        {text("avi"),
         {{text("wmv2"), text("flv"), text("mpeg"), text("mpeg4")},
          {text("aac"), text("mp3"), text("wmav2")}}},
        {text("flv"), {{text("flv")}, {text("mp3")}}},
        {text("wmv"), {{text("msmpeg4"), text("wmv2")}, {text("mp3"), text("wmav2")}}},
        {text("3g2"), {{text("h264"), text("mpeg")}, {text("aac")}}},
        {text("webm"), {{text("vp9"), text("vp8")}, {text("vorbis")}}},
        {text("m4a"), {{}, {text("aac")}}},
        {text("mp3"), {{}, {text("mp3")}}},
        {text("wav"), {{}, {text("wav")}}},
        {text("ogg"), {{}, {text("vorbis")}}},
    };
    return table;
}

void appendMissing(QStringList &merged, const QStringList &names) {
    for (const QString &name : names) {
        if (!merged.contains(name)) {
            merged.append(name);
        }
    }
}

QStringList rateFactorModes() {
    return {KLPreferences::constantRateFactorMode, KLPreferences::constantBitrateTwoPassMode};
}
QStringList qualityScaleModes() {
    return {KLPreferences::variableBitrateMode, KLPreferences::constantBitrateTwoPassMode};
}
QStringList audioBitrateModes() {
    return {KLPreferences::variableBitrateMode, KLPreferences::constantBitrateMode};
}

bool keepsVideo(KLOutputMode mode) {
    return mode == KLOutputMode::VideoAndAudio || mode == KLOutputMode::VideoOnly;
}

// The leading integer of a text, as a user would read it: blanks first are skipped, anything after the
// digits is ignored, and a text without digits is zero. Bitrates cannot be negative.
uint64_t leadingInteger(const QString &value) {
    const QString trimmed = value.trimmed();
    qsizetype end = 0;
    if (end < trimmed.size() &&
        (trimmed.at(end) == QLatin1Char('+') || trimmed.at(end) == QLatin1Char('-'))) {
        ++end;
    }
    while (end < trimmed.size() && trimmed.at(end).isDigit()) {
        ++end;
    }
    bool ok = false;
    const qlonglong number = trimmed.left(end).toLongLong(&ok);
    return ok && number > 0 ? static_cast<uint64_t>(number) : 0;
}

} // namespace

KLPreferences::KLPreferences() {
    KLPreferences::initDefaults();
}

KLPreferences::KLPreferences(DeferDefaults) {}

KLPreferences::~KLPreferences() = default;

void KLPreferences::initDefaults() {
    ChangeBatch batch(*this);
    writeConversionDefaults();
    applyStartUpPreset();
}

void KLPreferences::writeConversionDefaults() {
    setContainer(downloadOnlyNoConversion);
    setOutputMode(KLOutputMode::VideoAndAudio);
    setOutputFor(downloadOnlyNoConversion);
    setSettingsLevel(KLSettingsLevel::Beginner);
    setUseSubtitles(false);
    setResolution(QSizeF(1280, 720));
    setUseAsMaximumResolution(false);
    setKeepAspectRatio(false);
    setUseInputFilesResolution(true);
    setVideoCodec(text("h264"));
    setUseInputFilesVideoCodec(true);
    setAudioCodec(text("aac"));
    setUseInputFilesAudioCodec(true);
    setAudioMode(KLAudioMode::Stereo);
    setUseInputFilesMonoStereo(true);
    setDownloadLocation(QString());

    setH264Mode(constantRateFactorMode);
    setH264CRFValue(23);
    setH264CRFSpeedPreset(text("veryfast"));
    setH264TwoPassBitRate(1200000);
    setH264TwoPassSpeedPreset(text("veryfast"));
    setH265Mode(constantRateFactorMode);
    setH265CRFValue(23);
    setH265CRFSpeedPreset(text("veryfast"));
    setH265TwoPassBitRate(1200000);
    setH265TwoPassSpeedPreset(text("veryfast"));
    setMpeg4Mode(variableBitrateMode);
    setMpeg4VTag(text("xvid"));
    setMpeg4QScale(1);
    setMpeg4TwoPassBitRate(1200000);
    setMsmpeg4Mode(variableBitrateMode);
    setMsmpeg4QScale(1);
    setMsmpeg4TwoPassBitRate(1200000);
    setFlvMode(variableBitrateMode);
    setFlvQScale(1);
    setFlvTwoPassBitRate(1200000);
    setWmv2Mode(variableBitrateMode);
    setWmv2QScale(1);
    setWmv2TwoPassBitRate(1200000);
    setMpegMode(variableBitrateMode);
    setMpegQScale(1);
    setMpegTwoPassBitRate(1200000);
    setVp8Mode(constantRateFactorMode);
    setVp8CRFValue(10);
    setVp8TwoPassBitRate(1200000);
    setVp9Mode(constantRateFactorMode);
    setVp9CRFValue(31);
    setVp9TwoPassBitRate(1200000);
    setAacMode(variableBitrateMode);
    setAacVariableBitRateQuality(0);
    setAacConstantBitRate(224000);
    setAacSampleRate(44100);
    setMp3Mode(variableBitrateMode);
    setMp3VariableBitRateQuality(0);
    setMp3ConstantBitRate(224000);
    setMp3SampleRate(44100);
    setWavSampleRate(44100);
    setWmav2Bitrate(224000);
    setWmav2SampleRate(44100);
    setMp2Bitrate(224000);
    setMp2SampleRate(44100);
    setVorbisMode(variableBitrateMode);
    setVorbisVariableBitRateQuality(3);
    setVorbisConstantBitRate(224000);
    setVorbisSampleRate(44100);
}

// High Sierra was the first system to play h265; every other version, older or newer, gets h264.
void KLPreferences::applyStartUpPreset() {
    const bool highSierra = KLKinolarkUtils::getOSXVersion().minorVersion() == 13;
    setupOutputFor(highSierra ? text("Mac Viewing (High Sierra)") : text("Mac Viewing"));
}

void KLPreferences::addListener(const std::shared_ptr<KLPreferencesListener> &listener) {
    if (!listener) {
        return;
    }
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
        m_listeners.push_back(listener);
    }
}

void KLPreferences::removeListener(const std::shared_ptr<KLPreferencesListener> &listener) {
    std::erase(m_listeners, listener);
}

void KLPreferences::setSettingsLevel(KLSettingsLevel settingsLevel) {
    ChangeBatch batch(*this);
    write(m_settingsLevel, settingsLevel);
    notifySettingsLevel(settingsLevel);
}

void KLPreferences::notifySettingsLevel(KLSettingsLevel settingsLevel) {
    // A listener may add or remove listeners while it is called, so the calls go to a snapshot.
    std::vector<std::shared_ptr<KLPreferencesListener>> listeners;
    listeners = m_listeners;
    for (const auto &listener : listeners) {
        listener->preferencesDidChangeSettingsLevel(this, settingsLevel);
    }
}

void KLPreferences::setupContainer(const QString &container) {
    ChangeBatch batch(*this);
    setContainer(container);
    const QStringList videoCodecs = listVideoCodecNamesForContainer(container);
    const QStringList audioCodecs = listAudioCodecNamesForContainer(container);
    setVideoCodec(videoCodecs.isEmpty() ? QString() : videoCodecs.first());
    setAudioCodec(audioCodecs.isEmpty() ? QString() : audioCodecs.first());
}

std::optional<KLOutputMode> KLPreferences::effectiveOutputMode() const {
    const KLOutputMode mode = outputMode();
    if (!holdsSoundOnly(container()) || mode == KLOutputMode::AudioOnly) {
        return mode;
    }
    if (mode == KLOutputMode::VideoAndAudio) {
        return KLOutputMode::AudioOnly;
    }
    return std::nullopt;
}

void KLPreferences::setupOutputFor(const QString &outputFor) {
    if (outputFor.isNull()) {
        stopOnProgrammingError(QStringLiteral("Invalid outputFor: nil"));
    }
    const KLDevicePreset *preset = KLDevicePreset::named(outputFor);
    if (preset == nullptr) {
        stopOnProgrammingError(QStringLiteral("%1 outputFor not implemented").arg(outputFor));
    }
    ChangeBatch batch(*this);
    setOutputFor(outputFor);
    applyPreset(*preset);
}

void KLPreferences::applyPreset(const KLDevicePreset &preset) {
    ChangeBatch batch(*this);
    if (!preset.converts()) {
        setContainer(downloadOnlyNoConversion);
        return;
    }
    const KLOutputMode mode = outputMode();
    if (keepsVideo(mode)) {
        setContainer(preset.videoContainer);
        applyPresetVideo(preset);
    } else if (mode == KLOutputMode::AudioOnly) {
        setContainer(preset.audioContainer);
    }
    if (mode == KLOutputMode::AudioOnly) {
        applyPresetAudio(preset.audioCodecAudioOnly);
    } else if (mode == KLOutputMode::VideoAndAudio ||
               (mode == KLOutputMode::VideoOnly && preset.writesAudioInVideoOnly)) {
        applyPresetAudio(preset.audioCodecWithVideo);
    }
}

void KLPreferences::applyPresetVideo(const KLDevicePreset &preset) {
    setResolution(preset.size);
    setKeepAspectRatio(true);
    setUseInputFilesResolution(false);
    setUseAsMaximumResolution(true);
    setVideoCodec(preset.videoCodec);
    setUseInputFilesVideoCodec(false);
    applyCodecSettings(preset.videoCodec);
}

void KLPreferences::applyPresetAudio(const QString &audioCodec) {
    setAudioCodec(audioCodec);
    setUseInputFilesAudioCodec(false);
    setUseInputFilesMonoStereo(true);
    applyCodecSettings(audioCodec);
}

// Presets only ever pick the quality-driven mode of a codec; sample rates, two-pass bitrates and their speed
// presets stay as the user set them.
void KLPreferences::applyCodecSettings(const QString &codec) {
    if (codec == QLatin1String("h264")) {
        setH264Mode(constantRateFactorMode);
        setH264CRFValue(23);
        setH264CRFSpeedPreset(text("veryfast"));
    } else if (codec == QLatin1String("h265")) {
        setH265Mode(constantRateFactorMode);
        setH265CRFValue(23);
        setH265CRFSpeedPreset(text("veryfast"));
    } else if (codec == QLatin1String("wmv2")) {
        setWmv2Mode(variableBitrateMode);
        setWmv2QScale(1);
    } else if (codec == QLatin1String("aac")) {
        setAacMode(variableBitrateMode);
        setAacVariableBitRateQuality(0);
    } else if (codec == QLatin1String("mp3")) {
        setMp3Mode(variableBitrateMode);
        setMp3VariableBitRateQuality(0);
    } else if (codec == QLatin1String("wmav2")) {
        setWmav2Bitrate(224000);
    }
}

void KLPreferences::setupForPlaystationVita() {
    applyPreset(presetNamed("Playstation Vita"));
}
void KLPreferences::setupForPlaystation3() {
    applyPreset(presetNamed("PlayStation 3"));
}
void KLPreferences::setupForPlaystation4() {
    applyPreset(presetNamed("PlayStation 4"));
}
void KLPreferences::setupForPlaystation4Pro() {
    applyPreset(presetNamed("PlayStation 4 Pro"));
}
void KLPreferences::setupForXBOXOne() {
    applyPreset(presetNamed("XBOX One"));
}
void KLPreferences::setupForXBOXOneX() {
    applyPreset(presetNamed("XBOX One X"));
}
void KLPreferences::setupForMacViewing() {
    applyPreset(presetNamed("Mac Viewing"));
}
void KLPreferences::setupForMacViewingHighSierra() {
    applyPreset(presetNamed("Mac Viewing (High Sierra)"));
}
void KLPreferences::setupForMacViewingFullHD() {
    applyPreset(presetNamed("Mac Viewing (Full HD if posssible)"));
}
void KLPreferences::setupForMacViewingHighSierraFullHD() {
    applyPreset(presetNamed("Mac Viewing (High Sierra, Full HD if possible)"));
}
void KLPreferences::setupForMacViewingUltraHD() {
    applyPreset(presetNamed("Mac Viewing (Ultra HD if possible)"));
}
void KLPreferences::setupForMacViewingHighSierraUltraHD() {
    applyPreset(presetNamed("Mac Viewing (High Sierra, Ultra HD if possible)"));
}
void KLPreferences::setupForIPhone55s5cSe() {
    applyPreset(presetNamed("iPhone 5, 5s, 5c, SE"));
}
void KLPreferences::setupForIPhone66S78() {
    applyPreset(presetNamed("iPhone 6, 6s, 7, 8"));
}
void KLPreferences::setupForiPhone6Plus6sPlus7Plus8Plus() {
    applyPreset(presetNamed("iPhone 6+, 6s+, 7+, 8+"));
}
void KLPreferences::setupForIPhone55s5cSeIOS11() {
    applyPreset(presetNamed("iPhone 5, 5s, 5c, SE (iOS 11+)"));
}
void KLPreferences::setupForIPhone66S78IOS11() {
    applyPreset(presetNamed("iPhone 6, 6s, 7, 8 (iOS 11+)"));
}
void KLPreferences::setupForiPhone6Plus6sPlus7Plus8PlusIOS11() {
    applyPreset(presetNamed("iPhone 6+, 6s+, 7+, 8+ (iOS 11+)"));
}
void KLPreferences::setupForIPhoneX() {
    applyPreset(presetNamed("iPhone X"));
}
void KLPreferences::setupForIPadMini234() {
    applyPreset(presetNamed("iPad Mini 2, 3, 4"));
}
void KLPreferences::setupForIPadAirIPadAir2IPadPro97() {
    applyPreset(presetNamed("iPad Air, iPad Air 2, iPad Pro 9.7"));
}
void KLPreferences::setupForIPadPro105() {
    applyPreset(presetNamed("iPad Pro 10.5"));
}
void KLPreferences::setupForIPadPro129() {
    applyPreset(presetNamed("iPad Pro 12.9"));
}
void KLPreferences::setupForIPadMini234IOS11() {
    applyPreset(presetNamed("iPad Mini 2, 3, 4 (iOS 11+)"));
}
void KLPreferences::setupForIPadAirIPadAir2IPadPro97IOS11() {
    applyPreset(presetNamed("iPad Air, iPad Air 2, iPad Pro 9.7 (iOS 11+)"));
}
void KLPreferences::setupForIPadPro105IOS11() {
    applyPreset(presetNamed("iPad Pro 10.5 (iOS 11+)"));
}
void KLPreferences::setupForIPadPro129IOS11() {
    applyPreset(presetNamed("iPad Pro 12.9 (iOS 11+)"));
}
void KLPreferences::setupDownloadOnlyNoConversion() {
    applyPreset(presetNamed("Download only (no conversion)"));
}

std::shared_ptr<KLPreferences> KLPreferences::copy() const {
    auto copy = std::make_shared<KLPreferences>();
    copyFieldsInto(*copy);
    return copy;
}

void KLPreferences::copyFieldsInto(KLPreferences &target) const {
    for (const auto &field : KLPreferencesFields::conversionFields()) {
        field.copy(*this, target);
    }
}

KLPreferences::ChangeBatch::ChangeBatch(KLPreferences &preferences) : m_preferences(preferences) {
    ++m_preferences.m_batchDepth;
}

KLPreferences::ChangeBatch::~ChangeBatch() {
    if (--m_preferences.m_batchDepth == 0 && std::exchange(m_preferences.m_changedInBatch, false)) {
        m_preferences.fieldsDidChange();
    }
}

void KLPreferences::noteChange() {
    if (m_batchDepth > 0) {
        m_changedInBatch = true;
    } else {
        fieldsDidChange();
    }
}

// The catalogue.

QList<KLSettingsLevel> KLPreferences::listSettingsLevels() {
    return {KLSettingsLevel::Beginner, KLSettingsLevel::Intermediate, KLSettingsLevel::Advanced,
            KLSettingsLevel::Expert};
}

QList<KLOutputMode> KLPreferences::listOutputModes() {
    return {KLOutputMode::VideoAndAudio, KLOutputMode::VideoOnly, KLOutputMode::AudioOnly};
}

QStringList KLPreferences::listOutputFors() {
    QStringList names;
    for (const KLDevicePreset &preset : KLDevicePreset::all()) {
        names.append(preset.name);
    }
    return names;
}

QStringList KLPreferences::listVideoContainers() {
    return {text("mp4"), text("mov"),  text("mpeg"),
            text("avi"), text("flv"),  text("wmv"),
            text("3g2"), text("webm"), downloadOnlyNoConversion};
}

QStringList KLPreferences::listAudioContainers() {
    return {text("m4a"), text("mp3"), text("wav"), text("ogg"), downloadOnlyNoConversion};
}

QStringList KLPreferences::listVideoCodecNamesForContainer(const QString &container) {
    return codecsByContainer().value(container).video;
}

QStringList KLPreferences::listAudioCodecNamesForContainer(const QString &container) {
    return codecsByContainer().value(container).audio;
}

bool KLPreferences::holdsSoundOnly(const QString &container) {
    return listVideoCodecNamesForContainer(container).isEmpty() &&
           !listAudioCodecNamesForContainer(container).isEmpty();
}

QStringList KLPreferences::listVideoCodecs() {
    QStringList codecs;
    for (const QString &container : listVideoContainers()) {
        appendMissing(codecs, listVideoCodecNamesForContainer(container));
    }
    return codecs;
}

QStringList KLPreferences::listAudioCodecs() {
    QStringList codecs;
    for (const QString &container : listVideoContainers() + listAudioContainers()) {
        appendMissing(codecs, listAudioCodecNamesForContainer(container));
    }
    return codecs;
}

QStringList KLPreferences::listH264Modes() {
    return rateFactorModes();
}
QStringList KLPreferences::listH265Modes() {
    return rateFactorModes();
}
QStringList KLPreferences::listMPEG4Modes() {
    return qualityScaleModes();
}
QStringList KLPreferences::listMSMPEG4Modes() {
    return qualityScaleModes();
}
QStringList KLPreferences::listFLVModes() {
    return qualityScaleModes();
}
QStringList KLPreferences::listWMV2Modes() {
    return qualityScaleModes();
}
QStringList KLPreferences::listMPEGModes() {
    return qualityScaleModes();
}
QStringList KLPreferences::listVP8Modes() {
    return rateFactorModes();
}
QStringList KLPreferences::listVP9Modes() {
    return rateFactorModes();
}
QStringList KLPreferences::listAACModes() {
    return audioBitrateModes();
}
QStringList KLPreferences::listMP3Modes() {
    return audioBitrateModes();
}
QStringList KLPreferences::listVorbisModes() {
    return audioBitrateModes();
}

QList<uint64_t> KLPreferences::listDefaultVideoBitrates() {
    return {150000, 300000, 600000, 1200000};
}

QList<uint64_t> KLPreferences::listDefaultAudioBitrates() {
    return {64000, 96000, 128000, 192000, 224000};
}

QList<uint64_t> KLPreferences::listMP2Bitrates() {
    return {32000,  48000,  56000,  64000,  80000,  96000,  112000,
            128000, 160000, 192000, 224000, 256000, 320000, 384000};
}

QList<uint64_t> KLPreferences::listAACSampleRates() {
    return {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200, 96000};
}

QList<uint64_t> KLPreferences::listMP3SampleRates() {
    return {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
}

QList<uint64_t> KLPreferences::listMP2SampleRates() {
    return {16000, 22050, 24000, 32000, 44100, 48000};
}

QStringList KLPreferences::listFFMPEGSpeedPresets() {
    return {text("ultrafast"), text("veryfast"), text("faster"), text("fast"),
            text("medium"),    text("slow"),     text("slower"), text("veryslow")};
}

// The odd sizes (1366x788, 480x268, 6500x4096) are what the resolution choice has always offered.
QList<QSizeF> KLPreferences::listDefaultVideoResolutions() {
    return {{128, 96},    {160, 120},   {176, 144},   {256, 144},   {320, 180},   {320, 200},   {320, 240},
            {352, 288},   {426, 240},   {480, 268},   {640, 360},   {640, 480},   {704, 576},   {800, 600},
            {854, 480},   {1024, 768},  {1280, 720},  {1280, 1024}, {1366, 788},  {1408, 1152}, {1600, 1024},
            {1600, 1200}, {1920, 1080}, {1920, 1200}, {2048, 1536}, {2560, 1440}, {2560, 1600}, {2560, 2048},
            {3200, 2048}, {3840, 2160}, {3840, 2400}, {5120, 4096}, {6500, 4096}, {7680, 4800}};
}

// Text forms.

QString KLPreferences::settingsLevelToString(KLSettingsLevel settingsLevel) {
    switch (settingsLevel) {
    case KLSettingsLevel::Beginner:
        return text("Beginner");
    case KLSettingsLevel::Intermediate:
        return text("Intermediate");
    case KLSettingsLevel::Advanced:
        return text("Advanced");
    case KLSettingsLevel::Expert:
        return text("Expert");
    }
    stopOnProgrammingError(QStringLiteral("Unknown settings level"));
}

QString KLPreferences::outputModeToString(KLOutputMode outputMode) {
    switch (outputMode) {
    case KLOutputMode::VideoOnly:
        return text("Video Only");
    case KLOutputMode::AudioOnly:
        return text("Audio Only");
    case KLOutputMode::VideoAndAudio:
        return text("Video and Audio");
    }
    stopOnProgrammingError(QStringLiteral("Uknown output mode"));
}

QString KLPreferences::audioModeToString(KLAudioMode audioMode) {
    switch (audioMode) {
    case KLAudioMode::Mono:
        return text("Mono");
    case KLAudioMode::Stereo:
        return text("Stereo");
    }
    stopOnProgrammingError(QStringLiteral("Unknown audio mode"));
}

namespace {

template <class Value>
std::optional<Value> valueForText(const QString &candidate, const QList<Value> &values,
                                  QString (*toString)(Value)) {
    for (Value value : values) {
        if (toString(value).compare(candidate, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<KLSettingsLevel> KLPreferences::settingsLevelFromString(const QString &text) {
    return valueForText(text, listSettingsLevels(), &KLPreferences::settingsLevelToString);
}

std::optional<KLOutputMode> KLPreferences::outputModeFromString(const QString &text) {
    return valueForText(text, listOutputModes(), &KLPreferences::outputModeToString);
}

std::optional<KLAudioMode> KLPreferences::audioModeFromString(const QString &text) {
    return valueForText(text, {KLAudioMode::Mono, KLAudioMode::Stereo}, &KLPreferences::audioModeToString);
}

KLSettingsLevel KLPreferences::stringToSettingsLevel(const QString &text) {
    const auto level = settingsLevelFromString(text);
    if (!level) {
        stopOnProgrammingError(QStringLiteral("Uknown settings level string %1").arg(text));
    }
    return *level;
}

KLOutputMode KLPreferences::stringToOutputMode(const QString &text) {
    const auto mode = outputModeFromString(text);
    if (!mode) {
        stopOnProgrammingError(QStringLiteral("Unknown output mode string: %1").arg(text));
    }
    return *mode;
}

KLAudioMode KLPreferences::stringToAudioMode(const QString &text) {
    const auto mode = audioModeFromString(text);
    if (!mode) {
        stopOnProgrammingError(QStringLiteral("Uknown audio mode string %1").arg(text));
    }
    return *mode;
}

bool KLPreferences::isKnownOutputFor(const QString &outputFor) {
    return !outputFor.isNull() && KLDevicePreset::named(outputFor) != nullptr;
}

// Bitrates. The unit is the largest one that divides the rate exactly, so a text never rounds a rate away.

QString KLPreferences::bitrateToUnits(uint64_t bitrate) {
    if (bitrate % 1000000 == 0) {
        return text("mbps");
    }
    if (bitrate % 1000 == 0) {
        return text("kbps");
    }
    return text("bps");
}

uint64_t KLPreferences::unitsToMult(const QString &units) {
    if (units.startsWith(QLatin1Char('m'))) {
        return 1000000;
    }
    if (units.startsWith(QLatin1Char('k'))) {
        return 1000;
    }
    return 1;
}

QString KLPreferences::bitrateToUnitsString(uint64_t bitrate) {
    return QString::number(bitrate / unitsToMult(bitrateToUnits(bitrate)));
}

QString KLPreferences::bitrateToString(uint64_t bitrate) {
    return bitrateToUnitsString(bitrate) + QLatin1Char(' ') + bitrateToUnits(bitrate);
}

uint64_t KLPreferences::stringToBitrate(const QString &text) {
    const QStringList pieces = text.split(QLatin1Char(' '));
    // A number without units is in bits per second.
    return stringsToBitrate(pieces.value(0), pieces.value(1));
}

uint64_t KLPreferences::stringsToBitrate(const QString &number, const QString &units) {
    return leadingInteger(number) * unitsToMult(units);
}
