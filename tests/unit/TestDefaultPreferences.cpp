#include "KLPreferencesTestRecord.h"
#include "KLTestEnvironment.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <vector>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

using StoredSet = QMap<QString, QString>;

KLSettingsStore store() {
    return KLSettingsStore(KLDefaultPreferences::storeFilePath());
}

// What the file holds now, before any write still waiting for the event loop.
StoredSet fileNow() {
    StoredSet values;
    const QHash<QString, QVariant> stored = store().read();
    for (auto value = stored.cbegin(); value != stored.cend(); ++value) {
        values.insert(value.key(), value.value().toString());
    }
    return values;
}

// What the file holds once the writes the changes asked for have run.
StoredSet readStore() {
    KLTestEnvironment::runPostedWork();
    return fileNow();
}

void writeStore(const StoredSet &values) {
    store().write([&values](QSettings &settings) {
        settings.clear();
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            settings.setValue(value.key(), value.value());
        }
    });
}

mode_t permissionsOf(const QString &path) {
    struct stat status {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0) << path.toStdString();
    return status.st_mode & 07777;
}

// Every key the store holds, as the rest of the system and earlier versions read them.
QStringList expectedKeys() {
    QStringList keys;
    for (const char *key : {"container",
                            "outputMode",
                            "outputFor",
                            "settingsLevel",
                            "useSubtitles",
                            "resolution",
                            "useAsMaximumResolution",
                            "useInputFilesResolution",
                            "keepAspectRatio",
                            "videoCodec",
                            "useInputFilesVideoCodec",
                            "audioCodec",
                            "useInputFilesAudioCodec",
                            "audioMode",
                            "useInputFilesChannels",
                            "downloadLocation",
                            "numberOfConcurrentDownloads",
                            "numberOfConcurrentProcessing",
                            "automaticallyStartDownloading",
                            "importIntoITunes",
                            "automaticallyRemoveWhenCompleted",
                            "theme",
                            "queueSize",
                            "provider",
                            "useProxy",
                            "proxyProtocol",
                            "proxyHost",
                            "proxyPort",
                            "proxyUsername",
                            "proxyPassword",
                            "useUpdateProxy",
                            "updateProxyHost",
                            "updateProxyPort",
                            "updateProxyUsername",
                            "updateProxyPassword",
                            "sendNotifications",
                            "preferencesSaved",
                            "h264Mode",
                            "h264CRFValue",
                            "h264CRFSpeedPreset",
                            "h264TwoPassBitRate",
                            "h264TwoPassSpeedPreset",
                            "h265Mode",
                            "h265CRFValue",
                            "h265CRFSpeedPreset",
                            "h265TwoPassBitRate",
                            "h265TwoPassSpeedPreset",
                            "mpeg4Mode",
                            "mpeg4VTag",
                            "mpeg4QScale",
                            "mpeg4TwoPassBitRate",
                            "msmpeg4Mode",
                            "msmpeg4QScale",
                            "msmpeg4TwoPassBitRate",
                            "flvMode",
                            "flvQScale",
                            "flvTwoPassBitRate",
                            "wmv2Mode",
                            "wmv2QScale",
                            "wmv2TwoPassBitRate",
                            "mpegMode",
                            "mpegQScale",
                            "mpegTwoPassBitRate",
                            "aacMode",
                            "aacVariableBitRateQuality",
                            "aacConstantBitRate",
                            "aacSampleRate",
                            "mp3Mode",
                            "mp3VariableBitRateQuality",
                            "mp3ConstantBitRate",
                            "mp3SampleRate",
                            "wavSampleRate",
                            "wmav2Bitrate",
                            "wmav2SampleRate",
                            "mp2Bitrate",
                            "mp2SampleRate",
                            "vp8Mode",
                            "vp8CRFValue",
                            "vp8TwoPassBitRate",
                            "vp9Mode",
                            "vp9CRFValue",
                            "vp9TwoPassBitRate",
                            "vorbisMode",
                            "vorbisVariableBitRateQuality",
                            "vorbisConstantBitRate",
                            "vorbisSampleRate",
                            "addButtonBehaviour",
                            "rememberQueue",
                            "followYoutubeLists",
                            "keptDownloadsDays",
                            "cookiesFromBrowser"}) {
        keys.append(s(key));
    }
    keys.sort();
    return keys;
}

