#pragma once

#include "Model/Preferences/KLAudioMode.h"
#include "Model/Preferences/KLOutputMode.h"
#include "Model/Preferences/KLPreferencesListener.h"
#include "Model/Preferences/KLSettingsLevel.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct KLDevicePreset;

// The conversion settings of one run: whether a video is converted at all, into which container, with which
// codecs, at which size and with which per-codec settings. The class side is the catalogue of the choices the
// preferences panes offer.
//
// The application-wide record (KLDefaultPreferences) is read and edited on the main thread only; a run's
// own copy belongs to its entry.
class KLPreferences {
public:
    // Codec modes, compared case-sensitively by the ffmpeg parameter generators.
    static inline const QString constantRateFactorMode = QStringLiteral("Constant Rate Factor (CRF)");
    static inline const QString constantBitrateTwoPassMode =
        QStringLiteral("Constant Bitrate, Two Pass Conversion (CB)");
    static inline const QString variableBitrateMode = QStringLiteral("Variable Bitrate (VB)");
    static inline const QString constantBitrateMode = QStringLiteral("Constant Bitrate (CB)");
    // The container (and preset) value that means: keep the downloaded file as it is.
    static inline const QString downloadOnlyNoConversion = QStringLiteral("Download only (no conversion)");

    KLPreferences();
    virtual ~KLPreferences();
    KLPreferences(const KLPreferences &) = delete;
    KLPreferences &operator=(const KLPreferences &) = delete;

    // Lays down the initial values, then applies the start-up preset.
    virtual void initDefaults();

    // Listeners are held strongly and compared by identity; each is listed at most once.
    void addListener(const std::shared_ptr<KLPreferencesListener> &listener);
    void removeListener(const std::shared_ptr<KLPreferencesListener> &listener);

    // Stores the container and resets both codecs to the first ones it allows (empty when it allows none).
    void setupContainer(const QString &container);
    // Stores the preset name and applies that device preset for the current output mode. An unknown name is
    // a programming error and stops the process.
    void setupOutputFor(const QString &outputFor);

    // A plain record with the same conversion settings and no listeners.
    std::shared_ptr<KLPreferences> copy() const;

    // The streams a conversion really keeps: the output mode, less the picture when the container is one
    // that holds sound only (so an audio container converts the sound, as Audio Only would); nothing when
    // nothing would remain (a picture alone in an audio container).
    std::optional<KLOutputMode> effectiveOutputMode() const;

    // One routine per device preset.
    void setupForPlaystationVita();
    void setupForPlaystation3();
    void setupForPlaystation4();
    void setupForPlaystation4Pro();
    void setupForXBOXOne();
    void setupForXBOXOneX();
    void setupForMacViewing();
    void setupForMacViewingHighSierra();
    void setupForMacViewingFullHD();
    void setupForMacViewingHighSierraFullHD();
    void setupForMacViewingUltraHD();
    void setupForMacViewingHighSierraUltraHD();
    void setupForIPhone55s5cSe();
    void setupForIPhone66S78();
    void setupForiPhone6Plus6sPlus7Plus8Plus();
    void setupForIPhone55s5cSeIOS11();
    void setupForIPhone66S78IOS11();
    void setupForiPhone6Plus6sPlus7Plus8PlusIOS11();
    void setupForIPhoneX();
    void setupForIPadMini234();
    void setupForIPadAirIPadAir2IPadPro97();
    void setupForIPadPro105();
    void setupForIPadPro129();
    void setupForIPadMini234IOS11();
    void setupForIPadAirIPadAir2IPadPro97IOS11();
    void setupForIPadPro105IOS11();
    void setupForIPadPro129IOS11();
    void setupDownloadOnlyNoConversion();

