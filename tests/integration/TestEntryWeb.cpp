// Web video and YouTube entries end to end: the real downloader and ffmpeg against the test web server.
#include "Flow/Entries/Generators/KLYTDLEntry.h"
#include "Flow/Entries/Generators/KLYoutubeEntry.h"
#include "Flow/TaskManager/KLTaskManager.h"
#include "KLEntryTestHarness.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLGetYoutubeFormatsTask.h"
#include "Model/KLTask/YTDL/KLYTDLGetLinksFromURLTask.h"
#include "Model/KLTask/YTDL/KLYTDLLinkDescription.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLServices.h"
#include "Utils/KLSessionCookies.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString clip = QStringLiteral("clip.mp4");

class WebEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_site.addMedia(clip, KLMediaFixtures::Clip720p));
        m_site.addPage(QStringLiteral("page.html"), QStringLiteral("Embedded Clip"), {clip});
        ASSERT_TRUE(m_site.start());
        m_dash = std::make_unique<KLTestWebServer>(KLMediaFixtures::dashDirectory());
        ASSERT_TRUE(m_dash->start());
    }

    // The entry the page's one video becomes, as the links task lists it.
    // The page's entry, made as if the browser had handed a session over with the page; the entry is left
    // the session's only holder.
    std::shared_ptr<KLYTDLEntry> pageEntryWithSession(std::weak_ptr<const KLSessionCookies> &held) {
        std::shared_ptr<const KLSessionCookies> session = KLSessionCookies::make(
            QStringLiteral(R"([{"name": "session", "value": "v", "domain": "127.0.0.1", "path": "/"}])"),
            m_site.server().qurl(QStringLiteral("page.html")));
        m_harness.services()->sessionCookies = session;
        held = session;
        return pageEntry();
    }
    std::shared_ptr<KLYTDLEntry> pageEntry() {
        auto links =
            std::make_shared<KLYTDLGetLinksFromURLTask>(m_site.server().qurl(QStringLiteral("page.html")));
        links->start();
        links->wait();
        const auto found = links->resultAs<KLYTDLGetLinksFromURLTask::Links>();
        if (found.size() != 1) {
            ADD_FAILURE() << "links: " << found.size();
            return nullptr;
        }
        auto entry = std::make_shared<KLYTDLEntry>(m_harness.services());
        entry->setOriginalURL(found.first()->link());
        entry->setInvokingURL(m_site.server().qurl(QStringLiteral("page.html")));
        entry->setInformationFile(found.first()->informationFile());
        new KLEntryRecorder(entry.get());
        return entry;
    }

    std::shared_ptr<KLYoutubeEntry> dashEntry() {
        const QUrl manifest = m_dash->qurl(KLMediaFixtures::dashManifestName);
        auto listing = std::make_shared<KLGetYoutubeFormatsTask>(manifest);
        listing->start();
        listing->wait();
        auto entry = std::make_shared<KLYoutubeEntry>(m_harness.services());
        entry->setOriginalURL(manifest);
        KLYoutubeEntry::FormatList formats;
        for (const auto &format : listing->resultAs<KLGetYoutubeFormatsTask::Formats>()) {
            formats.push_back(format);
        }
        entry->setFormats(formats);
        new KLEntryRecorder(entry.get());
        return entry;
    }

    static bool prepare(const std::shared_ptr<KLEntry> &entry) {
        std::atomic<bool> ready{false};
        entry->prepareWithCompletion([&ready] { ready = true; });
        return KLTestEnvironment::waitUntil([&ready] { return ready.load(); }, 90s);
    }

    // Prepares the entry with the clip trickling in, so that measuring stops after its beginning.
    bool prepareWithBeginningOnly(const std::shared_ptr<KLEntry> &entry) {
        m_site.server().throttle(clip, 64 * 1024);
        const bool prepared = prepare(entry);
        m_site.server().clearBehaviour(clip);
        m_site.server().clearRequests();
        return prepared;
    }

    // The offsets the clip was asked for from (0 for a request of the whole file).
    QList<qint64> clipRequestOffsets() {
        QList<qint64> offsets;
        for (const auto &request : m_site.server().requestsFor(clip)) {
            const QByteArray range = request.range;
            offsets << (range.startsWith("bytes=") ? range.mid(6, range.indexOf('-') - 6).toLongLong() : 0);
        }
        return offsets;
    }

    static KLEntryRecorder *recorder(const std::shared_ptr<KLEntry> &entry) {
        return KLEntryRecorder::of(*entry);
    }

    KLEntryTestHarness m_harness;
    KLYTDLTestSite m_site;
    std::unique_ptr<KLTestWebServer> m_dash;
};

} // namespace

