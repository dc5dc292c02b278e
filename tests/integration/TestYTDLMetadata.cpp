// The links and video-properties tasks with the real downloader against the test web server.
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Model/KLTask/YTDL/KLYTDLGetLinksFromURLTask.h"
#include "Model/KLTask/YTDL/KLYTDLGetVideoPropertiesTask.h"
#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;

const QString clip = QStringLiteral("clip.mp4");
const QString smallClip = QStringLiteral("small.mp4");
const QString lateIndexClip = QStringLiteral("late-index.mp4");

class YTDLMetadata : public ::testing::Test {
protected:
    void SetUp() override {
        KLObjectRepository::singleton()->removeAllObjects();
        ASSERT_TRUE(m_site.addMedia(clip, KLMediaFixtures::Clip720p));
        ASSERT_TRUE(m_site.addMedia(smallClip, KLMediaFixtures::Clip360p));
        ASSERT_TRUE(m_site.addMedia(lateIndexClip, KLMediaFixtures::Clip720pNotFaststart));
        m_site.addPage(QStringLiteral("clip.html"), QStringLiteral("Clip Page"), {clip});
        m_site.addPage(QStringLiteral("two.html"), QStringLiteral("Two Clips"), {clip, smallClip});
        m_site.addPage(QStringLiteral("late.html"), QStringLiteral("Late Page"), {lateIndexClip});
        ASSERT_TRUE(m_site.start());
    }

    static void runToEnd(const std::shared_ptr<KLTask> &task) {
        task->start();
        ASSERT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->finished(); }, 90s));
    }

    std::shared_ptr<KLVideoProperties> propertiesOf(const QString &page) {
        auto task = std::make_shared<KLYTDLGetVideoPropertiesTask>(QUrl(m_site.url(page)));
        runToEnd(task);
        EXPECT_EQ(task->error(), nullptr);
        return task->resultAs<std::shared_ptr<KLVideoProperties>>();
    }

    static int temporaryFolders() {
        return static_cast<int>(
            QDir(KLKinolarkUtils::getScratchDirectory()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    }

    KLYTDLTestSite m_site;
};

TEST_F(YTDLMetadata, EmbeddedFaststartClipIsMeasuredFromItsBeginning) {
    // Slow enough that the whole clip is still on its way when its first picture can be decoded.
    const qint64 size = m_site.sizeOf(clip);
    m_site.server().throttle(clip, size / 4);
    const int foldersBefore = temporaryFolders();
    const std::shared_ptr<KLVideoProperties> properties = propertiesOf(QStringLiteral("clip.html"));
    ASSERT_NE(properties, nullptr);

    const KLMediaFixtures::Description &fixture = KLMediaFixtures::description(KLMediaFixtures::Clip720p);
    EXPECT_FALSE(properties->undeterminate());
    EXPECT_TRUE(properties->title().startsWith(QStringLiteral("Clip Page")))
        << properties->title().toStdString();
    EXPECT_EQ(properties->container(), QString::fromLatin1(fixture.extension));
    EXPECT_EQ(properties->containerMode(), KLVideoProperties::videoAndAudioMode);
    EXPECT_EQ(properties->videoCodec(), QString::fromLatin1(fixture.videoCodec));
    EXPECT_EQ(properties->audioCodec(), QString::fromLatin1(fixture.audioCodec));
    EXPECT_EQ(properties->resolution(), QSizeF(fixture.width, fixture.height));
    EXPECT_NEAR(properties->duration(), fixture.duration, 0.1);
    EXPECT_NEAR(double(properties->size()), double(size), size * 0.01);
    EXPECT_FALSE(properties->thumbnail().isNull());
    EXPECT_EQ(temporaryFolders(), foldersBefore);
}

TEST_F(YTDLMetadata, StalledSourceWithoutAReadableBeginningIsUndeterminate) {
    // The index of this clip is at its end, which never comes.
    m_site.server().stallAfter(lateIndexClip, m_site.sizeOf(lateIndexClip) * 6 / 10);
    const std::shared_ptr<KLVideoProperties> properties = propertiesOf(QStringLiteral("late.html"));
    ASSERT_NE(properties, nullptr);
    EXPECT_TRUE(properties->undeterminate());
    EXPECT_EQ(properties->container(), QStringLiteral("mp4"));
    EXPECT_EQ(properties->containerMode(), KLVideoProperties::videoAndAudioMode);
    EXPECT_TRUE(properties->title().startsWith(QStringLiteral("Late Page")))
        << properties->title().toStdString();
    EXPECT_TRUE(properties->videoCodec().isEmpty());
    EXPECT_EQ(properties->duration(), 0.0);
    EXPECT_TRUE(properties->thumbnail().isNull());
}

TEST_F(YTDLMetadata, EachLinkOfAPageWithTwoVideosDownloadsItsOwnVideo) {
    const QString page = m_site.url(QStringLiteral("two.html"));
    auto links = std::make_shared<KLYTDLGetLinksFromURLTask>(QUrl(page));
    runToEnd(links);
    ASSERT_EQ(links->error(), nullptr);
    const auto descriptions = links->resultAs<KLYTDLGetLinksFromURLTask::Links>();
    ASSERT_EQ(descriptions.size(), 2);
    EXPECT_NE(descriptions.at(0)->link(), descriptions.at(1)->link());

    QTemporaryDir folder;
    const QStringList expected = {clip, smallClip};
    for (qsizetype n = 0; n < descriptions.size(); ++n) {
        EXPECT_TRUE(descriptions.at(n)->title().value_or(QString()).startsWith(QStringLiteral("Two Clips")));
        const QString target = folder.filePath(QStringLiteral("video%1").arg(n));
        auto download =
            std::make_shared<KLYTDLDownloadTask>(descriptions.at(n)->link(), target, false, QUrl(page));
        runToEnd(download);
        ASSERT_EQ(download->error(), nullptr) << download->error()->description().toStdString();
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), m_site.contentsOf(expected.at(n))) << "video " << n;
    }
}

} // namespace
