#include "KLPreferencesTestRecord.h"

#include "Model/Preferences/KLPreferences.h"
#include "Model/Preferences/KLPreferencesListener.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

QStringList names(std::initializer_list<const char *> list) {
    QStringList result;
    for (const char *name : list) {
        result.append(s(name));
    }
    return result;
}

} // namespace

TEST(Preferences, FreshRecordHasTheStartUpPresetOverTheInitialValues) {
    // This system reports version 0.0.0, which is not High Sierra, so "Mac Viewing" applies.
    KLPreferences preferences;
    EXPECT_EQ(preferences.container(), s("mov"));
    EXPECT_EQ(preferences.outputFor(), s("Mac Viewing"));
    EXPECT_EQ(preferences.outputMode(), KLOutputMode::VideoAndAudio);
    EXPECT_EQ(preferences.resolution(), QSizeF(1280, 720));
    EXPECT_TRUE(preferences.useAsMaximumResolution());
    EXPECT_TRUE(preferences.keepAspectRatio());
    EXPECT_FALSE(preferences.useInputFilesResolution());
    EXPECT_EQ(preferences.videoCodec(), s("h264"));
    EXPECT_FALSE(preferences.useInputFilesVideoCodec());
    EXPECT_EQ(preferences.audioCodec(), s("aac"));
    EXPECT_FALSE(preferences.useInputFilesAudioCodec());
    EXPECT_TRUE(preferences.useInputFilesMonoStereo());
    EXPECT_EQ(preferences.audioMode(), KLAudioMode::Stereo);
    EXPECT_EQ(preferences.settingsLevel(), KLSettingsLevel::Beginner);
    EXPECT_FALSE(preferences.useSubtitles());
    EXPECT_TRUE(preferences.downloadLocation().isEmpty());

    // Codecs the preset does not use keep their own initial values.
    EXPECT_EQ(preferences.mpeg4VTag(), s("xvid"));
    EXPECT_EQ(preferences.vp9CRFValue(), 31u);
    EXPECT_EQ(preferences.vorbisVariableBitRateQuality(), 3u);
    EXPECT_EQ(preferences.h264TwoPassBitRate(), 1200000u);
}

TEST(Preferences, InitDefaultsRestoresEveryField) {
    KLPreferences reference;
    KLPreferences edited;
    KLPreferencesTestRecord::setAwayFromDefaults(edited);
    ASSERT_NE(KLPreferencesTestRecord::snapshot(edited), KLPreferencesTestRecord::snapshot(reference));
    edited.initDefaults();
    EXPECT_EQ(KLPreferencesTestRecord::snapshot(edited), KLPreferencesTestRecord::snapshot(reference));
}

TEST(PreferencesCatalogue, CodecsPerContainer) {
    struct Row {
        const char *container;
        QStringList video;
        QStringList audio;
    };
    const std::vector<Row> table = {
        {"mp4", names({"h264", "mpeg", "h265"}), names({"aac"})},
        {"mov", names({"h264", "mpeg", "h265"}), names({"aac", "mp3"})},
        {"mpeg", names({"mpeg"}), names({"mp2"})},
        {"avi", names({"wmv2", "flv", "mpeg", "mpeg4"}), names({"aac", "mp3", "wmav2"})},
        {"flv", names({"flv"}), names({"mp3"})},
        {"wmv", names({"msmpeg4", "wmv2"}), names({"mp3", "wmav2"})},
        {"3g2", names({"h264", "mpeg"}), names({"aac"})},
        {"webm", names({"vp9", "vp8"}), names({"vorbis"})},
        {"m4a", {}, names({"aac"})},
        {"mp3", {}, names({"mp3"})},
        {"wav", {}, names({"wav"})},
        {"ogg", {}, names({"vorbis"})},
        {"Download only (no conversion)", {}, {}},
        {"mkv", {}, {}},
        {"MP4", {}, {}},
    };
    for (const Row &row : table) {
        SCOPED_TRACE(row.container);
        EXPECT_EQ(KLPreferences::listVideoCodecNamesForContainer(s(row.container)), row.video);
        EXPECT_EQ(KLPreferences::listAudioCodecNamesForContainer(s(row.container)), row.audio);
    }
}

