#include "Flow/Entries/Generators/KLYoutubeEntry.h"
#include "KLEntryTestHarness.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<KLYoutubeFormatDescription> format(const char *itag, const char *type, int32_t mode,
                                                   double width, uint64_t abr = 0) {
    auto description = std::make_shared<KLYoutubeFormatDescription>();
    description->setItag(QString::fromLatin1(itag));
    description->setType(QString::fromLatin1(type));
    description->setMode(mode);
    description->setSize(QSizeF(width, width * 9 / 16));
    description->setAbr(abr);
    return description;
}

constexpr int32_t combined = KLYoutubeFormatDescription::videoAndAudioMode;
constexpr int32_t videoOnly = KLYoutubeFormatDescription::videoOnlyMode;
constexpr int32_t audioOnly = KLYoutubeFormatDescription::audioOnlyMode;

QStringList itags(const KLYoutubeEntry::FormatList &formats) {
    QStringList list;
    for (const auto &description : formats) {
        list << (description ? description->itag() : QStringLiteral("none"));
    }
    return list;
}

const KLPreferences &settings(KLOutputMode mode, bool inputResolution,
                              QSizeF resolution = QSizeF(1280, 720)) {
    static KLPreferences preferences;
    preferences.setOutputMode(mode);
    preferences.setUseInputFilesResolution(inputResolution);
    preferences.setResolution(resolution);
    return preferences;
}

} // namespace

TEST(YoutubeSelection, TiesLeanTowardsWhatTheModeNeeds) {
    KLYoutubeEntry entry;
    entry.setFormats({format("18", "mp4", combined, 640), format("136", "mp4", videoOnly, 1280),
                      format("22", "mp4", combined, 1280), format("140", "m4a", audioOnly, 0, 128)});
    EXPECT_EQ(itags(entry.findDescriptionsToDownload(settings(KLOutputMode::VideoAndAudio, false))),
              QStringList{QStringLiteral("22")});
    EXPECT_EQ(itags(entry.findDescriptionsToDownload(settings(KLOutputMode::VideoOnly, false))),
              QStringList{QStringLiteral("136")});
    EXPECT_EQ(itags(entry.findDescriptionsToDownload(settings(KLOutputMode::VideoAndAudio, true))),
              QStringList{QStringLiteral("22")});
    EXPECT_EQ(itags(entry.findDescriptionsToDownload(settings(KLOutputMode::AudioOnly, false))),
              QStringList{QStringLiteral("140")});
}

TEST(YoutubeSelection, AVideoOnlyMatchIsPairedWithTheBestAudio) {
    KLYoutubeEntry entry;
    entry.setFormats({format("137", "mp4", videoOnly, 1920), format("139", "m4a", audioOnly, 0, 48),
                      format("251", "webm", audioOnly, 0, 160), format("140", "m4a", audioOnly, 0, 160)});
    // The best audio is the first of the highest bit rate, whatever its type.
    EXPECT_EQ(itags(entry.findDescriptionsToDownload(
                  settings(KLOutputMode::VideoAndAudio, false, QSizeF(1920, 1080)))),
              (QStringList{QStringLiteral("137"), QStringLiteral("251")}));
}

TEST(YoutubeSelection, EqualDistancesKeepTheEarlierFormat) {
    KLYoutubeEntry entry;
    entry.setFormats({format("a", "mp4", combined, 1260), format("b", "mp4", combined, 1300)});
    EXPECT_EQ(entry.findClosestDownloadDescritpionToResolution(QSizeF(1280, 720), true)->itag(),
              QStringLiteral("a"));
    entry.setFormats({format("a", "mp4", videoOnly, 1260), format("b", "mp4", combined, 1300)});
    EXPECT_EQ(entry.findClosestDownloadDescritpionToResolution(QSizeF(1280, 720), true)->itag(),
              QStringLiteral("b"));
    EXPECT_EQ(entry.findClosestDownloadDescritpionToResolution(QSizeF(1280, 720), false)->itag(),
              QStringLiteral("a"));
    EXPECT_EQ(KLYoutubeEntry::getWidthDifferenceFromSize(QSizeF(1280.9, 1), QSizeF(1300.2, 5)), 20u);
}

TEST(YoutubeSelection, AudioWithoutBitratesTakesTheFirstFormat) {
    KLYoutubeEntry entry;
    entry.setFormats({format("x", "webm", videoOnly, 640), format("y", "m4a", audioOnly, 0)});
    EXPECT_EQ(itags(entry.findDescriptionsToDownload(settings(KLOutputMode::AudioOnly, true))),
              QStringList{QStringLiteral("x")});
}

TEST(YoutubeSelection, MissingFormatsGiveNothing) {
    KLYoutubeEntry entry;
    entry.setFormats({format("w", "webm", combined, 1280)});
    EXPECT_TRUE(entry.findDescriptionsToDownload(settings(KLOutputMode::VideoOnly, false)).empty());
    EXPECT_TRUE(entry.findDescriptionsToDownload(settings(KLOutputMode::VideoAndAudio, true)).empty());
    entry.setFormats({});
    EXPECT_TRUE(entry.findDescriptionsToDownload(settings(KLOutputMode::AudioOnly, true)).empty());
    EXPECT_EQ(entry.findBestAudio(), nullptr);
}

TEST(YoutubeSelection, ARunWithoutASuitableFormatEndsWithTheInformationError) {
    KLEntryTestHarness harness;
    harness.preferences()->setOutputMode(KLOutputMode::VideoOnly);
    harness.preferences()->setUseInputFilesResolution(false);
    auto entry = std::make_shared<KLYoutubeEntry>(harness.services());
    entry->setTitle(QStringLiteral("No mp4"));
    entry->setFormats({format("w", "webm", combined, 1280)});
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry, std::chrono::seconds(10)));
    ASSERT_NE(entry->error(), nullptr);
    EXPECT_EQ(entry->error()->errorType(), KLError::ytdlInformationType);
    EXPECT_EQ(entry->error()->errorDescription(), QStringLiteral("Cannot retrieve Youtube information..."));
    EXPECT_EQ(entry->state(), KLEntry::failedState);
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}
