#include "KLPreferencesTestRecord.h"

#include "Model/Preferences/KLPreferences.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// Consoles write audio fields in every output mode; the Apple devices leave them alone in Video Only.
enum class Family { Console, Apple };

struct PresetRow {
    const char *name;
    const char *videoContainer;
    const char *audioContainer;
    int width;
    int height;
    const char *videoCodec;
    const char *audioWithVideo;
    const char *audioOnly;
    Family family;
    void (KLPreferences::*routine)();
};

const std::vector<PresetRow> &presetTable() {
    using P = KLPreferences;
    static const std::vector<PresetRow> rows = {
        {"Playstation Vita", "mp4", "mp3", 960, 544, "h264", "aac", "mp3", Family::Console,
         &P::setupForPlaystationVita},
        {"PlayStation 3", "mp4", "mp3", 1280, 720, "h264", "aac", "mp3", Family::Console,
         &P::setupForPlaystation3},
        {"PlayStation 4", "mp4", "m4a", 1280, 720, "h264", "aac", "aac", Family::Console,
         &P::setupForPlaystation4},
        {"PlayStation 4 Pro", "mp4", "m4a", 3840, 2160, "h264", "aac", "aac", Family::Console,
         &P::setupForPlaystation4Pro},
        {"XBOX One", "wmv", "mp3", 1280, 720, "wmv2", "wmav2", "mp3", Family::Console, &P::setupForXBOXOne},
        {"XBOX One X", "wmv", "mp3", 3840, 2160, "wmv2", "wmav2", "mp3", Family::Console,
         &P::setupForXBOXOneX},
        {"Mac Viewing", "mov", "m4a", 1280, 720, "h264", "aac", "aac", Family::Apple, &P::setupForMacViewing},
        {"Mac Viewing (High Sierra)", "mov", "m4a", 1280, 720, "h265", "aac", "aac", Family::Apple,
         &P::setupForMacViewingHighSierra},
        {"Mac Viewing (Full HD if posssible)", "mov", "m4a", 1920, 1080, "h264", "aac", "aac", Family::Apple,
         &P::setupForMacViewingFullHD},
        {"Mac Viewing (High Sierra, Full HD if possible)", "mov", "m4a", 1920, 1080, "h265", "aac", "aac",
         Family::Apple, &P::setupForMacViewingHighSierraFullHD},
        {"Mac Viewing (Ultra HD if possible)", "mov", "m4a", 3840, 2160, "h264", "aac", "aac", Family::Apple,
         &P::setupForMacViewingUltraHD},
        {"Mac Viewing (High Sierra, Ultra HD if possible)", "mov", "m4a", 3840, 2160, "h265", "aac", "aac",
         Family::Apple, &P::setupForMacViewingHighSierraUltraHD},
        {"iPhone 5, 5s, 5c, SE", "mov", "m4a", 1136, 640, "h264", "aac", "aac", Family::Apple,
         &P::setupForIPhone55s5cSe},
        {"iPhone 6, 6s, 7, 8", "mov", "m4a", 1334, 750, "h264", "aac", "aac", Family::Apple,
         &P::setupForIPhone66S78},
        {"iPhone 6+, 6s+, 7+, 8+", "mov", "m4a", 2208, 1242, "h264", "aac", "aac", Family::Apple,
         &P::setupForiPhone6Plus6sPlus7Plus8Plus},
        {"iPhone 5, 5s, 5c, SE (iOS 11+)", "mov", "m4a", 1136, 640, "h265", "aac", "aac", Family::Apple,
         &P::setupForIPhone55s5cSeIOS11},
        {"iPhone 6, 6s, 7, 8 (iOS 11+)", "mov", "m4a", 1334, 750, "h265", "aac", "aac", Family::Apple,
         &P::setupForIPhone66S78IOS11},
        {"iPhone 6+, 6s+, 7+, 8+ (iOS 11+)", "mov", "m4a", 2208, 1242, "h265", "aac", "aac", Family::Apple,
         &P::setupForiPhone6Plus6sPlus7Plus8PlusIOS11},
        {"iPhone X", "mov", "m4a", 2436, 1125, "h265", "aac", "aac", Family::Apple, &P::setupForIPhoneX},
        {"iPad Mini 2, 3, 4", "mov", "m4a", 2048, 1536, "h264", "aac", "aac", Family::Apple,
         &P::setupForIPadMini234},
        {"iPad Air, iPad Air 2, iPad Pro 9.7", "mov", "m4a", 2048, 1536, "h264", "aac", "aac", Family::Apple,
         &P::setupForIPadAirIPadAir2IPadPro97},
        {"iPad Pro 10.5", "mov", "m4a", 2224, 1668, "h264", "aac", "aac", Family::Apple,
         &P::setupForIPadPro105},
        {"iPad Pro 12.9", "mov", "m4a", 2732, 2048, "h264", "aac", "aac", Family::Apple,
         &P::setupForIPadPro129},
        {"iPad Mini 2, 3, 4 (iOS 11+)", "mov", "m4a", 2048, 1536, "h265", "aac", "aac", Family::Apple,
         &P::setupForIPadMini234IOS11},
        {"iPad Air, iPad Air 2, iPad Pro 9.7 (iOS 11+)", "mov", "m4a", 2048, 1536, "h265", "aac", "aac",
         Family::Apple, &P::setupForIPadAirIPadAir2IPadPro97IOS11},
        {"iPad Pro 10.5 (iOS 11+)", "mov", "m4a", 2224, 1668, "h265", "aac", "aac", Family::Apple,
         &P::setupForIPadPro105IOS11},
        {"iPad Pro 12.9 (iOS 11+)", "mov", "m4a", 2732, 2048, "h265", "aac", "aac", Family::Apple,
         &P::setupForIPadPro129IOS11},
    };
    return rows;
}