void setApplicationFieldsAwayFromDefaults(KLDefaultPreferences &p) {
    p.setNumberOfConcurrentDownloads(5);
    p.setNumberOfConcurrentProcessing(2);
    p.setAutomaticallyStartDownloading(true);
    p.setImportIntoItunes(true);
    p.setAutomaticallyRemoveWhenCompleted(true);
    p.setTheme(s("dark"));
    p.setQueueSize(7);
    p.setProvider(s("tv-provider"));
    p.setUseProxy(true);
    p.setProxyProtocol(s("HTTP"));
    p.setProxyHost(s("proxy.example"));
    p.setProxyPort(s("8080"));
    p.setProxyUsername(s("user"));
    p.setProxyPassword(s("p@ss, word=1;#"));
    p.setUseUpdateProxy(true);
    p.setUpdateProxyHost(s("update.example"));
    p.setUpdateProxyPort(s("3128"));
    p.setUpdateProxyUsername(s("updater"));
    p.setUpdateProxyPassword(s("secret"));
    p.setSendNotifications(false);
    p.setAddButtonBehaviour(s("firefox"));
    p.setRememberQueue(s("all"));
    p.setFollowYoutubeLists(true);
    p.setKeptDownloadsDays(30);
    p.setCookiesFromBrowser(s("firefox:default-release"));
}

QStringList damageableKeys() {
    QStringList keys = expectedKeys();
    keys.removeAll(s("preferencesSaved"));
    return keys;
}

// The record's every field in its stored form, taken without writing the store.
StoredSet recordState(const KLDefaultPreferences &p) {
    StoredSet state = KLPreferencesTestRecord::snapshot(p);
    const auto yesNo = [](bool value) { return value ? s("yes") : s("no"); };
    const auto number = [](uint64_t value) { return QString::number(value); };
    state.insert(s("numberOfConcurrentDownloads"), number(p.numberOfConcurrentDownloads()));
    state.insert(s("numberOfConcurrentProcessing"), number(p.numberOfConcurrentProcessing()));
    state.insert(s("automaticallyStartDownloading"), yesNo(p.automaticallyStartDownloading()));
    state.insert(s("importIntoITunes"), yesNo(p.importIntoItunes()));
    state.insert(s("automaticallyRemoveWhenCompleted"), yesNo(p.automaticallyRemoveWhenCompleted()));
    state.insert(s("theme"), p.theme());
    state.insert(s("queueSize"), number(p.queueSize()));
    state.insert(s("provider"), p.provider());
    state.insert(s("useProxy"), yesNo(p.useProxy()));
    state.insert(s("proxyProtocol"), p.proxyProtocol());
    state.insert(s("proxyHost"), p.proxyHost());
    state.insert(s("proxyPort"), p.proxyPort());
    state.insert(s("proxyUsername"), p.proxyUsername());
    state.insert(s("proxyPassword"), p.proxyPassword());
    state.insert(s("useUpdateProxy"), yesNo(p.useUpdateProxy()));
    state.insert(s("updateProxyHost"), p.updateProxyHost());
    state.insert(s("updateProxyPort"), p.updateProxyPort());
    state.insert(s("updateProxyUsername"), p.updateProxyUsername());
    state.insert(s("updateProxyPassword"), p.updateProxyPassword());
    state.insert(s("sendNotifications"), yesNo(p.sendNotifications()));
    state.insert(s("addButtonBehaviour"), p.addButtonBehaviour());
    state.insert(s("rememberQueue"), p.rememberQueue());
    state.insert(s("followYoutubeLists"), yesNo(p.followYoutubeLists()));
    state.insert(s("keptDownloadsDays"), number(p.keptDownloadsDays()));
    state.insert(s("cookiesFromBrowser"), p.cookiesFromBrowser());
    state.insert(s("preferencesSaved"), s("yes"));
    return state;
}

