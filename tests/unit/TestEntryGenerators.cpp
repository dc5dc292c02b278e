// What the generators decide without running anything: which links are YouTube videos, how a playlist
// parameter is cut out, which scraped addresses may be media files, and who claims which URL.
#include "Flow/Entries/Generators/KLScrapperGenerator.h"
#include "Flow/Entries/Generators/KLYTDLGenerator.h"
#include "Flow/Entries/Generators/KLYoutubeGenerator.h"
#include "Flow/Entries/KLEntryFactory.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLPreferences.h"

#include "Utils/KLServices.h"

#include <gtest/gtest.h>

namespace {

QUrl url(const char *text) {
    return QUrl(QString::fromUtf8(text));
}

} // namespace

TEST(YoutubeLinks, MarkersOfWatchPagesApiAndMediaServers) {
    for (const char *link : {"https://www.youtube.com/watch?v=abc", "http://m.youtube.com/watch?v=abc&t=3",
                             "https://youtube.googleapis.com/v/abc",
                             "https://r3---sn-abc.googlevideo.com/videoplayback?id=1&itag=22"}) {
        EXPECT_TRUE(KLYoutubeGenerator::isYoutubeLink(url(link))) << link;
    }
    for (const char *link : {"https://www.youtube.com/channel/xyz", "https://r3.googlevideo.com/other?id=1",
                             "https://example.org/www.youtube.com-watch", "https://example.org/page"}) {
        EXPECT_FALSE(KLYoutubeGenerator::isYoutubeLink(url(link))) << link;
    }
    // A local file is never a YouTube link, whatever its path looks like.
    EXPECT_FALSE(
        KLYoutubeGenerator::isYoutubeLink(QUrl::fromLocalFile(QStringLiteral("/tmp/www.youtube.com/watch"))));
}

TEST(YoutubeLinks, ASingleVideoNamesNoList) {
    EXPECT_TRUE(KLYoutubeGenerator::isSingleYoutubeVideo(url("https://www.youtube.com/watch?v=abc&t=3")));
    EXPECT_FALSE(
        KLYoutubeGenerator::isSingleYoutubeVideo(url("https://www.youtube.com/watch?v=abc&list=PL1")));
    EXPECT_FALSE(KLYoutubeGenerator::isSingleYoutubeVideo(url("https://example.org/watch?v=abc")));
}

TEST(YoutubeLinks, TheListParameterIsCutOutAndTheParametersAfterItStay) {
    const struct {
        const char *link;
        const char *expected;
    } cases[] = {
        {"https://www.youtube.com/watch?v=abc&list=PL1&index=2&t=5",
         "https://www.youtube.com/watch?v=abc&index=2&t=5"},
        {"https://www.youtube.com/watch?v=abc&list=PL1", "https://www.youtube.com/watch?v=abc"},
        {"https://www.youtube.com/watch?v=abc&list", "https://www.youtube.com/watch?v=abc"},
        // Only the first list goes.
        {"https://www.youtube.com/watch?v=abc&list=A&list=B", "https://www.youtube.com/watch?v=abc&list=B"},
        {"https://www.youtube.com/watch?v=abc&t=3", "https://www.youtube.com/watch?v=abc&t=3"},
    };
    for (const auto &item : cases) {
        EXPECT_EQ(KLYoutubeGenerator::removeListParameter(url(item.link)), url(item.expected)) << item.link;
    }
}

