// The kinolark command line as a user runs it: the real program, yt-dlp, ffmpeg and curl against the test
// web server.
#include "App/KLURLSchemeDecoder.h"
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

const QString clip = QStringLiteral("clip.mp4");

using Outcome = KLKinolarkRunner::Outcome;

QString kinolark() {
    return KLKinolarkRunner::program();
}

Outcome runKinolark(const QStringList &arguments) {
    return KLKinolarkRunner::run(arguments);
}

QStringList filesIn(const QString &folder) {
    return KLKinolarkRunner::filesIn(folder);
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_site.addMedia(clip, KLMediaFixtures::Clip720p));
        ASSERT_TRUE(m_site.addMedia(QStringLiteral("small.mp4"), KLMediaFixtures::Clip360p));
        m_site.addPage(QStringLiteral("page.html"), QStringLiteral("Movie Night"), {clip});
        m_site.server().addRoute(
            QStringLiteral("/links.html"),
            "<html><body><p>No player here, just <a href=\"small.mp4\">a file</a>.</p></body></html>",
            "text/html");
        ASSERT_TRUE(m_site.start());
    }

    QString output() const { return m_output.path(); }
    QString only(const QString &extension) {
        const QStringList files = filesIn(output());
        EXPECT_EQ(files.size(), 1) << files.join(QLatin1Char(',')).toStdString();
        return files.isEmpty() || !files.first().endsWith(extension) ? QString()
                                                                     : QDir(output()).filePath(files.first());
    }

    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
};

} // namespace

TEST_F(CommandLineTest, APageBecomesAMovWithTheStartUpSettings) {
    const Outcome run =
        runKinolark({m_site.url(QStringLiteral("page.html")), QStringLiteral("-o"), output()});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QString movie = only(QStringLiteral(".mov"));
    ASSERT_FALSE(movie.isEmpty());
    EXPECT_TRUE(QFileInfo(movie).fileName().startsWith(QStringLiteral("Movie Night")));
    const QString streams = KLTestEnvironment::probeStreams(movie);
    EXPECT_TRUE(streams.contains(QStringLiteral("h264,video,avc1,1280,720"))) << streams.toStdString();
    EXPECT_TRUE(streams.contains(QStringLiteral("aac,audio"))) << streams.toStdString();
    // The run leaves nothing of its own behind.
    EXPECT_TRUE(QDir(KLKinolarkUtils::getDownloadsDirectory())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                    .filter(QStringLiteral("process-"))
                    .size() <= 1);
}

