#include "Model/Preferences/KLPreferencesFields.h"

#include "Model/Preferences/KLPreferences.h"

#include <QDir>

#include <algorithm>

namespace {

using Field = KLPreferencesField<KLPreferences>;

QString key(const char *name) {
    return QString::fromLatin1(name);
}

Field::Accepts oneOf(QStringList (*list)()) {
    return [list](const QString &text) { return list().contains(text); };
}

template <class Enumeration>
Field enumerationField(const char *name, Enumeration (KLPreferences::*getter)() const,
                       void (KLPreferences::*setter)(Enumeration), QString (*toString)(Enumeration),
                       std::optional<Enumeration> (*fromString)(const QString &)) {
    return Field::make<Enumeration>(
        key(name), getter, setter, [toString](Enumeration value) { return QVariant(toString(value)); },
        fromString);
}

std::vector<Field> buildConversionFields() {
    using P = KLPreferences;
    using F = KLPreferencesFields;
    // The values the codec panes accept; ffmpeg refuses what lies outside.
    const KLValueRange crf{0, 51};
    const KLValueRange qualityScale{1, 31};
    // Rates typed in freely: what audio hardware and ffmpeg's encoders take.
    const KLValueRange sampleRate{8000, 192000};
    return {
        Field::text(key("container"), &P::container, &P::setContainer, &F::isKnownContainer),
        enumerationField("outputMode", &P::outputMode, &P::setOutputMode, &P::outputModeToString,
                         &P::outputModeFromString),
        Field::text(key("outputFor"), &P::outputFor, &P::setOutputFor, &P::isKnownOutputFor),
        enumerationField("settingsLevel", &P::settingsLevel, &P::setSettingsLevel, &P::settingsLevelToString,
                         &P::settingsLevelFromString),
        Field::yesNo(key("useSubtitles"), &P::useSubtitles, &P::setUseSubtitles),
        Field::make<QSizeF>(
            key("resolution"), &P::resolution, &P::setResolution,
            [](QSizeF value) { return QVariant(KLPreferencesStoredForm::fromResolution(value)); },
            &KLPreferencesStoredForm::toResolution),
        Field::yesNo(key("useAsMaximumResolution"), &P::useAsMaximumResolution,
                     &P::setUseAsMaximumResolution),
        Field::yesNo(key("useInputFilesResolution"), &P::useInputFilesResolution,
                     &P::setUseInputFilesResolution),
        Field::yesNo(key("keepAspectRatio"), &P::keepAspectRatio, &P::setKeepAspectRatio),
        Field::text(key("videoCodec"), &P::videoCodec, &P::setVideoCodec, &F::isVideoCodecOrNone),
        Field::yesNo(key("useInputFilesVideoCodec"), &P::useInputFilesVideoCodec,
                     &P::setUseInputFilesVideoCodec),
        Field::text(key("audioCodec"), &P::audioCodec, &P::setAudioCodec, &F::isAudioCodecOrNone),
        Field::yesNo(key("useInputFilesAudioCodec"), &P::useInputFilesAudioCodec,
                     &P::setUseInputFilesAudioCodec),
        enumerationField("audioMode", &P::audioMode, &P::setAudioMode, &P::audioModeToString,
                         &P::audioModeFromString),
        Field::yesNo(key("useInputFilesChannels"), &P::useInputFilesMonoStereo,
                     &P::setUseInputFilesMonoStereo),
        Field::text(key("downloadLocation"), &P::downloadLocation, &P::setDownloadLocation,
                    &F::isAbsolutePath),

        Field::text(key("h264Mode"), &P::h264Mode, &P::setH264Mode, oneOf(&P::listH264Modes)),
        Field::number(key("h264CRFValue"), &P::h264CRFValue, &P::setH264CRFValue, crf),
        Field::text(key("h264CRFSpeedPreset"), &P::h264CRFSpeedPreset, &P::setH264CRFSpeedPreset,
                    &F::isSpeedPreset),
        Field::number(key("h264TwoPassBitRate"), &P::h264TwoPassBitRate, &P::setH264TwoPassBitRate),
        Field::text(key("h264TwoPassSpeedPreset"), &P::h264TwoPassSpeedPreset, &P::setH264TwoPassSpeedPreset,
                    &F::isSpeedPreset),
        Field::text(key("h265Mode"), &P::h265Mode, &P::setH265Mode, oneOf(&P::listH265Modes)),
        Field::number(key("h265CRFValue"), &P::h265CRFValue, &P::setH265CRFValue, crf),
        Field::text(key("h265CRFSpeedPreset"), &P::h265CRFSpeedPreset, &P::setH265CRFSpeedPreset,
                    &F::isSpeedPreset),
        Field::number(key("h265TwoPassBitRate"), &P::h265TwoPassBitRate, &P::setH265TwoPassBitRate),
        Field::text(key("h265TwoPassSpeedPreset"), &P::h265TwoPassSpeedPreset, &P::setH265TwoPassSpeedPreset,
                    &F::isSpeedPreset),
        Field::text(key("mpeg4Mode"), &P::mpeg4Mode, &P::setMpeg4Mode, oneOf(&P::listMPEG4Modes)),
        Field::text(key("mpeg4VTag"), &P::mpeg4VTag, &P::setMpeg4VTag, &F::isVideoTag),
        Field::number(key("mpeg4QScale"), &P::mpeg4QScale, &P::setMpeg4QScale, qualityScale),
        Field::number(key("mpeg4TwoPassBitRate"), &P::mpeg4TwoPassBitRate, &P::setMpeg4TwoPassBitRate),
        Field::text(key("msmpeg4Mode"), &P::msmpeg4Mode, &P::setMsmpeg4Mode, oneOf(&P::listMSMPEG4Modes)),
        Field::number(key("msmpeg4QScale"), &P::msmpeg4QScale, &P::setMsmpeg4QScale, qualityScale),
        Field::number(key("msmpeg4TwoPassBitRate"), &P::msmpeg4TwoPassBitRate, &P::setMsmpeg4TwoPassBitRate),
        Field::text(key("flvMode"), &P::flvMode, &P::setFlvMode, oneOf(&P::listFLVModes)),
        Field::number(key("flvQScale"), &P::flvQScale, &P::setFlvQScale, qualityScale),
        Field::number(key("flvTwoPassBitRate"), &P::flvTwoPassBitRate, &P::setFlvTwoPassBitRate),
        Field::text(key("wmv2Mode"), &P::wmv2Mode, &P::setWmv2Mode, oneOf(&P::listWMV2Modes)),
        Field::number(key("wmv2QScale"), &P::wmv2QScale, &P::setWmv2QScale, qualityScale),
        Field::number(key("wmv2TwoPassBitRate"), &P::wmv2TwoPassBitRate, &P::setWmv2TwoPassBitRate),
        Field::text(key("mpegMode"), &P::mpegMode, &P::setMpegMode, oneOf(&P::listMPEGModes)),
        Field::number(key("mpegQScale"), &P::mpegQScale, &P::setMpegQScale, qualityScale),
        Field::number(key("mpegTwoPassBitRate"), &P::mpegTwoPassBitRate, &P::setMpegTwoPassBitRate),
        Field::text(key("aacMode"), &P::aacMode, &P::setAacMode, oneOf(&P::listAACModes)),
        Field::number(key("aacVariableBitRateQuality"), &P::aacVariableBitRateQuality,
                      &P::setAacVariableBitRateQuality, KLValueRange{0, 2}),
        Field::number(key("aacConstantBitRate"), &P::aacConstantBitRate, &P::setAacConstantBitRate),
        Field::number(key("aacSampleRate"), &P::aacSampleRate, &P::setAacSampleRate),
        Field::text(key("mp3Mode"), &P::mp3Mode, &P::setMp3Mode, oneOf(&P::listMP3Modes)),
        Field::number(key("mp3VariableBitRateQuality"), &P::mp3VariableBitRateQuality,
                      &P::setMp3VariableBitRateQuality, KLValueRange{0, 9}),
        Field::number(key("mp3ConstantBitRate"), &P::mp3ConstantBitRate, &P::setMp3ConstantBitRate),
        Field::number(key("mp3SampleRate"), &P::mp3SampleRate, &P::setMp3SampleRate),
        Field::number(key("wavSampleRate"), &P::wavSampleRate, &P::setWavSampleRate, sampleRate),
        Field::number(key("wmav2Bitrate"), &P::wmav2Bitrate, &P::setWmav2Bitrate),
        Field::number(key("wmav2SampleRate"), &P::wmav2SampleRate, &P::setWmav2SampleRate,
                      KLValueRange{24000, 48000}),
        Field::number(key("mp2Bitrate"), &P::mp2Bitrate, &P::setMp2Bitrate),
        Field::number(key("mp2SampleRate"), &P::mp2SampleRate, &P::setMp2SampleRate),
        Field::text(key("vp8Mode"), &P::vp8Mode, &P::setVp8Mode, oneOf(&P::listVP8Modes)),
        Field::number(key("vp8CRFValue"), &P::vp8CRFValue, &P::setVp8CRFValue, KLValueRange{4, 63}),
        Field::number(key("vp8TwoPassBitRate"), &P::vp8TwoPassBitRate, &P::setVp8TwoPassBitRate),
        Field::text(key("vp9Mode"), &P::vp9Mode, &P::setVp9Mode, oneOf(&P::listVP9Modes)),
        Field::number(key("vp9CRFValue"), &P::vp9CRFValue, &P::setVp9CRFValue, KLValueRange{0, 63}),
        Field::number(key("vp9TwoPassBitRate"), &P::vp9TwoPassBitRate, &P::setVp9TwoPassBitRate),
        Field::text(key("vorbisMode"), &P::vorbisMode, &P::setVorbisMode, oneOf(&P::listVorbisModes)),
        Field::number(key("vorbisVariableBitRateQuality"), &P::vorbisVariableBitRateQuality,
                      &P::setVorbisVariableBitRateQuality, KLValueRange{0, 10}),
        Field::number(key("vorbisConstantBitRate"), &P::vorbisConstantBitRate, &P::setVorbisConstantBitRate),
        Field::number(key("vorbisSampleRate"), &P::vorbisSampleRate, &P::setVorbisSampleRate, sampleRate),
    };
}

} // namespace