    // General fields.
    QString container() const { return read(m_container); }
    void setContainer(const QString &container) { write(m_container, container); }
    KLOutputMode outputMode() const { return read(m_outputMode); }
    void setOutputMode(KLOutputMode outputMode) { write(m_outputMode, outputMode); }
    QString outputFor() const { return read(m_outputFor); }
    void setOutputFor(const QString &outputFor) { write(m_outputFor, outputFor); }
    KLSettingsLevel settingsLevel() const { return read(m_settingsLevel); }
    // The only setter that notifies the listeners.
    void setSettingsLevel(KLSettingsLevel settingsLevel);
    bool useSubtitles() const { return read(m_useSubtitles); }
    void setUseSubtitles(bool useSubtitles) { write(m_useSubtitles, useSubtitles); }
    QSizeF resolution() const { return read(m_resolution); }
    void setResolution(const QSizeF &resolution) { write(m_resolution, resolution); }
    bool useAsMaximumResolution() const { return read(m_useAsMaximumResolution); }
    void setUseAsMaximumResolution(bool value) { write(m_useAsMaximumResolution, value); }
    bool keepAspectRatio() const { return read(m_keepAspectRatio); }
    void setKeepAspectRatio(bool keepAspectRatio) { write(m_keepAspectRatio, keepAspectRatio); }
    bool useInputFilesResolution() const { return read(m_useInputFilesResolution); }
    void setUseInputFilesResolution(bool value) { write(m_useInputFilesResolution, value); }
    QString videoCodec() const { return read(m_videoCodec); }
    void setVideoCodec(const QString &videoCodec) { write(m_videoCodec, videoCodec); }
    bool useInputFilesVideoCodec() const { return read(m_useInputFilesVideoCodec); }
    void setUseInputFilesVideoCodec(bool value) { write(m_useInputFilesVideoCodec, value); }
    QString audioCodec() const { return read(m_audioCodec); }
    void setAudioCodec(const QString &audioCodec) { write(m_audioCodec, audioCodec); }
    bool useInputFilesAudioCodec() const { return read(m_useInputFilesAudioCodec); }
    void setUseInputFilesAudioCodec(bool value) { write(m_useInputFilesAudioCodec, value); }
    KLAudioMode audioMode() const { return read(m_audioMode); }
    void setAudioMode(KLAudioMode audioMode) { write(m_audioMode, audioMode); }
    bool useInputFilesMonoStereo() const { return read(m_useInputFilesMonoStereo); }
    void setUseInputFilesMonoStereo(bool value) { write(m_useInputFilesMonoStereo, value); }
    // An absolute path: a folder in the application-wide record, possibly a full destination in a copy.
    QString downloadLocation() const { return read(m_downloadLocation); }
    void setDownloadLocation(const QString &downloadLocation) { write(m_downloadLocation, downloadLocation); }

    // h264.
    QString h264Mode() const { return read(m_h264Mode); }
    void setH264Mode(const QString &value) { write(m_h264Mode, value); }
    uint64_t h264CRFValue() const { return read(m_h264CRFValue); }
    void setH264CRFValue(uint64_t value) { write(m_h264CRFValue, value); }
    QString h264CRFSpeedPreset() const { return read(m_h264CRFSpeedPreset); }
    void setH264CRFSpeedPreset(const QString &value) { write(m_h264CRFSpeedPreset, value); }
    uint64_t h264TwoPassBitRate() const { return read(m_h264TwoPassBitRate); }
    void setH264TwoPassBitRate(uint64_t value) { write(m_h264TwoPassBitRate, value); }
    QString h264TwoPassSpeedPreset() const { return read(m_h264TwoPassSpeedPreset); }
    void setH264TwoPassSpeedPreset(const QString &value) { write(m_h264TwoPassSpeedPreset, value); }