using Snapshot = QMap<QString, QString>;

// The stored texts a preset writes for one codec it uses; every other field of that codec stays.
Snapshot codecSettings(const QString &codec) {
    if (codec == s("h264") || codec == s("h265")) {
        return {{codec + s("Mode"), KLPreferences::constantRateFactorMode},
                {codec + s("CRFValue"), s("23")},
                {codec + s("CRFSpeedPreset"), s("veryfast")}};
    }
    if (codec == s("wmv2")) {
        return {{s("wmv2Mode"), KLPreferences::variableBitrateMode}, {s("wmv2QScale"), s("1")}};
    }
    if (codec == s("aac") || codec == s("mp3")) {
        return {{codec + s("Mode"), KLPreferences::variableBitrateMode},
                {codec + s("VariableBitRateQuality"), s("0")}};
    }
    if (codec == s("wmav2")) {
        return {{s("wmav2Bitrate"), s("224000")}};
    }
    ADD_FAILURE() << "no settings known for " << codec.toStdString();
    return {};
}

Snapshot expectedWrites(const PresetRow &row, KLOutputMode mode) {
    Snapshot writes = {{s("outputFor"), s(row.name)}};
    const bool audioOnly = mode == KLOutputMode::AudioOnly;
    writes.insert(s("container"), s(audioOnly ? row.audioContainer : row.videoContainer));
    if (!audioOnly) {
        writes.insert(s("resolution"), QStringLiteral("%1x%2").arg(row.width).arg(row.height));
        writes.insert(s("keepAspectRatio"), s("yes"));
        writes.insert(s("useInputFilesResolution"), s("no"));
        writes.insert(s("useAsMaximumResolution"), s("yes"));
        writes.insert(s("videoCodec"), s(row.videoCodec));
        writes.insert(s("useInputFilesVideoCodec"), s("no"));
        writes.insert(codecSettings(s(row.videoCodec)));
    }
    const char *audioCodec = nullptr;
    if (audioOnly) {
        audioCodec = row.audioOnly;
    } else if (mode == KLOutputMode::VideoAndAudio || row.family == Family::Console) {
        audioCodec = row.audioWithVideo;
    }
    if (audioCodec != nullptr) {
        writes.insert(s("audioCodec"), s(audioCodec));
        writes.insert(s("useInputFilesAudioCodec"), s("no"));
        writes.insert(s("useInputFilesChannels"), s("yes"));
        writes.insert(codecSettings(s(audioCodec)));
    }
    return writes;
}

// A record whose every field holds a value no preset writes, in the given output mode.
std::shared_ptr<KLPreferences> awayFromDefaults(KLOutputMode mode) {
    auto preferences = std::make_shared<KLPreferences>();
    KLPreferencesTestRecord::setAwayFromDefaults(*preferences);
    preferences->setOutputMode(mode);
    return preferences;
}

const std::vector<KLOutputMode> allModes = {KLOutputMode::VideoAndAudio, KLOutputMode::VideoOnly,
                                            KLOutputMode::AudioOnly};

} // namespace

TEST(DevicePresets, TheTableCoversEveryListedPresetInOrder) {
    QStringList names;
    for (const PresetRow &row : presetTable()) {
        names.append(s(row.name));
    }
    names.append(KLPreferences::downloadOnlyNoConversion);
    EXPECT_EQ(KLPreferences::listOutputFors(), names);
}

TEST(DevicePresets, EveryPresetInEveryModeWritesExactlyItsFields) {
    for (const PresetRow &row : presetTable()) {
        for (const KLOutputMode mode : allModes) {
            SCOPED_TRACE(std::string(row.name) + " / " +
                         KLPreferences::outputModeToString(mode).toStdString());
            const auto preferences = awayFromDefaults(mode);
            Snapshot expected = KLPreferencesTestRecord::snapshot(*preferences);
            expected.insert(expectedWrites(row, mode));

            preferences->setupOutputFor(s(row.name));
            const Snapshot actual = KLPreferencesTestRecord::snapshot(*preferences);
            for (auto field = expected.cbegin(); field != expected.cend(); ++field) {
                EXPECT_EQ(actual.value(field.key()), field.value()) << field.key().toStdString();
            }
            EXPECT_EQ(preferences->outputMode(), mode);
        }
    }
}

