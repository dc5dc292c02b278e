#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;

template <class Task> void runToEnd(const std::shared_ptr<Task> &task) {
    task->start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->finished(); }, 120s));
}

QStringList downloadsFolderEntries() {
    return QDir(KLKinolarkUtils::getDownloadsDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

std::shared_ptr<KLVideoProperties> measure(const QString &path) {
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(path);
    runToEnd(task);
    EXPECT_EQ(task->error(), nullptr) << task->error()->description().toStdString();
    return task->template resultAs<std::shared_ptr<KLVideoProperties>>();
}

} // namespace

TEST(LocalVideoProperties, EveryMediaFixtureIsMeasuredAsItWasMade) {
    const QStringList foldersBefore = downloadsFolderEntries();
    for (KLMediaFixtures::Fixture fixture : KLMediaFixtures::allFixtures()) {
        if (fixture == KLMediaFixtures::TextFile || fixture == KLMediaFixtures::CorruptMedia) {
            continue;
        }
        const KLMediaFixtures::Description &made = KLMediaFixtures::description(fixture);
        SCOPED_TRACE(made.fileName);
        const std::shared_ptr<KLVideoProperties> properties = measure(KLMediaFixtures::path(fixture));
        ASSERT_NE(properties, nullptr);
        const bool hasVideo = made.width > 0;
        const bool hasAudio = made.sampleRate > 0;
        EXPECT_EQ(properties->containerMode(), hasVideo && hasAudio ? KLVideoProperties::videoAndAudioMode
                                               : hasVideo           ? KLVideoProperties::videoOnlyMode
                                                                    : KLVideoProperties::audioOnlyMode);
        EXPECT_EQ(properties->container(), QLatin1String(made.extension));
        EXPECT_NEAR(properties->duration(), made.duration, 0.1);
        EXPECT_TRUE(properties->local());
        EXPECT_FALSE(properties->undeterminate());
        EXPECT_EQ(properties->resolution(), QSizeF(made.width, made.height));
        EXPECT_EQ(properties->videoCodec(), QLatin1String(made.videoCodec));
        EXPECT_EQ(properties->fps(), static_cast<uint64_t>(made.fps));
        EXPECT_EQ(properties->audioCodec(), QLatin1String(made.audioCodec));
        EXPECT_EQ(properties->sampleRate(), static_cast<uint64_t>(made.sampleRate));
        EXPECT_EQ(properties->stereo(), made.channels >= 2);
        const QImage thumbnail = properties->thumbnail();
        EXPECT_EQ(thumbnail.isNull(), !hasVideo);
        if (hasVideo) {
            // Scaled down to fit 400x300 with the picture's own shape.
            EXPECT_TRUE(thumbnail.width() == 400 || thumbnail.height() == 300);
            EXPECT_LE(thumbnail.width(), 400);
            EXPECT_LE(thumbnail.height(), 300);
            EXPECT_NEAR(double(thumbnail.width()) / thumbnail.height(), double(made.width) / made.height,
                        0.02);
        }
    }
    // Each run removed its temporary folder.
    EXPECT_EQ(downloadsFolderEntries(), foldersBefore);
}

TEST(LocalVideoProperties, TextIsReportedAsTtyWhetherOrNotFfprobeRecognisesIt) {
    const std::shared_ptr<KLVideoProperties> notes =
        measure(KLMediaFixtures::path(KLMediaFixtures::TextFile));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->container(), QStringLiteral("tty"));

    // Too short for ffprobe to take it for text, and not named like text.
    const QString shortText = QDir(KLTestEnvironment::homeDirectory()).filePath(QStringLiteral("README"));
    KLTestEnvironment::writeFile(shortText, "hi\n");
    const std::shared_ptr<KLVideoProperties> readme = measure(shortText);
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->container(), QStringLiteral("tty"));
}

TEST(LocalVideoProperties, UnreadableFilesFailWithTheirPathAndLeaveNoFolder) {
    const QStringList foldersBefore = downloadsFolderEntries();
    const QString empty = QDir(KLTestEnvironment::homeDirectory()).filePath(QStringLiteral("empty.mp4"));
    KLTestEnvironment::writeFile(empty, QByteArray());
    const QString missing = QDir(KLTestEnvironment::homeDirectory()).filePath(QStringLiteral("missing.mp4"));
    for (const QString &path : {KLMediaFixtures::path(KLMediaFixtures::CorruptMedia), empty, missing}) {
        auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(path);
        runToEnd(task);
        ASSERT_NE(task->error(), nullptr) << path.toStdString();
        EXPECT_EQ(task->error()->errorType(), 8);
        EXPECT_EQ(task->error()->errorDescription(),
                  QStringLiteral("Could not get video information for URL: ") + path);
        EXPECT_FALSE(task->result().has_value());
    }
    EXPECT_EQ(downloadsFolderEntries(), foldersBefore);
}

TEST(LocalVideoProperties, NamesThatAShellWouldInterpretReachTheScriptsUnchanged) {
    const QString awkward =
        QDir(KLTestEnvironment::homeDirectory())
            .filePath(QStringLiteral("-clip 'quoted' \"double\" $HOME `true` 100%d:x.part"));
    ASSERT_TRUE(QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p), awkward));
    const std::shared_ptr<KLVideoProperties> properties = measure(awkward);
    ASSERT_NE(properties, nullptr);
    // The extension says nothing about the content; the content decides.
    EXPECT_EQ(properties->container(), QStringLiteral("mp4"));
    EXPECT_EQ(properties->resolution(), QSizeF(640, 360));
    EXPECT_FALSE(properties->thumbnail().isNull());
}