    // h265.
    QString h265Mode() const { return read(m_h265Mode); }
    void setH265Mode(const QString &value) { write(m_h265Mode, value); }
    uint64_t h265CRFValue() const { return read(m_h265CRFValue); }
    void setH265CRFValue(uint64_t value) { write(m_h265CRFValue, value); }
    QString h265CRFSpeedPreset() const { return read(m_h265CRFSpeedPreset); }
    void setH265CRFSpeedPreset(const QString &value) { write(m_h265CRFSpeedPreset, value); }
    uint64_t h265TwoPassBitRate() const { return read(m_h265TwoPassBitRate); }
    void setH265TwoPassBitRate(uint64_t value) { write(m_h265TwoPassBitRate, value); }
    QString h265TwoPassSpeedPreset() const { return read(m_h265TwoPassSpeedPreset); }
    void setH265TwoPassSpeedPreset(const QString &value) { write(m_h265TwoPassSpeedPreset, value); }

    // mpeg4.
    QString mpeg4Mode() const { return read(m_mpeg4Mode); }
    void setMpeg4Mode(const QString &value) { write(m_mpeg4Mode, value); }
    // The video tag, a four-character code such as "xvid".
    QString mpeg4VTag() const { return read(m_mpeg4VTag); }
    void setMpeg4VTag(const QString &value) { write(m_mpeg4VTag, value); }
    uint64_t mpeg4QScale() const { return read(m_mpeg4QScale); }
    void setMpeg4QScale(uint64_t value) { write(m_mpeg4QScale, value); }
    uint64_t mpeg4TwoPassBitRate() const { return read(m_mpeg4TwoPassBitRate); }
    void setMpeg4TwoPassBitRate(uint64_t value) { write(m_mpeg4TwoPassBitRate, value); }

    // msmpeg4.
    QString msmpeg4Mode() const { return read(m_msmpeg4Mode); }
    void setMsmpeg4Mode(const QString &value) { write(m_msmpeg4Mode, value); }
    uint64_t msmpeg4QScale() const { return read(m_msmpeg4QScale); }
    void setMsmpeg4QScale(uint64_t value) { write(m_msmpeg4QScale, value); }
    uint64_t msmpeg4TwoPassBitRate() const { return read(m_msmpeg4TwoPassBitRate); }
    void setMsmpeg4TwoPassBitRate(uint64_t value) { write(m_msmpeg4TwoPassBitRate, value); }

    // flv.
    QString flvMode() const { return read(m_flvMode); }
    void setFlvMode(const QString &value) { write(m_flvMode, value); }
    uint64_t flvQScale() const { return read(m_flvQScale); }
    void setFlvQScale(uint64_t value) { write(m_flvQScale, value); }
    uint64_t flvTwoPassBitRate() const { return read(m_flvTwoPassBitRate); }
    void setFlvTwoPassBitRate(uint64_t value) { write(m_flvTwoPassBitRate, value); }

    // wmv2.
    QString wmv2Mode() const { return read(m_wmv2Mode); }
    void setWmv2Mode(const QString &value) { write(m_wmv2Mode, value); }
    uint64_t wmv2QScale() const { return read(m_wmv2QScale); }
    void setWmv2QScale(uint64_t value) { write(m_wmv2QScale, value); }
    uint64_t wmv2TwoPassBitRate() const { return read(m_wmv2TwoPassBitRate); }
    void setWmv2TwoPassBitRate(uint64_t value) { write(m_wmv2TwoPassBitRate, value); }

    // mpeg.
    QString mpegMode() const { return read(m_mpegMode); }
    void setMpegMode(const QString &value) { write(m_mpegMode, value); }
    uint64_t mpegQScale() const { return read(m_mpegQScale); }
    void setMpegQScale(uint64_t value) { write(m_mpegQScale, value); }
    uint64_t mpegTwoPassBitRate() const { return read(m_mpegTwoPassBitRate); }
    void setMpegTwoPassBitRate(uint64_t value) { write(m_mpegTwoPassBitRate, value); }