TEST(DevicePresets, EachRoutineAppliesItsRowWithoutStoringTheName) {
    for (const PresetRow &row : presetTable()) {
        for (const KLOutputMode mode : allModes) {
            SCOPED_TRACE(row.name);
            const auto byName = awayFromDefaults(mode);
            const auto byRoutine = awayFromDefaults(mode);
            byName->setupOutputFor(s(row.name));
            ((*byRoutine).*row.routine)();
            EXPECT_EQ(byRoutine->outputFor(), s("XBOX One X"));
            byRoutine->setOutputFor(s(row.name));
            EXPECT_EQ(KLPreferencesTestRecord::snapshot(*byRoutine),
                      KLPreferencesTestRecord::snapshot(*byName));
        }
    }
}

TEST(DevicePresets, DownloadOnlyWritesOnlyTheContainerAndSurvivesAModeChange) {
    for (const KLOutputMode mode : allModes) {
        const auto preferences = awayFromDefaults(mode);
        Snapshot expected = KLPreferencesTestRecord::snapshot(*preferences);
        expected.insert(s("container"), KLPreferences::downloadOnlyNoConversion);
        expected.insert(s("outputFor"), KLPreferences::downloadOnlyNoConversion);
        preferences->setupOutputFor(KLPreferences::downloadOnlyNoConversion);
        EXPECT_EQ(KLPreferencesTestRecord::snapshot(*preferences), expected);

        // What the output mode choice does: store the mode, then re-apply the current preset.
        preferences->setOutputMode(KLOutputMode::AudioOnly);
        preferences->setupOutputFor(preferences->outputFor());
        expected.insert(s("outputMode"), s("Audio Only"));
        EXPECT_EQ(KLPreferencesTestRecord::snapshot(*preferences), expected);
    }
    auto routine = awayFromDefaults(KLOutputMode::VideoAndAudio);
    routine->setupDownloadOnlyNoConversion();
    EXPECT_EQ(routine->container(), KLPreferences::downloadOnlyNoConversion);
    EXPECT_EQ(routine->outputFor(), s("XBOX One X"));
}

TEST(DevicePresets, NamesMatchIgnoringCaseAndAreStoredAsGiven) {
    const auto preferences = awayFromDefaults(KLOutputMode::VideoAndAudio);
    preferences->setupOutputFor(s("mac viewing"));
    EXPECT_EQ(preferences->outputFor(), s("mac viewing"));
    EXPECT_EQ(preferences->container(), s("mov"));
    EXPECT_EQ(preferences->videoCodec(), s("h264"));
    EXPECT_TRUE(KLPreferences::isKnownOutputFor(s("IPHONE X")));
    EXPECT_FALSE(KLPreferences::isKnownOutputFor(s("iPhone 11")));
    EXPECT_FALSE(KLPreferences::isKnownOutputFor(QString()));
}

TEST(DevicePresets, ChangingTheModeReappliesThePresetForTheNewMode) {
    KLPreferences preferences;
    preferences.setupOutputFor(s("XBOX One"));
    EXPECT_EQ(preferences.container(), s("wmv"));
    EXPECT_EQ(preferences.audioCodec(), s("wmav2"));

    preferences.setOutputMode(KLOutputMode::AudioOnly);
    preferences.setupOutputFor(preferences.outputFor());
    EXPECT_EQ(preferences.container(), s("mp3"));
    EXPECT_EQ(preferences.audioCodec(), s("mp3"));
    // Video fields from the earlier application stay as they were.
    EXPECT_EQ(preferences.videoCodec(), s("wmv2"));
}

TEST(DevicePresets, LaterPresetsLeaveCodecsTheyDoNotUse) {
    KLPreferences preferences;
    preferences.setupOutputFor(s("Playstation Vita"));
    preferences.setH264CRFValue(30);
    preferences.setupOutputFor(s("iPhone X"));
    EXPECT_EQ(preferences.videoCodec(), s("h265"));
    EXPECT_EQ(preferences.h264CRFValue(), 30u);
    EXPECT_EQ(preferences.h264Mode(), KLPreferences::constantRateFactorMode);
}

TEST(DevicePresets, UnknownNamesStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    KLPreferences preferences;
    EXPECT_DEATH(preferences.setupOutputFor(s("Nintendo Switch")),
                 "Nintendo Switch outputFor not implemented");
    EXPECT_DEATH(preferences.setupOutputFor(QString()), "Invalid outputFor: nil");
}
