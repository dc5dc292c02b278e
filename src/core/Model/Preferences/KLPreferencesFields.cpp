#include "Model/Preferences/KLPreferencesFields.h"

#include "Model/Preferences/KLPreferences.h"

#include <QDir>

#include <algorithm>

namespace {

using ConversionField = KLPreferencesField<KLPreferences>;

QString conversionKey(const char *name) {
    return QString::fromLatin1(name);
}

ConversionField::Accepts oneOf(QStringList (*list)()) {
    return [list](const QString &text) { return list().contains(text); };
}

template <class Enumeration>
ConversionField enumerationField(const char *name, Enumeration (KLPreferences::*getter)() const,
                                 void (KLPreferences::*setter)(Enumeration), QString (*toString)(Enumeration),
                                 std::optional<Enumeration> (*fromString)(const QString &)) {
    return ConversionField::make<Enumeration>(
        conversionKey(name), getter, setter,
        [toString](Enumeration value) { return QVariant(toString(value)); }, fromString);
}

std::vector<ConversionField> buildConversionFields() {
    using P = KLPreferences;
    using F = KLPreferencesFields;
    // The values the codec panes accept; ffmpeg refuses what lies outside.
    const KLValueRange crf{0, 51};
    const KLValueRange qualityScale{1, 31};
    // Rates typed in freely: what audio hardware and ffmpeg's encoders take.
    const KLValueRange sampleRate{8000, 192000};
    return {
        ConversionField::text(conversionKey("container"), &P::container, &P::setContainer,
                              &F::isKnownContainer),
        enumerationField("outputMode", &P::outputMode, &P::setOutputMode, &P::outputModeToString,
                         &P::outputModeFromString),
        ConversionField::text(conversionKey("outputFor"), &P::outputFor, &P::setOutputFor,
                              &P::isKnownOutputFor),
        enumerationField("settingsLevel", &P::settingsLevel, &P::setSettingsLevel, &P::settingsLevelToString,
                         &P::settingsLevelFromString),
        ConversionField::yesNo(conversionKey("useSubtitles"), &P::useSubtitles, &P::setUseSubtitles),
        ConversionField::make<QSizeF>(
            conversionKey("resolution"), &P::resolution, &P::setResolution,
            [](QSizeF value) { return QVariant(KLPreferencesStoredForm::fromResolution(value)); },
            &KLPreferencesStoredForm::toResolution),
        ConversionField::yesNo(conversionKey("useAsMaximumResolution"), &P::useAsMaximumResolution,
                               &P::setUseAsMaximumResolution),
        ConversionField::yesNo(conversionKey("useInputFilesResolution"), &P::useInputFilesResolution,
                               &P::setUseInputFilesResolution),
        ConversionField::yesNo(conversionKey("keepAspectRatio"), &P::keepAspectRatio, &P::setKeepAspectRatio),
        ConversionField::text(conversionKey("videoCodec"), &P::videoCodec, &P::setVideoCodec,
                              &F::isVideoCodecOrNone),
        ConversionField::yesNo(conversionKey("useInputFilesVideoCodec"), &P::useInputFilesVideoCodec,
                               &P::setUseInputFilesVideoCodec),
        ConversionField::text(conversionKey("audioCodec"), &P::audioCodec, &P::setAudioCodec,
                              &F::isAudioCodecOrNone),
        ConversionField::yesNo(conversionKey("useInputFilesAudioCodec"), &P::useInputFilesAudioCodec,
                               &P::setUseInputFilesAudioCodec),
        enumerationField("audioMode", &P::audioMode, &P::setAudioMode, &P::audioModeToString,
                         &P::audioModeFromString),
        ConversionField::yesNo(conversionKey("useInputFilesChannels"), &P::useInputFilesMonoStereo,
                               &P::setUseInputFilesMonoStereo),
        ConversionField::text(conversionKey("downloadLocation"), &P::downloadLocation,
                              &P::setDownloadLocation, &F::isAbsolutePath),

        ConversionField::text(conversionKey("h264Mode"), &P::h264Mode, &P::setH264Mode,
                              oneOf(&P::listH264Modes)),
        ConversionField::number(conversionKey("h264CRFValue"), &P::h264CRFValue, &P::setH264CRFValue, crf),
        ConversionField::text(conversionKey("h264CRFSpeedPreset"), &P::h264CRFSpeedPreset,
                              &P::setH264CRFSpeedPreset, &F::isSpeedPreset),
        ConversionField::number(conversionKey("h264TwoPassBitRate"), &P::h264TwoPassBitRate,
                                &P::setH264TwoPassBitRate),
        ConversionField::text(conversionKey("h264TwoPassSpeedPreset"), &P::h264TwoPassSpeedPreset,
                              &P::setH264TwoPassSpeedPreset, &F::isSpeedPreset),
        ConversionField::text(conversionKey("h265Mode"), &P::h265Mode, &P::setH265Mode,
                              oneOf(&P::listH265Modes)),
        ConversionField::number(conversionKey("h265CRFValue"), &P::h265CRFValue, &P::setH265CRFValue, crf),
        ConversionField::text(conversionKey("h265CRFSpeedPreset"), &P::h265CRFSpeedPreset,
                              &P::setH265CRFSpeedPreset, &F::isSpeedPreset),
        ConversionField::number(conversionKey("h265TwoPassBitRate"), &P::h265TwoPassBitRate,
                                &P::setH265TwoPassBitRate),
        ConversionField::text(conversionKey("h265TwoPassSpeedPreset"), &P::h265TwoPassSpeedPreset,
                              &P::setH265TwoPassSpeedPreset, &F::isSpeedPreset),
        ConversionField::text(conversionKey("mpeg4Mode"), &P::mpeg4Mode, &P::setMpeg4Mode,
                              oneOf(&P::listMPEG4Modes)),
        ConversionField::text(conversionKey("mpeg4VTag"), &P::mpeg4VTag, &P::setMpeg4VTag, &F::isVideoTag),
        ConversionField::number(conversionKey("mpeg4QScale"), &P::mpeg4QScale, &P::setMpeg4QScale,
                                qualityScale),
        ConversionField::number(conversionKey("mpeg4TwoPassBitRate"), &P::mpeg4TwoPassBitRate,
                                &P::setMpeg4TwoPassBitRate),
        ConversionField::text(conversionKey("msmpeg4Mode"), &P::msmpeg4Mode, &P::setMsmpeg4Mode,
                              oneOf(&P::listMSMPEG4Modes)),
        ConversionField::number(conversionKey("msmpeg4QScale"), &P::msmpeg4QScale, &P::setMsmpeg4QScale,
                                qualityScale),
        ConversionField::number(conversionKey("msmpeg4TwoPassBitRate"), &P::msmpeg4TwoPassBitRate,
                                &P::setMsmpeg4TwoPassBitRate),
        ConversionField::text(conversionKey("flvMode"), &P::flvMode, &P::setFlvMode, oneOf(&P::listFLVModes)),
        ConversionField::number(conversionKey("flvQScale"), &P::flvQScale, &P::setFlvQScale, qualityScale),
        ConversionField::number(conversionKey("flvTwoPassBitRate"), &P::flvTwoPassBitRate,
                                &P::setFlvTwoPassBitRate),
        ConversionField::text(conversionKey("wmv2Mode"), &P::wmv2Mode, &P::setWmv2Mode,
                              oneOf(&P::listWMV2Modes)),
        ConversionField::number(conversionKey("wmv2QScale"), &P::wmv2QScale, &P::setWmv2QScale, qualityScale),
        ConversionField::number(conversionKey("wmv2TwoPassBitRate"), &P::wmv2TwoPassBitRate,
                                &P::setWmv2TwoPassBitRate),
        ConversionField::text(conversionKey("mpegMode"), &P::mpegMode, &P::setMpegMode,
                              oneOf(&P::listMPEGModes)),
        ConversionField::number(conversionKey("mpegQScale"), &P::mpegQScale, &P::setMpegQScale, qualityScale),
        ConversionField::number(conversionKey("mpegTwoPassBitRate"), &P::mpegTwoPassBitRate,
                                &P::setMpegTwoPassBitRate),
        ConversionField::text(conversionKey("aacMode"), &P::aacMode, &P::setAacMode, oneOf(&P::listAACModes)),
        ConversionField::number(conversionKey("aacVariableBitRateQuality"), &P::aacVariableBitRateQuality,
                                &P::setAacVariableBitRateQuality, KLValueRange{0, 2}),
        ConversionField::number(conversionKey("aacConstantBitRate"), &P::aacConstantBitRate,
                                &P::setAacConstantBitRate),
        ConversionField::number(conversionKey("aacSampleRate"), &P::aacSampleRate, &P::setAacSampleRate),
        ConversionField::text(conversionKey("mp3Mode"), &P::mp3Mode, &P::setMp3Mode, oneOf(&P::listMP3Modes)),
        ConversionField::number(conversionKey("mp3VariableBitRateQuality"), &P::mp3VariableBitRateQuality,
                                &P::setMp3VariableBitRateQuality, KLValueRange{0, 9}),
        ConversionField::number(conversionKey("mp3ConstantBitRate"), &P::mp3ConstantBitRate,
                                &P::setMp3ConstantBitRate),
        ConversionField::number(conversionKey("mp3SampleRate"), &P::mp3SampleRate, &P::setMp3SampleRate),
        ConversionField::number(conversionKey("wavSampleRate"), &P::wavSampleRate, &P::setWavSampleRate,
                                sampleRate),
        ConversionField::number(conversionKey("wmav2Bitrate"), &P::wmav2Bitrate, &P::setWmav2Bitrate),
        ConversionField::number(conversionKey("wmav2SampleRate"), &P::wmav2SampleRate, &P::setWmav2SampleRate,
                                KLValueRange{24000, 48000}),
        ConversionField::number(conversionKey("mp2Bitrate"), &P::mp2Bitrate, &P::setMp2Bitrate),
        ConversionField::number(conversionKey("mp2SampleRate"), &P::mp2SampleRate, &P::setMp2SampleRate),
        ConversionField::text(conversionKey("vp8Mode"), &P::vp8Mode, &P::setVp8Mode, oneOf(&P::listVP8Modes)),
        ConversionField::number(conversionKey("vp8CRFValue"), &P::vp8CRFValue, &P::setVp8CRFValue,
                                KLValueRange{4, 63}),
        ConversionField::number(conversionKey("vp8TwoPassBitRate"), &P::vp8TwoPassBitRate,
                                &P::setVp8TwoPassBitRate),
        ConversionField::text(conversionKey("vp9Mode"), &P::vp9Mode, &P::setVp9Mode, oneOf(&P::listVP9Modes)),
        ConversionField::number(conversionKey("vp9CRFValue"), &P::vp9CRFValue, &P::setVp9CRFValue,
                                KLValueRange{0, 63}),
        ConversionField::number(conversionKey("vp9TwoPassBitRate"), &P::vp9TwoPassBitRate,
                                &P::setVp9TwoPassBitRate),
        ConversionField::text(conversionKey("vorbisMode"), &P::vorbisMode, &P::setVorbisMode,
                              oneOf(&P::listVorbisModes)),
        ConversionField::number(conversionKey("vorbisVariableBitRateQuality"),
                                &P::vorbisVariableBitRateQuality, &P::setVorbisVariableBitRateQuality,
                                KLValueRange{0, 10}),
        ConversionField::number(conversionKey("vorbisConstantBitRate"), &P::vorbisConstantBitRate,
                                &P::setVorbisConstantBitRate),
        ConversionField::number(conversionKey("vorbisSampleRate"), &P::vorbisSampleRate,
                                &P::setVorbisSampleRate, sampleRate),
    };
}

} // namespace

const std::vector<KLPreferencesField<KLPreferences>> &KLPreferencesFields::conversionFields() {
    static const std::vector<ConversionField> fields = buildConversionFields();
    return fields;
}

const KLPreferencesField<KLPreferences> *KLPreferencesFields::conversionField(const QString &key) {
    const auto &fields = conversionFields();
    const auto found = std::find_if(fields.begin(), fields.end(),
                                    [&key](const ConversionField &field) { return field.key == key; });
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