TEST(ScrapedLinks, EveryKnownContainerMayBeADirectMediaFile) {
    const QStringList containers =
        KLPreferences::listVideoContainers() + KLPreferences::listAudioContainers();
    for (const QString &container : containers) {
        if (container == KLPreferences::downloadOnlyNoConversion) {
            continue;
        }
        const QUrl file(QStringLiteral("https://cdn.example.org/media/clip.") + container);
        EXPECT_TRUE(KLScrapperGenerator::canBeDirectMediaURL(file)) << file.toString().toStdString();
    }
    // The container may stand in a query or a path segment as well.
    EXPECT_TRUE(KLScrapperGenerator::canBeDirectMediaURL(url("https://example.org/get?file=clip.mp4&x=1")));
    EXPECT_TRUE(KLScrapperGenerator::canBeDirectMediaURL(url("https://example.org/clip.webm/play")));
    EXPECT_FALSE(KLScrapperGenerator::canBeDirectMediaURL(url("https://example.org/about.html")));
    EXPECT_FALSE(KLScrapperGenerator::canBeDirectMediaURL(url("https://example.org/clip.MP4")));
    // A host name is no file name: every page of such a site would pass otherwise.
    EXPECT_FALSE(KLScrapperGenerator::canBeDirectMediaURL(url("https://www.movies.example/reviews")));
    EXPECT_FALSE(KLScrapperGenerator::canBeDirectMediaURL(url("https://fans.mp3.example/")));
}

TEST(YoutubeDLLinks, OnlyOtherYoutubeLinksGoBackToTheIntake) {
    const QUrl video = url("https://www.youtube.com/watch?v=abc");
    EXPECT_TRUE(KLYTDLGenerator::handsBackLink(video, url("https://www.youtube.com/watch?v=abc&list=PL1")));
    EXPECT_TRUE(KLYTDLGenerator::handsBackLink(video, url("https://youtu.be/abc")));
    // The link the YouTube generator has already failed on would only come back here again.
    EXPECT_FALSE(KLYTDLGenerator::handsBackLink(video, video));
    EXPECT_FALSE(KLYTDLGenerator::handsBackLink(url("https://example.org/v/1"), url("https://example.org/")));
}

class GeneratorClaims : public ::testing::Test {
protected:
    void SetUp() override {
        m_preferences = std::make_shared<KLDefaultPreferences>();
        m_preferences->setSaving(false);
        m_services->preferences = m_preferences;
    }

    // The names of the generators of the application chain that claim the URL.
    QStringList claimants(const QUrl &address) const {
        static const QStringList names = {QStringLiteral("youtube"), QStringLiteral("ytdl"),
                                          QStringLiteral("file"), QStringLiteral("scrapper")};
        const KLEntryFactory factory(m_services);
        QStringList found;
        for (size_t index = 0; index < factory.generators().size(); ++index) {
            if (factory.generators()[index]->claimsURL(address)) {
                found << names.at(static_cast<qsizetype>(index));
            }
        }
        return found;
    }

    std::shared_ptr<KLDefaultPreferences> m_preferences;
    const std::shared_ptr<KLServices> m_services = std::make_shared<KLServices>();
};

TEST_F(GeneratorClaims, PlaylistLinksPassTheYoutubeGeneratorOnlyWhenListsAreFollowed) {
    const QUrl playlist = url("https://www.youtube.com/watch?v=abc&list=PL1");
    const QUrl video = url("https://www.youtube.com/watch?v=abc");
    const QStringList all = {QStringLiteral("youtube"), QStringLiteral("ytdl"), QStringLiteral("scrapper")};
    const QStringList web = {QStringLiteral("ytdl"), QStringLiteral("scrapper")};

    m_preferences->setFollowYoutubeLists(false);
    EXPECT_EQ(claimants(playlist), all);
    EXPECT_EQ(claimants(video), all);

    m_preferences->setFollowYoutubeLists(true);
    EXPECT_EQ(claimants(playlist), web);
    EXPECT_EQ(claimants(video), all);
}

TEST_F(GeneratorClaims, LocalFilesAndFoldersAreTheFileGeneratorsAlone) {
    EXPECT_EQ(claimants(QUrl::fromLocalFile(QStringLiteral("/tmp/some folder"))),
              QStringList({QStringLiteral("file")}));
    EXPECT_EQ(claimants(url("https://example.org/clip.mp4")),
              QStringList({QStringLiteral("ytdl"), QStringLiteral("scrapper")}));
}