TEST(PreferencesCatalogue, MergedCodecListsHoldEachCodecOnceInContainerOrder) {
    EXPECT_EQ(KLPreferences::listVideoCodecs(),
              names({"h264", "mpeg", "h265", "wmv2", "flv", "mpeg4", "msmpeg4", "vp9", "vp8"}));
    EXPECT_EQ(KLPreferences::listAudioCodecs(), names({"aac", "mp3", "mp2", "wmav2", "vorbis", "wav"}));
}

TEST(PreferencesCatalogue, ContainersOutputModesAndPresets) {
    EXPECT_EQ(KLPreferences::listVideoContainers(), names({"mp4", "mov", "mpeg", "avi", "flv", "wmv", "3g2",
                                                           "webm", "Download only (no conversion)"}));
    EXPECT_EQ(KLPreferences::listAudioContainers(),
              names({"m4a", "mp3", "wav", "ogg", "Download only (no conversion)"}));
    EXPECT_EQ(
        KLPreferences::listOutputModes(),
        (QList<KLOutputMode>{KLOutputMode::VideoAndAudio, KLOutputMode::VideoOnly, KLOutputMode::AudioOnly}));
    EXPECT_EQ(KLPreferences::listSettingsLevels(),
              (QList<KLSettingsLevel>{KLSettingsLevel::Beginner, KLSettingsLevel::Intermediate,
                                      KLSettingsLevel::Advanced, KLSettingsLevel::Expert}));

    const QStringList presets = KLPreferences::listOutputFors();
    ASSERT_EQ(presets.size(), 28);
    EXPECT_EQ(presets.first(), s("Playstation Vita"));
    EXPECT_EQ(presets.at(8), s("Mac Viewing (Full HD if posssible)"));
    EXPECT_EQ(presets.last(), KLPreferences::downloadOnlyNoConversion);
    // Names are matched ignoring case, so no two may be equal that way.
    for (qsizetype first = 0; first < presets.size(); ++first) {
        for (qsizetype second = first + 1; second < presets.size(); ++second) {
            EXPECT_NE(presets.at(first).compare(presets.at(second), Qt::CaseInsensitive), 0);
        }
    }
}

TEST(PreferencesCatalogue, ModesPerCodec) {
    const QStringList rateFactor = {KLPreferences::constantRateFactorMode,
                                    KLPreferences::constantBitrateTwoPassMode};
    const QStringList qualityScale = {KLPreferences::variableBitrateMode,
                                      KLPreferences::constantBitrateTwoPassMode};
    const QStringList audio = {KLPreferences::variableBitrateMode, KLPreferences::constantBitrateMode};
    for (const QStringList &modes : {KLPreferences::listH264Modes(), KLPreferences::listH265Modes(),
                                     KLPreferences::listVP8Modes(), KLPreferences::listVP9Modes()}) {
        EXPECT_EQ(modes, rateFactor);
    }
    for (const QStringList &modes :
         {KLPreferences::listMPEG4Modes(), KLPreferences::listMSMPEG4Modes(), KLPreferences::listFLVModes(),
          KLPreferences::listWMV2Modes(), KLPreferences::listMPEGModes()}) {
        EXPECT_EQ(modes, qualityScale);
    }
    for (const QStringList &modes :
         {KLPreferences::listAACModes(), KLPreferences::listMP3Modes(), KLPreferences::listVorbisModes()}) {
        EXPECT_EQ(modes, audio);
    }
    EXPECT_EQ(KLPreferences::constantBitrateTwoPassMode, s("Constant Bitrate, Two Pass Conversion (CB)"));
}