// Loads the given store into a fresh record and returns the record's fields.
StoredSet loadedState(const StoredSet &stored) {
    writeStore(stored);
    KLDefaultPreferences preferences;
    preferences.load();
    return recordState(preferences);
}

class DefaultPreferences : public ::testing::Test {
protected:
    void SetUp() override { writeStore({}); }
    void TearDown() override { writeStore({}); }

    // What the store holds after a fresh record saved its defaults.
    static StoredSet defaultSet() {
        writeStore({});
        KLDefaultPreferences preferences;
        preferences.save();
        StoredSet values = readStore();
        writeStore({});
        return values;
    }

    // What the store holds after a record whose every field differs from its default saved itself.
    static StoredSet editedSet() {
        writeStore({});
        KLDefaultPreferences preferences;
        preferences.setSaving(false);
        KLPreferencesTestRecord::setAwayFromDefaults(preferences);
        setApplicationFieldsAwayFromDefaults(preferences);
        preferences.setSaving(true);
        preferences.save();
        StoredSet values = readStore();
        writeStore({});
        return values;
    }
};

} // namespace

TEST_F(DefaultPreferences, FreshStoreKeepsDefaultsAndTheFirstChangeWritesEveryKey) {
    KLDefaultPreferences preferences;
    EXPECT_TRUE(readStore().isEmpty()) << "creating the record must not write";
    const auto before = KLPreferencesTestRecord::snapshot(preferences);
    preferences.load();
    EXPECT_EQ(KLPreferencesTestRecord::snapshot(preferences), before);
    EXPECT_EQ(preferences.downloadLocation(), KLKinolarkUtils::getDesktopDirectory());
    EXPECT_EQ(preferences.numberOfConcurrentDownloads(), 3u);
    EXPECT_EQ(preferences.numberOfConcurrentProcessing(), 1u);
    EXPECT_EQ(preferences.theme(), s("light"));
    EXPECT_EQ(preferences.addButtonBehaviour(), s("show choices"));
    EXPECT_EQ(preferences.rememberQueue(), s("none"));
    EXPECT_EQ(preferences.proxyProtocol(), s("SOCKS5"));
    EXPECT_TRUE(preferences.sendNotifications());
    EXPECT_TRUE(preferences.saving());

    preferences.setUseSubtitles(true);
    const StoredSet stored = readStore();
    EXPECT_EQ(stored.keys(), expectedKeys());
    EXPECT_EQ(stored.value(s("preferencesSaved")), s("yes"));
    EXPECT_EQ(stored.value(s("useSubtitles")), s("yes"));
    EXPECT_EQ(stored.value(s("outputMode")), s("Video and Audio"));
    EXPECT_EQ(stored.value(s("settingsLevel")), s("Beginner"));
    EXPECT_EQ(stored.value(s("audioMode")), s("Stereo"));
    EXPECT_EQ(stored.value(s("resolution")), s("1280x720"));
    EXPECT_EQ(stored.value(s("keepAspectRatio")), s("yes"));
    EXPECT_EQ(stored.value(s("h264CRFValue")), s("23"));
    EXPECT_EQ(stored.value(s("numberOfConcurrentDownloads")), s("3"));
    EXPECT_EQ(stored.value(s("queueSize")), s("3"));
    EXPECT_EQ(stored.value(s("downloadLocation")), KLKinolarkUtils::getDesktopDirectory());
    EXPECT_EQ(stored.value(s("provider")), QString());
}

TEST_F(DefaultPreferences, WithoutADesktopFolderDownloadsGoToTheVideosFolder) {
    const QString desktop = QDir::home().filePath(s("Desktop"));
    const QString videos = QDir::home().filePath(s("Videos"));
    ASSERT_TRUE(QDir(desktop).removeRecursively());
    QDir(videos).removeRecursively();
    KLDefaultPreferences preferences;
    preferences.load();
    EXPECT_EQ(preferences.downloadLocation(), videos);
    EXPECT_TRUE(QFileInfo(videos).isDir());
    QDir().mkpath(desktop);
    EXPECT_EQ(KLKinolarkUtils::getDesktopDirectory(), desktop);
}