    // vp8.
    QString vp8Mode() const { return read(m_vp8Mode); }
    void setVp8Mode(const QString &value) { write(m_vp8Mode, value); }
    uint64_t vp8CRFValue() const { return read(m_vp8CRFValue); }
    void setVp8CRFValue(uint64_t value) { write(m_vp8CRFValue, value); }
    uint64_t vp8TwoPassBitRate() const { return read(m_vp8TwoPassBitRate); }
    void setVp8TwoPassBitRate(uint64_t value) { write(m_vp8TwoPassBitRate, value); }

    // vp9.
    QString vp9Mode() const { return read(m_vp9Mode); }
    void setVp9Mode(const QString &value) { write(m_vp9Mode, value); }
    uint64_t vp9CRFValue() const { return read(m_vp9CRFValue); }
    void setVp9CRFValue(uint64_t value) { write(m_vp9CRFValue, value); }
    uint64_t vp9TwoPassBitRate() const { return read(m_vp9TwoPassBitRate); }
    void setVp9TwoPassBitRate(uint64_t value) { write(m_vp9TwoPassBitRate, value); }

    // aac.
    QString aacMode() const { return read(m_aacMode); }
    void setAacMode(const QString &value) { write(m_aacMode, value); }
    uint64_t aacVariableBitRateQuality() const { return read(m_aacVariableBitRateQuality); }
    void setAacVariableBitRateQuality(uint64_t value) { write(m_aacVariableBitRateQuality, value); }
    uint64_t aacConstantBitRate() const { return read(m_aacConstantBitRate); }
    void setAacConstantBitRate(uint64_t value) { write(m_aacConstantBitRate, value); }
    uint64_t aacSampleRate() const { return read(m_aacSampleRate); }
    void setAacSampleRate(uint64_t value) { write(m_aacSampleRate, value); }

    // mp3.
    QString mp3Mode() const { return read(m_mp3Mode); }
    void setMp3Mode(const QString &value) { write(m_mp3Mode, value); }
    uint64_t mp3VariableBitRateQuality() const { return read(m_mp3VariableBitRateQuality); }
    void setMp3VariableBitRateQuality(uint64_t value) { write(m_mp3VariableBitRateQuality, value); }
    uint64_t mp3ConstantBitRate() const { return read(m_mp3ConstantBitRate); }
    void setMp3ConstantBitRate(uint64_t value) { write(m_mp3ConstantBitRate, value); }
    uint64_t mp3SampleRate() const { return read(m_mp3SampleRate); }
    void setMp3SampleRate(uint64_t value) { write(m_mp3SampleRate, value); }

    // wav.
    uint64_t wavSampleRate() const { return read(m_wavSampleRate); }
    void setWavSampleRate(uint64_t value) { write(m_wavSampleRate, value); }

    // wmav2.
    uint64_t wmav2Bitrate() const { return read(m_wmav2Bitrate); }
    void setWmav2Bitrate(uint64_t value) { write(m_wmav2Bitrate, value); }
    uint64_t wmav2SampleRate() const { return read(m_wmav2SampleRate); }
    void setWmav2SampleRate(uint64_t value) { write(m_wmav2SampleRate, value); }

    // mp2.
    uint64_t mp2Bitrate() const { return read(m_mp2Bitrate); }
    void setMp2Bitrate(uint64_t value) { write(m_mp2Bitrate, value); }
    uint64_t mp2SampleRate() const { return read(m_mp2SampleRate); }
    void setMp2SampleRate(uint64_t value) { write(m_mp2SampleRate, value); }

    // vorbis.
    QString vorbisMode() const { return read(m_vorbisMode); }
    void setVorbisMode(const QString &value) { write(m_vorbisMode, value); }
    uint64_t vorbisVariableBitRateQuality() const { return read(m_vorbisVariableBitRateQuality); }
    void setVorbisVariableBitRateQuality(uint64_t value) { write(m_vorbisVariableBitRateQuality, value); }
    uint64_t vorbisConstantBitRate() const { return read(m_vorbisConstantBitRate); }
    void setVorbisConstantBitRate(uint64_t value) { write(m_vorbisConstantBitRate, value); }
    uint64_t vorbisSampleRate() const { return read(m_vorbisSampleRate); }
    void setVorbisSampleRate(uint64_t value) { write(m_vorbisSampleRate, value); }