TEST(PreferencesCatalogue, ResolutionsKeepTheirHistoricalOddSizes) {
    const QList<QSizeF> resolutions = KLPreferences::listDefaultVideoResolutions();
    ASSERT_EQ(resolutions.size(), 34);
    EXPECT_EQ(resolutions.first(), QSizeF(128, 96));
    EXPECT_EQ(resolutions.last(), QSizeF(7680, 4800));
    EXPECT_TRUE(resolutions.contains(QSizeF(1366, 788)));
    EXPECT_TRUE(resolutions.contains(QSizeF(480, 268)));
    EXPECT_TRUE(resolutions.contains(QSizeF(6500, 4096)));
    EXPECT_EQ(KLPreferences::listFFMPEGSpeedPresets().size(), 8);
}

TEST(PreferencesTexts, EnumerationsRoundTripAndIgnoreCase) {
    const std::vector<std::pair<KLSettingsLevel, const char *>> levels = {
        {KLSettingsLevel::Beginner, "Beginner"},
        {KLSettingsLevel::Intermediate, "Intermediate"},
        {KLSettingsLevel::Advanced, "Advanced"},
        {KLSettingsLevel::Expert, "Expert"}};
    for (const auto &[level, text] : levels) {
        EXPECT_EQ(KLPreferences::settingsLevelToString(level), s(text));
        EXPECT_EQ(KLPreferences::stringToSettingsLevel(s(text).toUpper()), level);
        EXPECT_EQ(KLPreferences::stringToSettingsLevel(s(text).toLower()), level);
    }
    const std::vector<std::pair<KLOutputMode, const char *>> modes = {
        {KLOutputMode::VideoOnly, "Video Only"},
        {KLOutputMode::AudioOnly, "Audio Only"},
        {KLOutputMode::VideoAndAudio, "Video and Audio"}};
    for (const auto &[mode, text] : modes) {
        EXPECT_EQ(KLPreferences::outputModeToString(mode), s(text));
        EXPECT_EQ(KLPreferences::stringToOutputMode(s(text).toUpper()), mode);
    }
    EXPECT_EQ(KLPreferences::audioModeToString(KLAudioMode::Mono), s("Mono"));
    EXPECT_EQ(KLPreferences::audioModeToString(KLAudioMode::Stereo), s("Stereo"));
    EXPECT_EQ(KLPreferences::stringToAudioMode(s("sTeReO")), KLAudioMode::Stereo);
    EXPECT_EQ(KLPreferences::stringToSettingsLevel(s("EXPERT")), KLSettingsLevel::Expert);

    EXPECT_FALSE(KLPreferences::settingsLevelFromString(s("Expert ")).has_value());
    EXPECT_FALSE(KLPreferences::outputModeFromString(s("Video")).has_value());
    EXPECT_FALSE(KLPreferences::audioModeFromString(QString()).has_value());
}

TEST(PreferencesTexts, ValuesOutsideTheCatalogueStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(KLPreferences::stringToSettingsLevel(s("Guru")), "Uknown settings level string Guru");
    EXPECT_DEATH(KLPreferences::stringToOutputMode(s("Both")), "Unknown output mode string: Both");
    EXPECT_DEATH(KLPreferences::stringToAudioMode(s("Surround")), "Uknown audio mode string Surround");
    EXPECT_DEATH(KLPreferences::settingsLevelToString(static_cast<KLSettingsLevel>(9)),
                 "Unknown settings level");
    EXPECT_DEATH(KLPreferences::outputModeToString(static_cast<KLOutputMode>(-1)), "Uknown output mode");
    EXPECT_DEATH(KLPreferences::audioModeToString(static_cast<KLAudioMode>(2)), "Unknown audio mode");
}

