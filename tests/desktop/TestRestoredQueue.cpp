// What a program killed in the middle of a busy queue leaves (the remembered pages, and per video a partial
// download, a whole one that was being converted, or the record of a placed file) brought back by the next
// start: each row comes back in the state its video was left in, as a screen reader hears it, and the
// start after that, with downloads that start by themselves, fetches only what is missing.
#include "KLAccessibilityTree.h"
#include "KLDesktopProgram.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLQueuePersistence.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// How a video was left when the program was killed, and what is on disk for it.
enum class Left { Waiting, Paused, HalfDownloaded, Converting, Done, Failed };

struct Video {
    QString name;  // "v07": the page is v07.html, the video v07.mp4
    QString title; // as the downloader names the page's video
    Left left;
};

QList<Video> twentyVideos() {
    const QList<Left> mix = {Left::Waiting,        Left::Paused,     Left::HalfDownloaded, Left::Converting,
                             Left::Done,           Left::Failed,     Left::Waiting,        Left::Paused,
                             Left::HalfDownloaded, Left::Converting, Left::Done,           Left::Failed,
                             Left::Waiting,        Left::Paused,     Left::HalfDownloaded, Left::Converting,
                             Left::Done,           Left::Failed,     Left::Waiting,        Left::Done};
    QList<Video> videos;
    for (qsizetype index = 0; index < mix.size(); ++index) {
        const QString name = s("v%1").arg(index + 1, 2, 10, QLatin1Char('0'));
        videos.append({name, s("Clip %1 (1)").arg(name), mix.at(index)});
    }
    return videos;
}

// The state a row is read with after the start: a video with something kept waits to be resumed, a placed
// one is done, the others wait to be started (downloads do not start by themselves here).
QString stateAfterStart(Left left) {
    switch (left) {
    case Left::Paused:
    case Left::HalfDownloaded:
    case Left::Converting:
        return s("Paused");
    case Left::Done:
        return s("Done");
    default:
        return s("Ready to process");
    }
}

class RestoredQueue : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_program.prepare({s("1280x1024"), true}));
        for (const Video &video : m_videos) {
            ASSERT_TRUE(m_site.addMedia(video.name + s(".mp4"), KLMediaFixtures::ClipTiny));
            m_site.addPage(video.name + s(".html"), s("Clip ") + video.name, {video.name + s(".mp4")});
        }
        ASSERT_TRUE(m_site.start());
        QFile::remove(KLDefaultPreferences::storeFilePath());
        KLKeptDownloads().clear();
        KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("no")},
                                          {s("rememberQueue"), s("unfinished")},
                                          {s("queueSize"), s("25")},
                                          {s("container"), KLPreferences::downloadOnlyNoConversion},
                                          {s("downloadLocation"), m_output.path()}});
    }
    void TearDown() override {
        m_program.quit();
        KLKeptDownloads().clear();
    }

    QString page(const Video &video) const { return m_site.url(video.name + s(".html")); }
    QByteArray clip(const Video &video) const { return m_site.contentsOf(video.name + s(".mp4")); }
    QString placedFile(const Video &video) const {
        return QDir(m_output.path()).filePath(video.title + s(".mp4"));
    }

    // Writes what the killed program left of the video: its page in the queue and whatever it kept.
    void leave(const Video &video, KLKeptDownloads &kept) {
        const QUrl address(page(video));
        const QByteArray whole = clip(video);
        QString folder;
        switch (video.left) {
        case Left::Paused:
        case Left::HalfDownloaded:
            folder = kept.hold(address, m_output.path(), KLKeptDownloads::downloadingStage);
            KLTestEnvironment::writeFile(QDir(folder).filePath(s("download.part")),
                                         whole.left(whole.size() / 2));
            break;
        case Left::Converting:
            folder = kept.hold(address, m_output.path(), KLKeptDownloads::downloadedStage);
            KLTestEnvironment::writeFile(QDir(folder).filePath(s("download")), whole);
            KLTestEnvironment::writeFile(QDir(folder).filePath(s("download.info.json")),
                                         "{\"title\": \"" + video.title.toUtf8() + "\"}");
            break;
        case Left::Done:
            // Placed, but killed before the queue forgot the page.
            KLTestEnvironment::writeFile(placedFile(video), whole);
            kept.hold(address, placedFile(video), KLKeptDownloads::placedStage);
            break;
        default:
            break; // nothing fetched yet, or nothing worth keeping after a failure
        }
        m_queue += page(video).toUtf8() + '\n';
    }

    static QString rowStates(const QList<KLAccessibilityTree::Node> &tree) {
        QString rows;
        for (const KLAccessibilityTree::Node &node : tree) {
            if (node.name.startsWith(s("Clip v"))) {
                rows += node.name + QLatin1Char('\n');
            }
        }
        return rows;
    }

    KLDesktopProgram m_program;
    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
    const QList<Video> m_videos = twentyVideos();
    QByteArray m_queue;
};

} // namespace

TEST_F(RestoredQueue, TwentyVideosLeftInMixedStatesByAKillComeBackAsTheyWereAndFetchOnlyWhatIsMissing) {
    KLKeptDownloads kept;
    for (const Video &video : m_videos) {
        leave(video, kept);
    }
    KLTestEnvironment::writeFile(
        QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(KLQueuePersistence::fileName), m_queue);
    QMap<QString, qint64> keptSizes;
    for (const Video &video : m_videos) {
        keptSizes.insert(video.name, kept.keptBytes(QUrl(page(video))));
    }

    ASSERT_TRUE(m_program.start());
    QString rows;
    const bool restored = KLTestEnvironment::waitUntil(
        [&] {
            rows = rowStates(KLAccessibilityTree::read(s("KinolarkPro")));
            return rows.count(QLatin1Char('\n')) == m_videos.size();
        },
        180s);
    ASSERT_TRUE(restored) << rows.toStdString();
    for (const Video &video : m_videos) {
        EXPECT_TRUE(rows.contains(video.title + s(", ") + stateAfterStart(video.left)))
            << video.name.toStdString() << "\n"
            << rows.toStdString();
    }

    // Started again with downloads that start by themselves: everything finishes, and nothing done before
    // is done again.
    m_program.quit();
    KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("yes")}});
    m_site.server().clearRequests();
    ASSERT_TRUE(m_program.start());
    const auto allPlaced = [this] {
        return std::all_of(m_videos.begin(), m_videos.end(),
                           [this](const Video &video) { return QFile::exists(placedFile(video)); });
    };
    ASSERT_TRUE(KLTestEnvironment::waitUntil(allPlaced, 240s))
        << QDir(m_output.path()).entryList(QDir::Files).join(s(", ")).toStdString();
    for (const Video &video : m_videos) {
        SCOPED_TRACE(video.name.toStdString());
        QFile placed(placedFile(video));
        ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
        EXPECT_TRUE(placed.readAll() == clip(video));
        const QString media = s("/") + video.name + s(".mp4");
        switch (video.left) {
        case Left::Converting:
        case Left::Done:
            EXPECT_TRUE(m_site.server().requestsFor(media).isEmpty()) << "the whole video was here";
            break;
        case Left::Paused:
        case Left::HalfDownloaded:
            EXPECT_EQ(m_site.server().rangesFor(media).count(
                          "bytes=" + QByteArray::number(keptSizes.value(video.name)) + "-"),
                      1);
            break;
        default:
            break;
        }
    }
    EXPECT_EQ(QDir(m_output.path()).entryList(QDir::Files).size(), m_videos.size()) << "nothing placed twice";
}