TEST_F(WebEntryTest, AnEmbeddedVideoIsPreparedDownloadedConvertedAndPlaced) {
    auto entry = pageEntry();
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(prepareWithBeginningOnly(entry));
    const QStringList preparation = recorder(entry)->states();
    EXPECT_TRUE(preparation.first().startsWith(QStringLiteral("Retrieving information for: ")))
        << preparation.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(entry->state(), KLEntry::readyState);
    EXPECT_EQ(entry->error(), nullptr);
    EXPECT_TRUE(entry->title().startsWith(QStringLiteral("Embedded Clip"))) << entry->title().toStdString();
    EXPECT_FALSE(entry->representativeImage().isNull());

    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    const QStringList states = recorder(entry)->states().mid(preparation.size());
    ASSERT_EQ(entry->state(), KLEntry::doneState) << states.join(QStringLiteral(" | ")).toStdString();
    // Ready, waiting, the download's own texts, waiting to convert, the conversion's texts, done.
    EXPECT_EQ(states.first(), KLEntry::waitingToDownloadState);
    const qsizetype convertWait = states.indexOf(KLEntry::waitingToConvertState);
    ASSERT_GT(convertWait, 1);
    EXPECT_TRUE(
        states.mid(1, convertWait - 1).join(QLatin1Char(' ')).contains(QStringLiteral("Downloading")));
    EXPECT_EQ(states.last(), KLEntry::doneState);

    const QString output = entry->outputFile();
    EXPECT_EQ(output, QDir(m_harness.outputDirectory()).filePath(entry->title() + QStringLiteral(".mov")));
    const QString streams = KLTestEnvironment::probeStreams(output);
    // "Mac Viewing" keeps 1280 x 720 as it is: H.264 no wider than 1280, and AAC.
    EXPECT_TRUE(streams.contains(QStringLiteral("h264,video,avc1,1280,720"))) << streams.toStdString();
    EXPECT_TRUE(streams.contains(QStringLiteral("aac,audio"))) << streams.toStdString();
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}

TEST_F(WebEntryTest, TheDownloadContinuesWhatMeasuringFetchedIntoTheServedBytes) {
    m_harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
    auto entry = pageEntry();
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(prepareWithBeginningOnly(entry));
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    ASSERT_EQ(entry->state(), KLEntry::doneState);
    EXPECT_EQ(QFileInfo(entry->outputFile()).suffix(), QStringLiteral("mp4"));
    QFile placed(entry->outputFile());
    ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(placed.readAll() == m_site.contentsOf(clip));
    EXPECT_FALSE(recorder(entry)->states().contains(KLEntry::waitingToConvertState));
    // Only the rest was asked for, and the page was not extracted again.
    const QList<qint64> offsets = clipRequestOffsets();
    ASSERT_EQ(offsets.size(), 1);
    EXPECT_GT(offsets.first(), 0);
    EXPECT_TRUE(m_site.server().requestsFor(QStringLiteral("page.html")).isEmpty());
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}