TEST(PreferencesTexts, Bitrates) {
    struct Case {
        uint64_t bitrate;
        const char *units;
        const char *text;
    };
    const std::vector<Case> cases = {
        {224000, "kbps", "224 kbps"},
        {1500, "bps", "1500 bps"},
        {3000000, "mbps", "3 mbps"},
        {1200000, "kbps", "1200 kbps"},
        {2000000, "mbps", "2 mbps"},
        {999, "bps", "999 bps"},
        // One bit more than a whole megabit must not be shown, and later stored, as "1 mbps".
        {1000001, "bps", "1000001 bps"},
    };
    for (const Case &entry : cases) {
        SCOPED_TRACE(entry.bitrate);
        EXPECT_EQ(KLPreferences::bitrateToUnits(entry.bitrate), s(entry.units));
        EXPECT_EQ(KLPreferences::bitrateToString(entry.bitrate), s(entry.text));
        EXPECT_EQ(KLPreferences::stringToBitrate(s(entry.text)), entry.bitrate);
    }
    for (const uint64_t bitrate :
         KLPreferences::listMP2Bitrates() + KLPreferences::listDefaultVideoBitrates()) {
        EXPECT_EQ(KLPreferences::stringToBitrate(KLPreferences::bitrateToString(bitrate)), bitrate);
    }
    EXPECT_EQ(KLPreferences::unitsToMult(s("mbps")), 1000000u);
    EXPECT_EQ(KLPreferences::unitsToMult(s("kilo")), 1000u);
    EXPECT_EQ(KLPreferences::unitsToMult(s("Kbps")), 1u);
    EXPECT_EQ(KLPreferences::stringsToBitrate(s("64"), s("kbps")), 64000u);
    EXPECT_EQ(KLPreferences::stringToBitrate(s("500")), 500u);
    EXPECT_EQ(KLPreferences::stringToBitrate(s("96kbps kbps")), 96000u);
    EXPECT_EQ(KLPreferences::stringToBitrate(s("fast kbps")), 0u);
    EXPECT_EQ(KLPreferences::stringToBitrate(s("-5 kbps")), 0u);
    EXPECT_EQ(KLPreferences::stringToBitrate(QString()), 0u);
}

TEST(Preferences, SetupContainerPicksTheFirstCodecsOrNone) {
    KLPreferences preferences;
    preferences.setupContainer(s("webm"));
    EXPECT_EQ(preferences.container(), s("webm"));
    EXPECT_EQ(preferences.videoCodec(), s("vp9"));
    EXPECT_EQ(preferences.audioCodec(), s("vorbis"));

    preferences.setupContainer(s("m4a"));
    EXPECT_TRUE(preferences.videoCodec().isEmpty());
    EXPECT_EQ(preferences.audioCodec(), s("aac"));

    const auto before = KLPreferencesTestRecord::snapshot(preferences);
    preferences.setupContainer(KLPreferences::downloadOnlyNoConversion);
    EXPECT_TRUE(preferences.videoCodec().isEmpty());
    EXPECT_TRUE(preferences.audioCodec().isEmpty());
    // Nothing but the container and the two codecs moves.
    auto after = KLPreferencesTestRecord::snapshot(preferences);
    for (const char *key : {"container", "videoCodec", "audioCodec"}) {
        after.insert(s(key), before.value(s(key)));
    }
    EXPECT_EQ(after, before);
}

namespace {

class RecordingListener : public KLPreferencesListener {
public:
    explicit RecordingListener(std::vector<QString> *calls, const char *name)
        : m_calls(calls), m_name(s(name)) {}
    void preferencesDidChangeSettingsLevel(KLPreferences *preferences, KLSettingsLevel level) override {
        m_calls->push_back(m_name + QLatin1Char(':') + KLPreferences::settingsLevelToString(level));
        lastPreferences = preferences;
        levelSeenInRecord = preferences->settingsLevel();
    }
    KLPreferences *lastPreferences = nullptr;
    KLSettingsLevel levelSeenInRecord = KLSettingsLevel::Beginner;

private:
    std::vector<QString> *m_calls;
    QString m_name;
};

class SilentListener : public KLPreferencesListener {};

} // namespace