    // The catalogue.
    static QList<KLSettingsLevel> listSettingsLevels();
    static QList<KLOutputMode> listOutputModes();
    static QStringList listOutputFors();
    static QStringList listVideoContainers();
    static QStringList listAudioContainers();
    // Empty for a container that allows no such codec, "Download only (no conversion)" included.
    static QStringList listVideoCodecNamesForContainer(const QString &container);
    static QStringList listAudioCodecNamesForContainer(const QString &container);
    static QStringList listVideoCodecs();
    // True for a container of sound alone (m4a, mp3, wav, ogg).
    static bool holdsSoundOnly(const QString &container);
    static QStringList listAudioCodecs();
    static QStringList listH264Modes();
    static QStringList listH265Modes();
    static QStringList listMPEG4Modes();
    static QStringList listMSMPEG4Modes();
    static QStringList listFLVModes();
    static QStringList listWMV2Modes();
    static QStringList listMPEGModes();
    static QStringList listVP8Modes();
    static QStringList listVP9Modes();
    static QStringList listAACModes();
    static QStringList listMP3Modes();
    static QStringList listVorbisModes();
    static QList<uint64_t> listDefaultVideoBitrates();
    static QList<uint64_t> listDefaultAudioBitrates();
    static QList<uint64_t> listMP2Bitrates();
    static QList<uint64_t> listAACSampleRates();
    static QList<uint64_t> listMP3SampleRates();
    static QList<uint64_t> listMP2SampleRates();
    static QStringList listFFMPEGSpeedPresets();
    static QList<QSizeF> listDefaultVideoResolutions();

    // Text forms of the enumerations. A value outside the catalogue is a programming error and stops the
    // process; the text side compares case-insensitively.
    static QString settingsLevelToString(KLSettingsLevel settingsLevel);
    static QString outputModeToString(KLOutputMode outputMode);
    static QString audioModeToString(KLAudioMode audioMode);
    static KLSettingsLevel stringToSettingsLevel(const QString &text);
    static KLOutputMode stringToOutputMode(const QString &text);
    static KLAudioMode stringToAudioMode(const QString &text);
    // The same conversions for texts that may come from outside (a hand-edited store): none instead of a
    // stop.
    static std::optional<KLSettingsLevel> settingsLevelFromString(const QString &text);
    static std::optional<KLOutputMode> outputModeFromString(const QString &text);
    static std::optional<KLAudioMode> audioModeFromString(const QString &text);
    // True when the name matches a device preset, ignoring case.
    static bool isKnownOutputFor(const QString &outputFor);

    // Bitrates in bits per second and their texts ("1200 kbps", "2 mbps").
    static QString bitrateToUnits(uint64_t bitrate);
    static uint64_t unitsToMult(const QString &units);
    static QString bitrateToUnitsString(uint64_t bitrate);
    static QString bitrateToString(uint64_t bitrate);
    static uint64_t stringToBitrate(const QString &text);
    static uint64_t stringsToBitrate(const QString &number, const QString &units);

protected:
    // For subclasses that run their own initDefaults() once they are fully built.
    struct DeferDefaults {};
    explicit KLPreferences(DeferDefaults);

    // Called after a field changed; a batch defers it to the batch's end, once.
    virtual void fieldsDidChange() {}

    // Groups several changes into one fieldsDidChange() call. Batches nest.
    class ChangeBatch final {
    public:
        explicit ChangeBatch(KLPreferences &preferences);
        ~ChangeBatch();
        ChangeBatch(const ChangeBatch &) = delete;
        ChangeBatch &operator=(const ChangeBatch &) = delete;

    private:
        KLPreferences &m_preferences;
    };