TEST_F(CommandLineTest, PresetsModesAndContainers) {
    const QString page = m_site.url(QStringLiteral("page.html"));
    Outcome run = runKinolark(
        {page, QStringLiteral("-o"), output(), QStringLiteral("--preset"), QStringLiteral("iphone x")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QString file = only(QStringLiteral(".mov"));
    EXPECT_TRUE(KLTestEnvironment::probeStreams(file).contains(QStringLiteral("hevc,video,hvc1")))
        << KLTestEnvironment::probeStreams(file).toStdString();
    QFile::remove(file);

    run = runKinolark({page, QStringLiteral("-o"), output(), QStringLiteral("-m"),
                       QStringLiteral("audio-only"), QStringLiteral("-p"), QStringLiteral("XBOX One")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    file = only(QStringLiteral(".mp3"));
    EXPECT_EQ(KLTestEnvironment::probeStreams(file), QStringLiteral("mp3,audio,[0][0][0][0]"))
        << KLTestEnvironment::probeStreams(file).toStdString();
    QFile::remove(file);

    run = runKinolark(
        {page, QStringLiteral("-o"), output(), QStringLiteral("-c"), QStringLiteral("download-only")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    file = only(QStringLiteral(".mp4"));
    QFile placed(file);
    ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(placed.readAll() == m_site.contentsOf(clip));
}

TEST_F(CommandLineTest, AFolderGivesOneOutputPerMediaFile) {
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("inner"));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p), folder.filePath(QStringLiteral("one.mp4")));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Webm),
                folder.filePath(QStringLiteral("inner/two.webm")));
    QFile::copy(KLMediaFixtures::path(KLMediaFixtures::TextFile),
                folder.filePath(QStringLiteral("readme.txt")));
    const Outcome run = runKinolark({folder.path(), QStringLiteral("-o"), output()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(filesIn(output()), (QStringList{QStringLiteral("one.mov"), QStringLiteral("two.mov")}));
}

TEST_F(CommandLineTest, LinksOnAPageAndAPageSourceInAUrlEventBothEndWithOutputs) {
    Outcome run = runKinolark({m_site.url(QStringLiteral("links.html")), QStringLiteral("-o"), output(),
                               QStringLiteral("-c"), QStringLiteral("download-only")});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(filesIn(output()).size(), 1);
    QDir(output()).removeRecursively();
    QDir().mkpath(output());

    // The page itself has no player; its source (as the extension sends it) holds a relative iframe.
    m_site.server().addRoute(QStringLiteral("/host/article.html"), "<html><body>nothing</body></html>",
                             "text/html");
    const QString source = QStringLiteral("<html><body><h1>Überschrift \"quoted\"</h1>\n"
                                          "<iframe src=\"/page.html\"></iframe></body></html>");
    const QString address = m_site.url(QStringLiteral("host/article.html"))
                                .replace(QStringLiteral("http://"), QStringLiteral("kinlkurl://"));
    run =
        runKinolark({address + KLURLSchemeDecoder::dataMarker + KLURLSchemeDecoder::encodePayload(source),
                     QStringLiteral("-o"), output(), QStringLiteral("-c"), QStringLiteral("download-only")});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(filesIn(output()).size(), 1);
}

TEST_F(CommandLineTest, NothingFoundAndUsageErrors) {
    Outcome run = runKinolark({m_site.url(QStringLiteral("missing.html")), QStringLiteral("-o"), output()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("No contents were found..."))) << run.err.toStdString();
    run = runKinolark({QStringLiteral("javascript:alert(1)")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(runKinolark({}).exitCode, 2);
    EXPECT_EQ(runKinolark({QStringLiteral("--frobnicate"), QStringLiteral("x")}).exitCode, 2);
    EXPECT_EQ(runKinolark({QStringLiteral("-p"), QStringLiteral("Toaster"), QStringLiteral("x")}).exitCode,
              2);
    run = runKinolark({QStringLiteral("--list-presets")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("iPhone X\n")));
    run = runKinolark(
        {QStringLiteral("--print-ffmpeg-params"), KLMediaFixtures::path(KLMediaFixtures::Clip720p)});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("libx264"))) << run.out.toStdString();
}

TEST_F(CommandLineTest, JsonEventsFollowEachEntryToDone) {
    const Outcome run = runKinolark(
        {m_site.url(QStringLiteral("page.html")), QStringLiteral("-o"), output(), QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList states;
    double lastProgress = -1.0;
    bool rising = true;
    for (const QString &line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
        ASSERT_FALSE(event.isEmpty()) << line.toStdString();
        EXPECT_EQ(event.value(QStringLiteral("id")).toInt(), 1);
        const QString state = event.value(QStringLiteral("state")).toString();
        if (states.isEmpty() || states.last() != state) {
            states << state;
        }
        if (state.startsWith(QStringLiteral("Downloading"))) {
            const double progress = event.value(QStringLiteral("progress")).toDouble();
            rising = rising && progress >= lastProgress;
            lastProgress = progress;
        }
    }
    ASSERT_FALSE(states.isEmpty());
    EXPECT_EQ(states.first(), QStringLiteral("Ready to process..."));
    EXPECT_EQ(states.last(), QStringLiteral("Done..."));
    EXPECT_TRUE(rising);
    const QJsonObject last =
        QJsonDocument::fromJson(run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).last().toUtf8())
            .object();
    EXPECT_TRUE(QFileInfo::exists(last.value(QStringLiteral("output")).toString()));
}

TEST_F(CommandLineTest, InterruptingAStalledDownloadEndsCleanly) {
    m_site.server().stallAfter(clip, 64 * 1024);
    QProcess process;
    process.start(kinolark(), {m_site.url(QStringLiteral("page.html")), QStringLiteral("-o"), output(),
                               QStringLiteral("--json")});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray seen;
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] {
            seen += process.readAllStandardOutput();
            return seen.contains("Downloading");
        },
        120s))
        << seen.toStdString();
    QElapsedTimer timer;
    timer.start();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(process.exitCode(), 130);
    m_site.server().releaseStalls();
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [] {
            // The downloader the program keeps imported names itself only by the variable it reads.
            return KLTestEnvironment::startedProcessesRunning(
                       {QStringLiteral("yt-dlp"), QStringLiteral("ffmpeg"),
                        QStringLiteral("KINOLARK_DOWNLOADER_PROGRAM")}) == 0;
        },
        5s));
    EXPECT_TRUE(filesIn(output()).isEmpty());
    EXPECT_TRUE(QDir(KLKinolarkUtils::getDownloadsDirectory())
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .filter(QStringLiteral("process-"))
                    .size() <= 1); // only this test process's own scratch folder
}