TEST(PreferencesListeners, NotifiedInOrderOnceEachAndOnlyForTheSettingsLevel) {
    KLPreferences preferences;
    std::vector<QString> calls;
    auto first = std::make_shared<RecordingListener>(&calls, "first");
    auto second = std::make_shared<RecordingListener>(&calls, "second");
    preferences.addListener(first);
    preferences.addListener(std::make_shared<SilentListener>());
    preferences.addListener(second);
    preferences.addListener(first);

    preferences.setSettingsLevel(KLSettingsLevel::Advanced);
    EXPECT_EQ(calls, (std::vector<QString>{s("first:Advanced"), s("second:Advanced")}));
    EXPECT_EQ(first->lastPreferences, &preferences);
    EXPECT_EQ(first->levelSeenInRecord, KLSettingsLevel::Advanced);

    calls.clear();
    preferences.setOutputMode(KLOutputMode::AudioOnly);
    preferences.setupOutputFor(s("iPhone X"));
    preferences.setupContainer(s("mp4"));
    EXPECT_TRUE(calls.empty());

    // Added twice, removed once: gone.
    preferences.removeListener(first);
    preferences.setSettingsLevel(KLSettingsLevel::Expert);
    EXPECT_EQ(calls, (std::vector<QString>{s("second:Expert")}));
}

TEST(PreferencesListeners, AListenerMayRemoveItselfWhileCalled) {
    class SelfRemoving : public KLPreferencesListener {
    public:
        void preferencesDidChangeSettingsLevel(KLPreferences *preferences, KLSettingsLevel) override {
            ++calls;
            preferences->removeListener(self.lock());
        }
        std::weak_ptr<KLPreferencesListener> self;
        int calls = 0;
    };
    KLPreferences preferences;
    auto listener = std::make_shared<SelfRemoving>();
    listener->self = listener;
    preferences.addListener(listener);
    preferences.setSettingsLevel(KLSettingsLevel::Advanced);
    preferences.setSettingsLevel(KLSettingsLevel::Expert);
    EXPECT_EQ(listener->calls, 1);
}

TEST(PreferencesCopy, EqualFieldByFieldIndependentAndWithoutListeners) {
    KLPreferences original;
    KLPreferencesTestRecord::setAwayFromDefaults(original);
    std::vector<QString> calls;
    original.addListener(std::make_shared<RecordingListener>(&calls, "original"));

    const std::shared_ptr<KLPreferences> copy = original.copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(KLPreferencesTestRecord::snapshot(*copy), KLPreferencesTestRecord::snapshot(original));
    EXPECT_EQ(copy->resolution(), QSizeF(111, 222));
    EXPECT_TRUE(calls.empty());

    copy->setSettingsLevel(KLSettingsLevel::Beginner);
    copy->setDownloadLocation(s("/tmp/entry/video.mov"));
    copy->setupOutputFor(s("PlayStation 4"));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(original.settingsLevel(), KLSettingsLevel::Expert);
    EXPECT_EQ(original.downloadLocation(), s("/srv/videos, new"));
    EXPECT_EQ(original.container(), s("avi"));
}

namespace {

// Counts how often the record reports a change; the stored preferences write the whole store each time.
class CountingPreferences final : public KLPreferences {
public:
    int changes = 0;

protected:
    void fieldsDidChange() override { ++changes; }
};

} // namespace

TEST(Preferences, CompoundOperationsReportOneChange) {
    CountingPreferences preferences;
    preferences.changes = 0;
    preferences.setupOutputFor(s("XBOX One"));
    EXPECT_EQ(preferences.changes, 1);
    preferences.setupContainer(s("mp4"));
    EXPECT_EQ(preferences.changes, 2);
    preferences.setSettingsLevel(KLSettingsLevel::Expert);
    EXPECT_EQ(preferences.changes, 3);
    preferences.setVp9CRFValue(20);
    EXPECT_EQ(preferences.changes, 4);
}