TEST_F(DefaultPreferences, SavingOffWritesNothingButWhatChangedWhileItWasOn) {
    KLDefaultPreferences preferences;
    preferences.setSaving(false);
    preferences.setVp9CRFValue(12);
    preferences.save();
    EXPECT_TRUE(readStore().isEmpty());
    preferences.setSaving(true);
    preferences.setVp9CRFValue(13);
    EXPECT_EQ(readStore().value(s("vp9CRFValue")), s("13"));

    // The command line turns saving off before it applies the run's own settings.
    preferences.setVp9CRFValue(14);
    preferences.setSaving(false);
    EXPECT_EQ(fileNow().value(s("vp9CRFValue")), s("14")) << "written as saving goes off";
    preferences.setVp9CRFValue(15);
    EXPECT_EQ(readStore().value(s("vp9CRFValue")), s("14"));
}

TEST_F(DefaultPreferences, ABurstOfChangesIsWrittenOnceWhenTheEventLoopRuns) {
    // Calls rather than member pointers: the setters live in two classes of the hierarchy.
    using Setter = std::function<void(KLDefaultPreferences &, uint64_t)>;
    const std::vector<std::pair<Setter, QString>> fields = {
        {[](KLDefaultPreferences &p, uint64_t v) { p.setNumberOfConcurrentDownloads(v); },
         s("numberOfConcurrentDownloads")},
        {[](KLDefaultPreferences &p, uint64_t v) { p.setQueueSize(v); }, s("queueSize")},
        {[](KLDefaultPreferences &p, uint64_t v) { p.setVp9CRFValue(v); }, s("vp9CRFValue")},
        {[](KLDefaultPreferences &p, uint64_t v) { p.setH264CRFValue(v); }, s("h264CRFValue")}};
    const QString path = KLDefaultPreferences::storeFilePath();
    // A slider dragged across its range, four of them at once.
    QFile::remove(path);
    KLDefaultPreferences preferences;
    for (uint64_t value = 1; value <= 40; ++value) {
        for (const auto &[set, key] : fields) {
            set(preferences, value);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(path)) << "written before the event loop ran";
    const StoredSet stored = readStore();
    for (const auto &[set, key] : fields) {
        EXPECT_EQ(stored.value(key), s("40")) << key.toStdString();
    }
    QFile::remove(path);
    KLTestEnvironment::runPostedWork();
    EXPECT_FALSE(QFileInfo::exists(path)) << "written more than once";
}

TEST_F(DefaultPreferences, AWriteStillWaitingIsDoneByFlushAndByTheRecordsEnd) {
    const QString path = KLDefaultPreferences::storeFilePath();
    {
        KLDefaultPreferences preferences;
        preferences.setQueueSize(9);
        preferences.flush();
        EXPECT_EQ(fileNow().value(s("queueSize")), s("9"));
        preferences.setQueueSize(8);
    }
    EXPECT_EQ(fileNow().value(s("queueSize")), s("8"));
    // The write the gone record had asked for does nothing.
    QFile::remove(path);
    KLTestEnvironment::runPostedWork();
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(DefaultPreferences, EveryChangeReachesTheStore) {
    KLDefaultPreferences preferences;
    preferences.setVp9Mode(KLPreferences::constantBitrateTwoPassMode);
    EXPECT_EQ(readStore().value(s("vp9Mode")), KLPreferences::constantBitrateTwoPassMode);
    preferences.setVp8TwoPassBitRate(300000);
    EXPECT_EQ(readStore().value(s("vp8TwoPassBitRate")), s("300000"));
    preferences.setVorbisSampleRate(48000);
    EXPECT_EQ(readStore().value(s("vorbisSampleRate")), s("48000"));
    preferences.setKeepAspectRatio(false);
    EXPECT_EQ(readStore().value(s("keepAspectRatio")), s("no"));
    preferences.setMp3ConstantBitRate(192000);
    EXPECT_EQ(readStore().value(s("mp3ConstantBitRate")), s("192000"));
    preferences.setupOutputFor(s("iPhone 6+, 6s+, 7+, 8+"));
    EXPECT_EQ(readStore().value(s("outputFor")), s("iPhone 6+, 6s+, 7+, 8+"));
    EXPECT_EQ(readStore().value(s("resolution")), s("2208x1242"));
    preferences.setupContainer(s("webm"));
    EXPECT_EQ(readStore().value(s("videoCodec")), s("vp9"));
    preferences.setSettingsLevel(KLSettingsLevel::Advanced);
    EXPECT_EQ(readStore().value(s("settingsLevel")), s("Advanced"));
    preferences.setNumberOfConcurrentProcessing(4);
    EXPECT_EQ(readStore().value(s("numberOfConcurrentProcessing")), s("4"));
}

TEST_F(DefaultPreferences, RoundTripRestoresEveryField) {
    const StoredSet defaults = defaultSet();
    const StoredSet edited = editedSet();
    ASSERT_EQ(edited.keys(), expectedKeys());
    for (const QString &key : expectedKeys()) {
        if (key != s("preferencesSaved")) {
            EXPECT_NE(edited.value(key), defaults.value(key)) << "the record leaves " << key.toStdString();
        }
    }
    EXPECT_EQ(loadedState(edited), edited);

    writeStore(edited);
    KLDefaultPreferences restarted;
    restarted.load();
    EXPECT_EQ(restarted.resolution(), QSizeF(111, 222));
    EXPECT_EQ(restarted.settingsLevel(), KLSettingsLevel::Expert);
    EXPECT_EQ(restarted.outputMode(), KLOutputMode::VideoOnly);
    EXPECT_EQ(restarted.audioMode(), KLAudioMode::Mono);
    EXPECT_FALSE(restarted.keepAspectRatio());
    EXPECT_EQ(restarted.outputFor(), s("XBOX One X"));
    EXPECT_EQ(restarted.downloadLocation(), s("/srv/videos, new"));
    EXPECT_EQ(restarted.proxyPassword(), s("p@ss, word=1;#"));
    EXPECT_EQ(restarted.queueSize(), 7u);
    EXPECT_TRUE(restarted.followYoutubeLists());
}

TEST_F(DefaultPreferences, LoadNeedsTheMarkerAndReadsItIgnoringCase) {
    const StoredSet defaults = defaultSet();
    StoredSet edited = editedSet();
    edited.insert(s("preferencesSaved"), s("YES"));
    StoredSet expected = edited;
    expected.insert(s("preferencesSaved"), s("yes"));
    EXPECT_EQ(loadedState(edited), expected);

    for (const char *marker : {"no", "", "yes please"}) {
        edited.insert(s("preferencesSaved"), s(marker));
        EXPECT_EQ(loadedState(edited), defaults) << marker;
    }
    edited.remove(s("preferencesSaved"));
    EXPECT_EQ(loadedState(edited), defaults);
}

namespace {

// Texts a hand-edited store might hold that the record cannot use for the key.
QStringList badValuesFor(const QString &key) {
    static const QStringList yesNoKeys = {s("useSubtitles"),
                                          s("useAsMaximumResolution"),
                                          s("useInputFilesResolution"),
                                          s("keepAspectRatio"),
                                          s("useInputFilesVideoCodec"),
                                          s("useInputFilesAudioCodec"),
                                          s("useInputFilesChannels"),
                                          s("automaticallyStartDownloading"),
                                          s("importIntoITunes"),
                                          s("automaticallyRemoveWhenCompleted"),
                                          s("useProxy"),
                                          s("useUpdateProxy"),
                                          s("sendNotifications"),
                                          s("followYoutubeLists")};
    static const QStringList freeTexts = {s("theme"),
                                          s("provider"),
                                          s("proxyProtocol"),
                                          s("proxyHost"),
                                          s("proxyPort"),
                                          s("proxyUsername"),
                                          s("proxyPassword"),
                                          s("updateProxyHost"),
                                          s("updateProxyPort"),
                                          s("updateProxyUsername"),
                                          s("updateProxyPassword"),
                                          s("addButtonBehaviour"),
                                          s("rememberQueue")};
    if (yesNoKeys.contains(key)) {
        return {s("maybe"), s("1"), s("")};
    }
    if (freeTexts.contains(key)) {
        return {};
    }
    if (key == s("resolution")) {
        return {s("0x720"), s("wide"), s("1280"), s("1280x720x3"), s("-1x5"), s("")};
    }
    if (key == s("outputMode") || key == s("settingsLevel") || key == s("audioMode")) {
        return {s("Loud"), s(""), s("2")};
    }
    if (key == s("container")) {
        return {s("mkv"), s("MP4"), s("")};
    }
    if (key == s("outputFor")) {
        return {s("Nintendo Switch"), s("")};
    }
    if (key == s("videoCodec")) {
        return {s("hevc"), s("H264")};
    }
    if (key == s("audioCodec")) {
        return {s("opus")};
    }
    if (key.endsWith(s("Mode"))) {
        return {s("Fast"), s("constant rate factor (crf)"), s("")};
    }
    if (key.endsWith(s("SpeedPreset"))) {
        return {s("warp"), s("")};
    }
    if (key == s("mpeg4VTag")) {
        return {s("x -y"), s("toolong"), s("")};
    }
    if (key == s("cookiesFromBrowser")) {
        return {s("opera"), s("safari:Default")};
    }
    if (key == s("downloadLocation")) {
        return {s("relative/folder"), s("")};
    }
    // Every other key holds a count, rate or bitrate.
    return {s("abc"), s("-5"), s("12abc"), s("1.5"), s("")};
}

} // namespace

TEST_F(DefaultPreferences, ADamagedValueLeavesItsFieldAsItWasForEveryKey) {
    const StoredSet defaults = defaultSet();
    const StoredSet edited = editedSet();
    const auto expectedWithDefaultsFor = [&](const QStringList &keys) {
        StoredSet expected = edited;
        for (const QString &key : keys) {
            expected.insert(key, defaults.value(key));
        }
        return expected;
    };

    // One key at a time: the other keys still load.
    for (const QString &key : damageableKeys()) {
        SCOPED_TRACE(key.toStdString());
        StoredSet damaged = edited;
        const QStringList bad = badValuesFor(key);
        if (bad.isEmpty()) {
            damaged.remove(key);
        } else {
            damaged.insert(key, bad.first());
        }
        EXPECT_EQ(loadedState(damaged), expectedWithDefaultsFor({key}));
    }

    // Every other kind of damage, in all keys at once.
    for (qsizetype variant = 1;; ++variant) {
        StoredSet damaged = edited;
        QStringList touched;
        for (const QString &key : damageableKeys()) {
            const QStringList bad = badValuesFor(key);
            if (variant < bad.size()) {
                damaged.insert(key, bad.at(variant));
                touched.append(key);
            }
        }
        if (touched.isEmpty()) {
            break;
        }
        SCOPED_TRACE(variant);
        EXPECT_EQ(loadedState(damaged), expectedWithDefaultsFor(touched));
    }
    StoredSet onlyMarker = {{s("preferencesSaved"), s("yes")}};
    EXPECT_EQ(loadedState(onlyMarker), expectedWithDefaultsFor(damageableKeys()));

    // An unquoted list is what a hand-written "a, b" becomes.
    writeStore(edited);
    store().write([](QSettings &settings) {
        for (const QString &key : damageableKeys()) {
            settings.setValue(key, QStringList{s("a"), s("b")});
        }
    });
    KLDefaultPreferences preferences;
    preferences.load();
    EXPECT_EQ(recordState(preferences), expectedWithDefaultsFor(damageableKeys()));
}

TEST_F(DefaultPreferences, AGarbledFileIsIgnoredAndReplacedByTheNextSave) {
    const QString path = KLDefaultPreferences::storeFilePath();
    QByteArray garbage("\x00\xff\xfe[General\n=====\npreferencesSaved\nh264CRFValue=\"unterminated\n\x01\x02",
                       60);
    garbage.append(QByteArray(4096, '\xa5'));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(garbage);
    file.close();

    KLDefaultPreferences preferences;
    const auto before = KLPreferencesTestRecord::snapshot(preferences);
    preferences.load();
    EXPECT_EQ(KLPreferencesTestRecord::snapshot(preferences), before);

    preferences.setH264CRFValue(19);
    KLTestEnvironment::runPostedWork();
    EXPECT_EQ(permissionsOf(path), 0600u);
    KLDefaultPreferences restarted;
    restarted.load();
    EXPECT_EQ(restarted.h264CRFValue(), 19u);
}

TEST_F(DefaultPreferences, TheFileIsReadableByItsOwnerOnly) {
    const QString path = KLDefaultPreferences::storeFilePath();
    EXPECT_TRUE(path.startsWith(QDir::homePath() + s("/.config/KinolarkPro/"))) << path.toStdString();
    QFile::remove(path);
    const mode_t previous = ::umask(0);
    KLDefaultPreferences preferences;
    preferences.setProxyPassword(s("secret"));
    KLTestEnvironment::runPostedWork();
    ::umask(previous);
    EXPECT_EQ(permissionsOf(path), 0600u);

    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    preferences.setQueueSize(4);
    KLTestEnvironment::runPostedWork();
    EXPECT_EQ(permissionsOf(path), 0600u);

    preferences.clear();
    EXPECT_EQ(permissionsOf(path), 0600u);
}

TEST_F(DefaultPreferences, ClearEmptiesTheStoreSoTheNextLaunchStartsFromDefaults) {
    const StoredSet defaults = defaultSet();
    KLDefaultPreferences preferences;
    setApplicationFieldsAwayFromDefaults(preferences);
    ASSERT_FALSE(readStore().isEmpty());
    preferences.clear();
    EXPECT_TRUE(readStore().isEmpty());
    // Uninstalling clears the store: a change still waiting must not bring the file back.
    preferences.setQueueSize(6);
    preferences.clear();
    EXPECT_TRUE(readStore().isEmpty());
    KLDefaultPreferences next;
    next.load();
    next.save();
    EXPECT_EQ(readStore(), defaults);
}

TEST_F(DefaultPreferences, RevertToDefaultsWritesTheDefaultSet) {
    const StoredSet defaults = defaultSet();
    KLDefaultPreferences preferences;
    KLPreferencesTestRecord::setAwayFromDefaults(preferences);
    setApplicationFieldsAwayFromDefaults(preferences);
    preferences.initDefaults();
    preferences.save();
    EXPECT_EQ(readStore(), defaults);
}

TEST_F(DefaultPreferences, ALockLeftByAKilledProgramHoldsNoWriteUp) {
    const QString lockFile = store().lockFilePath();
    QString held;
    {
        QLockFile lock(lockFile);
        ASSERT_TRUE(lock.lock());
        held = KLTestEnvironment::readFile(lockFile);
    }
    // Qt's lines, with a process number no process has (they stay below the kernel's limit).
    const QString gone = KLTestEnvironment::readFile(s("/proc/sys/kernel/pid_max")).trimmed();
    KLTestEnvironment::writeFile(lockFile, (gone + held.mid(held.indexOf(QLatin1Char('\n')))).toUtf8());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(store().write([](QSettings &settings) { settings.setValue(s("queueSize"), s("5")); }));
    EXPECT_LT(clock.elapsed(), 5000) << "seen as stale by its age only";
    EXPECT_FALSE(QFileInfo::exists(lockFile));
}

TEST_F(DefaultPreferences, ProxyTexts) {
    KLDefaultPreferences preferences;
    preferences.setProxyHost(s("h"));
    preferences.setProxyPort(s("1080"));
    EXPECT_TRUE(preferences.proxyURL().isEmpty());
    preferences.setUseProxy(true);
    EXPECT_EQ(preferences.proxyURL(), s("socks5://h:1080"));
    preferences.setProxyUsername(s("me"));
    EXPECT_EQ(preferences.proxyURL(), s("socks5://me@h:1080"));
    preferences.setProxyPassword(s("pw"));
    EXPECT_EQ(preferences.proxyURL(), s("socks5://me:pw@h:1080"));
    preferences.setProxyPort(s(""));
    preferences.setProxyUsername(s(""));
    EXPECT_EQ(preferences.proxyURL(), s("socks5://h"));
    // Separators inside credentials would otherwise move the host.
    preferences.setProxyProtocol(s("HTTP"));
    preferences.setProxyUsername(s("a@b"));
    preferences.setProxyPassword(s("x:y/z@w"));
    EXPECT_EQ(preferences.proxyURL(), s("http://a%40b:x%3Ay%2Fz%40w@h"));
    // So would separators in the host or the port: such a proxy stays unreachable, never bypassed.
    preferences.setProxyUsername(s(""));
    preferences.setProxyHost(s("evil.example/@h"));
    preferences.setProxyPort(s("80#"));
    EXPECT_EQ(preferences.proxyURL(), s("http://evil.example%2F%40h:80%23"));
    preferences.setProxyHost(s("[::1]"));
    preferences.setProxyPort(s("3128"));
    EXPECT_EQ(preferences.proxyURL(), s("http://[::1]:3128"));
    preferences.setProxyHost(s("h"));
    preferences.setProxyPort(s(""));

    preferences.setUpdateProxyHost(s("u"));
    preferences.setUpdateProxyPort(s("3128"));
    preferences.setUpdateProxyPassword(s("pw"));
    EXPECT_TRUE(preferences.updateProxyURL().isEmpty());
    preferences.setUseUpdateProxy(true);
    EXPECT_EQ(preferences.updateProxyURL(), s("https://u:3128"));
    preferences.setUpdateProxyPort(s(""));
    EXPECT_EQ(preferences.updateProxyURL(), s("https://u"));
}

TEST_F(DefaultPreferences, ThemeAddButtonAndRowsAreAnnouncedOnEveryCall) {
    auto preferences = std::make_shared<KLDefaultPreferences>();
    preferences->setTheme(s("dark"));
    EXPECT_EQ(readStore().value(s("theme")), s("dark")) << "saved even with nobody listening";

    QStringList calls;
    QObject receiver;
    KLDefaultPreferences *record = preferences.get();
    QObject::connect(record, &KLDefaultPreferences::themeChanged, &receiver,
                     [&calls](bool dark) { calls.append(dark ? s("dark") : s("light")); });
    QObject::connect(record, &KLDefaultPreferences::addButtonBehaviourChanged, &receiver,
                     [&calls, record] { calls.append(s("button:") + record->addButtonBehaviour()); });
    QObject::connect(record, &KLDefaultPreferences::queueSizeChanged, &receiver, [&calls] {
        calls.append(s("rows"));
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    });
    record->setTheme(s("dark"));
    record->setTheme(s("Dark"));
    record->setTheme(s("light"));
    record->setAddButtonBehaviour(s("chrome"));
    record->setQueueSize(3);
    EXPECT_EQ(calls, (QStringList{s("dark"), s("light"), s("light"), s("button:chrome"), s("rows")}));
    EXPECT_EQ(readStore().value(s("theme")), s("light"));
    EXPECT_EQ(readStore().value(s("addButtonBehaviour")), s("chrome"));
}

TEST_F(DefaultPreferences, CopiesArePlainRecordsOfTheConversionSettings) {
    auto preferences = std::make_shared<KLDefaultPreferences>();
    KLObjectRepository::singleton()->addObject(preferences, KLObjectRepository::preferencesName);
    auto shared = KLObjectRepository::singleton()->getPreferences();
    ASSERT_EQ(shared, preferences);
    shared->setupOutputFor(s("PlayStation 4 Pro"));

    const std::shared_ptr<KLPreferences> copy = shared->copy();
    EXPECT_EQ(dynamic_cast<KLDefaultPreferences *>(copy.get()), nullptr);
    EXPECT_EQ(KLPreferencesTestRecord::snapshot(*copy), KLPreferencesTestRecord::snapshot(*shared));
    const StoredSet stored = readStore();
    copy->setupOutputFor(s("XBOX One"));
    copy->setDownloadLocation(s("/tmp/x/video.wmv"));
    EXPECT_EQ(readStore(), stored) << "a copy never writes the store";
    EXPECT_EQ(shared->outputFor(), s("PlayStation 4 Pro"));
    KLObjectRepository::singleton()->removeAllObjects();
}