TEST_F(WebEntryTest, AVideoThatMeasuringFetchedWholeIsNotFetchedAgain) {
    auto entry = pageEntry();
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(prepare(entry));
    m_site.server().clearRequests();
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    ASSERT_EQ(entry->state(), KLEntry::doneState);
    EXPECT_TRUE(m_site.server().requests().isEmpty());
    EXPECT_TRUE(KLTestEnvironment::probeStreams(entry->outputFile()).contains(QStringLiteral("h264,video")));
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}

TEST_F(WebEntryTest, StaleInformationFallsBackOnTheVideoThePageNowHolds) {
    m_harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
    auto entry = pageEntry();
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(prepareWithBeginningOnly(entry));
    // The address measuring used has gone; the page now embeds the video under another one.
    const QString moved = QStringLiteral("moved.mp4");
    ASSERT_TRUE(m_site.addMedia(moved, KLMediaFixtures::Clip360p));
    m_site.addPage(QStringLiteral("page.html"), QStringLiteral("Embedded Clip"), {moved});
    m_site.server().answerWithStatus(clip, 404);
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    ASSERT_EQ(entry->state(), KLEntry::doneState);
    QFile placed(entry->outputFile());
    ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(placed.readAll() == m_site.contentsOf(moved));
}

// The session handed over with the page goes with the failed run, its file with it.
TEST_F(WebEntryTest, AServerErrorEndsAsADownloadFailure) {
    std::weak_ptr<const KLSessionCookies> session;
    auto entry = pageEntryWithSession(session);
    ASSERT_NE(entry, nullptr);
    ASSERT_FALSE(session.expired());
    ASSERT_TRUE(prepareWithBeginningOnly(entry));
    m_site.server().answerWithStatus(clip, 500);
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    EXPECT_EQ(entry->state(), KLEntry::failedState);
    ASSERT_NE(entry->error(), nullptr);
    EXPECT_EQ(entry->error()->errorType(), KLError::downloadType);
    EXPECT_TRUE(QDir(m_harness.outputDirectory()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(session.expired());
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}

TEST_F(WebEntryTest, AVideoOnlyFormatIsDownloadedWithTheBestAudioMuxedAndConverted) {
    m_harness.preferences()->setUseInputFilesResolution(false);
    m_harness.preferences()->setResolution(QSizeF(854, 480));
    auto entry = dashEntry();
    ASSERT_TRUE(prepare(entry));
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    const QStringList states = recorder(entry)->states();
    ASSERT_EQ(entry->state(), KLEntry::doneState) << states.join(QStringLiteral(" | ")).toStdString();
    const qsizetype video = states.indexOf(QStringLiteral("Downloading video..."));
    const qsizetype audio = states.indexOf(QStringLiteral("Downloading audio..."));
    const qsizetype mux = states.indexOf(KLEntry::waitingToMuxState);
    ASSERT_GE(video, 0) << states.join(QStringLiteral(" | ")).toStdString();
    EXPECT_GT(audio, video);
    EXPECT_GT(mux, audio);
    EXPECT_GT(states.indexOf(KLEntry::waitingToConvertState), mux);
    const QString streams = KLTestEnvironment::probeStreams(entry->outputFile());
    EXPECT_TRUE(streams.contains(QStringLiteral("h264,video,avc1,854,480"))) << streams.toStdString();
    EXPECT_TRUE(streams.contains(QStringLiteral("aac,audio"))) << streams.toStdString();
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
}

// Each way of holding a run at one stage, and the state that shows it is held there.
struct Stage {
    const char *name;
    std::function<void(WebEntryTest &, KLEntryTestHarness &, KLTestWebServer &)> hold;
    std::function<bool(const QString &state)> reached;
};

class CancelStageTest : public WebEntryTest, public ::testing::WithParamInterface<int> {};

TEST_P(CancelStageTest, CancellingEndsCancelledCleanlyAndTheEntryCanRunAgain) {
    const auto prefix = [](const char *text) {
        return [text](const QString &state) { return state.startsWith(QString::fromLatin1(text)); };
    };
    const std::vector<Stage> stages = {
        {"waiting to download",
         [](WebEntryTest &, KLEntryTestHarness &harness, KLTestWebServer &) {
             harness.preferences()->setNumberOfConcurrentDownloads(0);
         },
         prefix("Waiting to download")},
        {"downloading",
         [](WebEntryTest &, KLEntryTestHarness &, KLTestWebServer &server) {
             for (const QString &file : QDir(server.documentRoot()).entryList(QDir::Files)) {
                 if (!file.endsWith(QStringLiteral(".mpd"))) {
                     server.stallAfter(file, 1000);
                 }
             }
         },
         prefix("Downloading video")},
        {"waiting to mux",
         [](WebEntryTest &, KLEntryTestHarness &harness, KLTestWebServer &) {
             harness.preferences()->setNumberOfConcurrentProcessing(0);
         },
         prefix("Waiting to mux")},
        {"converting pass 1",
         [](WebEntryTest &, KLEntryTestHarness &harness, KLTestWebServer &) {
             harness.preferences()->setH264Mode(KLPreferences::constantBitrateTwoPassMode);
         },
         prefix("Converting (pass 1)")},
        {"converting pass 2",
         [](WebEntryTest &, KLEntryTestHarness &harness, KLTestWebServer &) {
             harness.preferences()->setH264Mode(KLPreferences::constantBitrateTwoPassMode);
         },
         prefix("Converting (pass 2)")},
    };
    const Stage &stage = stages.at(static_cast<size_t>(GetParam()));
    SCOPED_TRACE(stage.name);

    m_harness.preferences()->setUseInputFilesResolution(false);
    m_harness.preferences()->setResolution(QSizeF(1280, 720));
    auto entry = dashEntry();
    ASSERT_TRUE(prepare(entry));
    stage.hold(*this, m_harness, *m_dash);
    auto delegate = recorder(entry);
    entry->process();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return stage.reached(entry->state()); }, 90s))
        << delegate->states().join(QStringLiteral(" | ")).toStdString();
    entry->cancel();
    ASSERT_TRUE(KLEntryTestHarness::waitForEnd(entry, *delegate, 1, 30s));
    EXPECT_EQ(entry->state(), KLEntry::cancelledState);
    ASSERT_NE(entry->error(), nullptr);
    EXPECT_EQ(entry->error()->errorType(), KLError::terminatedType);
    EXPECT_TRUE(KLTestEnvironment::waitUntil([] { return KLEntryTestHarness::noToolsRunning(); }, 5s));
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
    EXPECT_TRUE(QDir(m_harness.outputDirectory()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Let everything through again: the same entry now succeeds.
    m_harness.preferences()->setNumberOfConcurrentDownloads(3);
    m_harness.preferences()->setNumberOfConcurrentProcessing(1);
    m_dash->releaseStalls();
    for (const QString &file : QDir(m_dash->documentRoot()).entryList(QDir::Files)) {
        m_dash->clearBehaviour(file);
    }
    m_harness.preferences()->setH264Mode(KLPreferences::constantRateFactorMode);
    ASSERT_TRUE(KLEntryTestHarness::processAndWait(entry));
    EXPECT_EQ(entry->state(), KLEntry::doneState)
        << delegate->states().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(entry->error(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Stages, CancelStageTest, ::testing::Range(0, 5));

TEST_F(WebEntryTest, CancellingWhilePreparingKeepsTheEntryOutOfTheQueue) {
    auto entry = pageEntry();
    ASSERT_NE(entry, nullptr);
    m_site.server().stallAfter(clip, 2000);
    std::atomic<bool> called{false};
    entry->prepareWithCompletion([&called] { called = true; });
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return !entry->state().isEmpty(); }, 30s));
    entry->cancel();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return called.load(); }, 30s));
    EXPECT_EQ(entry->state(), KLEntry::readyState);
    ASSERT_NE(entry->error(), nullptr);
    EXPECT_EQ(entry->error()->errorType(), KLError::terminatedType);
    m_site.server().releaseStalls();
    EXPECT_TRUE(KLTestEnvironment::waitUntil([] { return KLEntryTestHarness::noToolsRunning(); }, 5s));
}