    template <class T> T read(const T &field) const { return field; }
    template <class T> void write(T &field, const T &value) {
        field = value;
        noteChange();
    }

private:
    void writeConversionDefaults();
    void applyStartUpPreset();
    void applyPreset(const KLDevicePreset &preset);
    void applyPresetVideo(const KLDevicePreset &preset);
    void applyPresetAudio(const QString &audioCodec);
    void applyCodecSettings(const QString &codec);
    void copyFieldsInto(KLPreferences &target) const;
    void notifySettingsLevel(KLSettingsLevel settingsLevel);
    void noteChange();

    std::vector<std::shared_ptr<KLPreferencesListener>> m_listeners;
    int m_batchDepth = 0;
    bool m_changedInBatch = false;

    QString m_container;
    KLOutputMode m_outputMode = KLOutputMode::VideoAndAudio;
    QString m_outputFor;
    KLSettingsLevel m_settingsLevel = KLSettingsLevel::Beginner;
    bool m_useSubtitles = false;
    QSizeF m_resolution;
    bool m_useAsMaximumResolution = false;
    bool m_keepAspectRatio = false;
    bool m_useInputFilesResolution = true;
    QString m_videoCodec;
    bool m_useInputFilesVideoCodec = true;
    QString m_audioCodec;
    bool m_useInputFilesAudioCodec = true;
    KLAudioMode m_audioMode = KLAudioMode::Stereo;
    bool m_useInputFilesMonoStereo = true;
    QString m_downloadLocation;

    QString m_h264Mode;
    uint64_t m_h264CRFValue = 0;
    QString m_h264CRFSpeedPreset;
    uint64_t m_h264TwoPassBitRate = 0;
    QString m_h264TwoPassSpeedPreset;
    QString m_h265Mode;
    uint64_t m_h265CRFValue = 0;
    QString m_h265CRFSpeedPreset;
    uint64_t m_h265TwoPassBitRate = 0;
    QString m_h265TwoPassSpeedPreset;
    QString m_mpeg4Mode;
    QString m_mpeg4VTag;
    uint64_t m_mpeg4QScale = 0;
    uint64_t m_mpeg4TwoPassBitRate = 0;
    QString m_msmpeg4Mode;
    uint64_t m_msmpeg4QScale = 0;
    uint64_t m_msmpeg4TwoPassBitRate = 0;
    QString m_flvMode;
    uint64_t m_flvQScale = 0;
    uint64_t m_flvTwoPassBitRate = 0;
    QString m_wmv2Mode;
    uint64_t m_wmv2QScale = 0;
    uint64_t m_wmv2TwoPassBitRate = 0;
    QString m_mpegMode;
    uint64_t m_mpegQScale = 0;
    uint64_t m_mpegTwoPassBitRate = 0;
    QString m_vp8Mode;
    uint64_t m_vp8CRFValue = 0;
    uint64_t m_vp8TwoPassBitRate = 0;
    QString m_vp9Mode;
    uint64_t m_vp9CRFValue = 0;
    uint64_t m_vp9TwoPassBitRate = 0;
    QString m_aacMode;
    uint64_t m_aacVariableBitRateQuality = 0;
    uint64_t m_aacConstantBitRate = 0;
    uint64_t m_aacSampleRate = 0;
    QString m_mp3Mode;
    uint64_t m_mp3VariableBitRateQuality = 0;
    uint64_t m_mp3ConstantBitRate = 0;
    uint64_t m_mp3SampleRate = 0;
    uint64_t m_wavSampleRate = 0;
    uint64_t m_wmav2Bitrate = 0;
    uint64_t m_wmav2SampleRate = 0;
    uint64_t m_mp2Bitrate = 0;
    uint64_t m_mp2SampleRate = 0;
    QString m_vorbisMode;
    uint64_t m_vorbisVariableBitRateQuality = 0;
    uint64_t m_vorbisConstantBitRate = 0;
    uint64_t m_vorbisSampleRate = 0;
};
