#pragma once

#include "Model/Preferences/KLPreferences.h"
#include "Model/Preferences/KLPreferencesFields.h"

#include <QMap>
#include <QString>
#include <QVariant>

// Shared by the preferences tests: a record's conversion fields as key -> stored text, and a way to move
// every one of them away from its initial value.
namespace KLPreferencesTestRecord {

inline QMap<QString, QString> snapshot(const KLPreferences &preferences) {
    QMap<QString, QString> values;
    for (const auto &field : KLPreferencesFields::conversionFields()) {
        values.insert(field.key, field.store(preferences).toString());
    }
    return values;
}

// Values no preset writes and no default holds, so any field a later step touches shows up.
inline void setAwayFromDefaults(KLPreferences &p) {
    p.setOutputMode(KLOutputMode::VideoOnly);
    p.setContainer(QStringLiteral("avi"));
    p.setOutputFor(QStringLiteral("XBOX One X"));
    p.setSettingsLevel(KLSettingsLevel::Expert);
    p.setUseSubtitles(true);
    p.setResolution(QSizeF(111, 222));
    p.setUseAsMaximumResolution(false);
    p.setKeepAspectRatio(false);
    p.setUseInputFilesResolution(true);
    p.setVideoCodec(QStringLiteral("flv"));
    p.setUseInputFilesVideoCodec(true);
    p.setAudioCodec(QStringLiteral("wav"));
    p.setUseInputFilesAudioCodec(true);
    p.setAudioMode(KLAudioMode::Mono);
    p.setUseInputFilesMonoStereo(false);
    p.setDownloadLocation(QStringLiteral("/srv/videos, new"));
    p.setH264Mode(KLPreferences::constantBitrateTwoPassMode);
    p.setH264CRFValue(40);
    p.setH264CRFSpeedPreset(QStringLiteral("slow"));
    p.setH264TwoPassBitRate(600001);
    p.setH264TwoPassSpeedPreset(QStringLiteral("slower"));
    p.setH265Mode(KLPreferences::constantBitrateTwoPassMode);
    p.setH265CRFValue(41);
    p.setH265CRFSpeedPreset(QStringLiteral("medium"));
    p.setH265TwoPassBitRate(600002);
    p.setH265TwoPassSpeedPreset(QStringLiteral("ultrafast"));
    p.setMpeg4Mode(KLPreferences::constantBitrateTwoPassMode);
    p.setMpeg4VTag(QStringLiteral("DIVX"));
    p.setMpeg4QScale(4);
    p.setMpeg4TwoPassBitRate(600003);
    p.setMsmpeg4Mode(KLPreferences::constantBitrateTwoPassMode);
    p.setMsmpeg4QScale(5);
    p.setMsmpeg4TwoPassBitRate(600004);
    p.setFlvMode(KLPreferences::constantBitrateTwoPassMode);
    p.setFlvQScale(6);
    p.setFlvTwoPassBitRate(600005);
    p.setWmv2Mode(KLPreferences::constantBitrateTwoPassMode);
    p.setWmv2QScale(7);
    p.setWmv2TwoPassBitRate(600006);
    p.setMpegMode(KLPreferences::constantBitrateTwoPassMode);
    p.setMpegQScale(8);
    p.setMpegTwoPassBitRate(600007);
    p.setVp8Mode(KLPreferences::constantBitrateTwoPassMode);
    p.setVp8CRFValue(12);
    p.setVp8TwoPassBitRate(600008);
    p.setVp9Mode(KLPreferences::constantBitrateTwoPassMode);
    p.setVp9CRFValue(33);
    p.setVp9TwoPassBitRate(600009);
    p.setAacMode(KLPreferences::constantBitrateMode);
    p.setAacVariableBitRateQuality(2);
    p.setAacConstantBitRate(96000);
    p.setAacSampleRate(48000);
    p.setMp3Mode(KLPreferences::constantBitrateMode);
    p.setMp3VariableBitRateQuality(3);
    p.setMp3ConstantBitRate(128000);
    p.setMp3SampleRate(32000);
    p.setWavSampleRate(22050);
    p.setWmav2Bitrate(64000);
    p.setWmav2SampleRate(24000);
    p.setMp2Bitrate(384000);
    p.setMp2SampleRate(16000);
    p.setVorbisMode(KLPreferences::constantBitrateMode);
    p.setVorbisVariableBitRateQuality(7);
    p.setVorbisConstantBitRate(192000);
    p.setVorbisSampleRate(11025);
}

} // namespace KLPreferencesTestRecord