// A cancelled run lets go of the session handed over with the page, and its file goes.
TEST_F(WebEntryTest, CancellingWhileWaitingToConvertEndsCancelled) {
    std::weak_ptr<const KLSessionCookies> session;
    auto entry = pageEntryWithSession(session);
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(prepare(entry));
    m_harness.preferences()->setNumberOfConcurrentProcessing(0);
    auto delegate = recorder(entry);
    entry->process();
    ASSERT_TRUE(
        KLTestEnvironment::waitUntil([&] { return entry->state() == KLEntry::waitingToConvertState; }, 90s));
    entry->cancel();
    ASSERT_TRUE(KLEntryTestHarness::waitForEnd(entry, *delegate, 1, 30s));
    EXPECT_EQ(entry->state(), KLEntry::cancelledState);
    EXPECT_EQ(entry->error()->errorType(), KLError::terminatedType);
    EXPECT_TRUE(session.expired());
    EXPECT_TRUE(KLEntryTestHarness::temporaryFolders().isEmpty());
    EXPECT_EQ(m_harness.taskManager()->waitingCount(KLTask::longProcessingType), 0u);
}

TEST_F(WebEntryTest, APausedDownloadKeepsWhatCameAndResumesWithOneRangeRequestOrGoesWithItsEntry) {
    for (const bool removed : {false, true}) {
        QTemporaryDir keptRoot;
        const auto kept = std::make_shared<KLKeptDownloads>(keptRoot.path());
        m_harness.services()->keptDownloads = kept;
        m_harness.preferences()->setContainer(KLPreferences::downloadOnlyNoConversion);
        auto entry = pageEntry();
        ASSERT_NE(entry, nullptr);
        ASSERT_TRUE(prepareWithBeginningOnly(entry));
        const qint64 size = m_site.sizeOf(clip);
        const QString partial =
            QDir(kept->folderFor(entry->originalURL())).filePath(QStringLiteral("download.part"));
        m_site.server().throttle(clip, size / 8);
        entry->process(KLEntry::Placement::Automatic);
        ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return QFileInfo(partial).size() >= size / 2; }, 60s));
        entry->pause();
        ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return !entry->processing(); }, 30s));
        EXPECT_TRUE(entry->paused());
        EXPECT_EQ(entry->state(), KLEntry::pausedState);
        EXPECT_EQ(entry->error(), nullptr);
        EXPECT_TRUE(KLTestEnvironment::waitUntil([] { return KLEntryTestHarness::noToolsRunning(); }, 5s));
        const qint64 keptSize = QFileInfo(partial).size();
        ASSERT_GE(keptSize, size / 2);
        m_site.server().clearBehaviour(clip);
        m_site.server().clearRequests();
        if (removed) {
            entry->forgetKeptDownload();
            EXPECT_FALSE(QFileInfo::exists(kept->folderFor(entry->originalURL())));
            continue;
        }
        entry->resume();
        ASSERT_TRUE(KLTestEnvironment::waitUntil([&] { return entry->completed(); }, 60s));
        QFile placed(entry->outputFile());
        ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
        EXPECT_TRUE(placed.readAll() == m_site.contentsOf(clip));
        EXPECT_EQ(clipRequestOffsets(), QList<qint64>{keptSize});
        EXPECT_FALSE(QFileInfo::exists(kept->folderFor(entry->originalURL())));
        QFile::remove(entry->outputFile());
    }
    m_harness.services()->keptDownloads = nullptr;
}