const std::vector<KLPreferencesField<KLPreferences>> &KLPreferencesFields::conversionFields() {
    static const std::vector<Field> fields = buildConversionFields();
    return fields;
}

const KLPreferencesField<KLPreferences> *KLPreferencesFields::conversionField(const QString &key) {
    const auto &fields = conversionFields();
    const auto found =
        std::find_if(fields.begin(), fields.end(), [&key](const Field &field) { return field.key == key; });
    return found != fields.end() ? &*found : nullptr;
}

bool KLPreferencesFields::isKnownContainer(const QString &container) {
    return KLPreferences::listVideoContainers().contains(container) ||
           KLPreferences::listAudioContainers().contains(container);
}

bool KLPreferencesFields::isVideoCodecOrNone(const QString &codec) {
    return codec.isEmpty() || KLPreferences::listVideoCodecs().contains(codec);
}

bool KLPreferencesFields::isAudioCodecOrNone(const QString &codec) {
    return codec.isEmpty() || KLPreferences::listAudioCodecs().contains(codec);
}

bool KLPreferencesFields::isSpeedPreset(const QString &preset) {
    return KLPreferences::listFFMPEGSpeedPresets().contains(preset);
}

// The tag ends up unquoted among ffmpeg's parameters, so only a plain four-character code is taken.
bool KLPreferencesFields::isVideoTag(const QString &tag) {
    if (tag.isEmpty() || tag.size() > 4) {
        return false;
    }
    for (const QChar character : tag) {
        if (character.unicode() > 127 || !character.isLetterOrNumber()) {
            return false;
        }
    }
    return true;
}

bool KLPreferencesFields::isAbsolutePath(const QString &path) {
    return !path.isEmpty() && QDir::isAbsolutePath(path);
}
