#include "KLMediaFixtures.h"
#include "KLRecordingTaskListener.h"
#include "KLTestEnvironment.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLConvertFFMPEGTask.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/KLTask/FFMPEG/KLMuxFFMPEGTask.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLScriptInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

template <class Task> void runToEnd(const std::shared_ptr<Task> &task) {
    task->start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->finished(); }, 120s));
}

QStringList downloadsFolderEntries() {
    return QDir(KLKinolarkUtils::getScratchDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

std::shared_ptr<KLVideoProperties> measure(const QString &path) {
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(path);
    runToEnd(task);
    EXPECT_EQ(task->error(), nullptr) << task->error()->description().toStdString();
    return task->template resultAs<std::shared_ptr<KLVideoProperties>>();
}

// What ffprobe says about a file: "video=h264 1280x720", "audio=aac 2", "duration=3.0" and so on.
struct Probed {
    QString videoCodec;
    int width = 0;
    int height = 0;
    QString audioCodec;
    double duration = 0.0;
};

Probed probe(const QString &path) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                   QStringLiteral("format=duration:stream=codec_type,codec_name,width,height"),
                   QStringLiteral("-of"), QStringLiteral("default=nw=1"), path});
    ffprobe.waitForFinished(60000);
    Probed probed;
    QString type;
    QString codec;
    const QStringList lines = QString::fromUtf8(ffprobe.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const QString value = line.section(QLatin1Char('='), 1);
        if (key == QStringLiteral("codec_name")) {
            codec = value;
        } else if (key == QStringLiteral("codec_type") && value == QStringLiteral("video")) {
            probed.videoCodec = codec;
        } else if (key == QStringLiteral("codec_type") && value == QStringLiteral("audio")) {
            probed.audioCodec = codec;
        } else if (key == QStringLiteral("width")) {
            probed.width = value.toInt();
        } else if (key == QStringLiteral("height")) {
            probed.height = value.toInt();
        } else if (key == QStringLiteral("duration")) {
            probed.duration = value.toDouble();
        }
    }
    return probed;
}

// Progress values strictly between the start's 0 and the end's 1, in the order they came.
QList<double> progressBetweenStartAndEnd(const KLRecordingTaskListener &listener) {
    QList<double> progress;
    for (double factor : listener.completionFactors()) {
        if (factor > 0.0 && factor < 1.0) {
            progress.append(factor);
        }
    }
    return progress;
}

void expectRising(const QList<double> &progress, int atLeast) {
    EXPECT_GE(progress.size(), atLeast);
    for (qsizetype index = 1; index < progress.size(); ++index) {
        EXPECT_GT(progress.at(index), progress.at(index - 1));
    }
}

// Feeds a file into a named pipe a few kilobytes at a time, so that whatever reads the pipe works as slowly
// as a download that is still arriving.
class SlowFeeder final {
public:
    SlowFeeder(const QString &pipePath, const QString &source) : m_pipePath(pipePath) {
        QFile file(source);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        m_contents = file.readAll();
        EXPECT_EQ(::mkfifo(QFile::encodeName(pipePath).constData(), 0600), 0);
        m_thread = std::thread([this] { feed(); });
    }
    ~SlowFeeder() {
        m_thread.join();
        QFile::remove(m_pipePath);
    }
    SlowFeeder(const SlowFeeder &) = delete;
    SlowFeeder &operator=(const SlowFeeder &) = delete;

private:
    void feed() {
        // Opening for writing without blocking fails until a reader has opened the pipe; giving up after a
        // while keeps a test whose reader never came from hanging.
        int pipe = -1;
        for (int attempt = 0; attempt < 3000 && pipe < 0; ++attempt) {
            pipe = ::open(QFile::encodeName(m_pipePath).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (pipe < 0) {
                std::this_thread::sleep_for(10ms);
            }
        }
        if (pipe < 0) {
            return;
        }
        ::fcntl(pipe, F_SETFL, 0);
        for (qsizetype offset = 0; offset < m_contents.size(); offset += 4096) {
            const qsizetype length = std::min<qsizetype>(4096, m_contents.size() - offset);
            if (::write(pipe, m_contents.constData() + offset, static_cast<size_t>(length)) != length) {
                break;
            }
            std::this_thread::sleep_for(100ms);
        }
        ::close(pipe);
    }

    QString m_pipePath;
    QByteArray m_contents;
    std::thread m_thread;
};

class FFMPEGConversions : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    QString file(const QString &name) const { return QDir(m_folder.path()).filePath(name); }

    QTemporaryDir m_folder;
};

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
            // Scaled down to fit 224x168 with the picture's own shape, never up.
            const bool fits = made.width <= 224 && made.height <= 168;
            EXPECT_TRUE(fits ? thumbnail.size() == QSize(made.width, made.height)
                             : thumbnail.width() == 224 || thumbnail.height() == 168);
            EXPECT_LE(thumbnail.width(), 224);
            EXPECT_LE(thumbnail.height(), 168);
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

TEST_F(FFMPEGConversions, ConversionReportsRisingProgressAndWritesTheFile) {
    const QString output = file(QStringLiteral("converted.mp4"));
    // The realtime filter holds the conversion to the clip's own pace, so that ffmpeg reports several times.
    auto task = std::make_shared<KLConvertFFMPEGTask>(
        KLMediaFixtures::path(KLMediaFixtures::Clip720p), output,
        QStringLiteral(
            " -vf 'realtime,scale=640:trunc(ow/a/2)*2' -c:v libx264 -pix_fmt yuv420p -crf 30 -preset "
            "ultrafast -c:a aac -q:a 0 -ar 44100 "));
    KLRecordingTaskListener listener;
    listener.follow(task.get());
    runToEnd(task);
    ASSERT_EQ(task->error(), nullptr);
    EXPECT_EQ(task->resultAs<QString>(), output);
    EXPECT_NEAR(task->durationInSeconds(), 3.0, 0.05);
    expectRising(progressBetweenStartAndEnd(listener), 3);
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 1);

    const Probed converted = probe(output);
    EXPECT_EQ(converted.videoCodec, QStringLiteral("h264"));
    EXPECT_EQ(converted.audioCodec, QStringLiteral("aac"));
    EXPECT_EQ(converted.width, 640);
    EXPECT_EQ(converted.height, 360);
    EXPECT_NEAR(converted.duration, 3.0, 0.1);
}

TEST_F(FFMPEGConversions, TwoPassConversionRunsBothPassesWithTheSharedLog) {
    // The log prefix lives in a folder whose name needs the quoting that the parameter text carries.
    const QString logFolder = file(QStringLiteral("entry folder"));
    ASSERT_TRUE(QDir().mkpath(logFolder));
    const QString log = QDir(logFolder).filePath(QStringLiteral("ffmpeglog"));
    const QString codecs =
        QStringLiteral(" -an -c:v libx264 -pix_fmt yuv420p -b:v 300000 -preset ultrafast ");
    const QString input = KLMediaFixtures::path(KLMediaFixtures::Clip360p);
    const QString output = file(QStringLiteral("two-pass.mp4"));

    auto pass1 = std::make_shared<KLConvertFFMPEGTask>(
        input, QString(), QStringLiteral("-pass 1 -passlogfile \"%1\" %2 -f mp4").arg(log, codecs));
    KLRecordingTaskListener firstListener;
    firstListener.follow(pass1.get());
    runToEnd(pass1);
    ASSERT_EQ(pass1->error(), nullptr);
    EXPECT_EQ(firstListener.descriptions(), QStringList{QStringLiteral("Converting (pass 1)...")});
    EXPECT_TRUE(QFileInfo::exists(log + QStringLiteral("-0.log")));
    EXPECT_FALSE(QFileInfo::exists(output));

    auto pass2 = std::make_shared<KLConvertFFMPEGTask>(
        input, output, QStringLiteral("-pass 2 -passlogfile \"%1\" %2").arg(log, codecs));
    KLRecordingTaskListener secondListener;
    secondListener.follow(pass2.get());
    runToEnd(pass2);
    // x264 refuses a second pass without the first pass's statistics, so success means the log was read.
    ASSERT_EQ(pass2->error(), nullptr);
    EXPECT_EQ(secondListener.descriptions(), QStringList{QStringLiteral("Converting (pass 2)...")});
    const Probed converted = probe(output);
    EXPECT_EQ(converted.videoCodec, QStringLiteral("h264"));
    EXPECT_TRUE(converted.audioCodec.isEmpty());
    EXPECT_NEAR(converted.duration, 2.0, 0.1);
}

TEST_F(FFMPEGConversions, ASecondPassWithoutItsLogFails) {
    const QString output = file(QStringLiteral("two-pass.mp4"));
    auto pass2 = std::make_shared<KLConvertFFMPEGTask>(
        KLMediaFixtures::path(KLMediaFixtures::Clip360p), output,
        QStringLiteral("-pass 2 -passlogfile \"%1\"  -c:v libx264 -b:v 300000 ")
            .arg(file(QStringLiteral("nolog"))));
    runToEnd(pass2);
    ASSERT_NE(pass2->error(), nullptr);
    EXPECT_EQ(pass2->error()->errorType(), 6);
    EXPECT_FALSE(QFileInfo::exists(output));
}

TEST_F(FFMPEGConversions, AConversionThatFailsMidwayLeavesNoOutput) {
    // The head of a clip whose index comes first: ffmpeg converts what is there, then meets the cut, and
    // with -xerror gives up. It has written part of the output by then.
    QFile clip(KLMediaFixtures::path(KLMediaFixtures::Clip720p));
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    const QString truncated = file(QStringLiteral("truncated.mp4"));
    KLTestEnvironment::writeFile(truncated, clip.read(200000));
    const QString output = file(QStringLiteral("converted.mp4"));
    auto task = std::make_shared<KLConvertFFMPEGTask>(
        truncated, output, QStringLiteral(" -xerror -c:v libx264 -preset ultrafast -c:a aac "));
    KLRecordingTaskListener listener;
    listener.follow(task.get());
    runToEnd(task);
    ASSERT_NE(task->error(), nullptr);
    EXPECT_TRUE(task->error()->description().startsWith(QStringLiteral("6: Conversion failed... (")))
        << task->error()->description().toStdString();
    EXPECT_FALSE(QFileInfo::exists(output));
    EXPECT_TRUE(QFileInfo::exists(truncated));
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 1);
}

TEST_F(FFMPEGConversions, AConversionFfmpegRefusesFailsAndKeepsItsInput) {
    const QString unknownEncoder = file(QStringLiteral("never.mp4"));
    auto refused =
        std::make_shared<KLConvertFFMPEGTask>(KLMediaFixtures::path(KLMediaFixtures::Clip360p),
                                              unknownEncoder, QStringLiteral(" -c:v nosuchencoder "));
    runToEnd(refused);
    ASSERT_NE(refused->error(), nullptr);
    EXPECT_EQ(refused->error()->errorType(), 6);
    EXPECT_FALSE(QFileInfo::exists(unknownEncoder));

    // Converting a file onto itself: ffmpeg refuses, and the file, being the input, must stay.
    const QString same = file(QStringLiteral("same.mp4"));
    ASSERT_TRUE(QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p), same));
    auto onto = std::make_shared<KLConvertFFMPEGTask>(same, same, QStringLiteral(" -c copy "));
    runToEnd(onto);
    EXPECT_EQ(probe(same).width, 640);
}

TEST_F(FFMPEGConversions, TerminatingAConversionStopsFfmpegAndReportsOnce) {
    const QString output = file(QStringLiteral("converted.mp4"));
    auto task = std::make_shared<KLConvertFFMPEGTask>(
        KLMediaFixtures::path(KLMediaFixtures::Clip720p), output,
        QStringLiteral(" -vf realtime=speed=0.5 -c:v libx264 -preset ultrafast -c:a aac "));
    KLRecordingTaskListener listener;
    listener.follow(task.get());
    task->start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&listener] { return !progressBetweenStartAndEnd(listener).isEmpty(); }, 60s));
    const std::shared_ptr<KLScriptInstance> script = task->scriptInstance();
    ASSERT_NE(script, nullptr);
    const pid_t group = script->processIdentifier();
    task->terminate();

    EXPECT_TRUE(task->finished());
    EXPECT_EQ(task->error()->description(), QStringLiteral("7: Task terminated"));
    EXPECT_TRUE(
        KLTestEnvironment::waitUntil([group] { return !KLTestEnvironment::processGroupAlive(group); }, 10s));
    // The work routine has ended too, without reporting a second end.
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->scriptInstance() == nullptr; }));
    EXPECT_EQ(listener.count(QStringLiteral("terminated")), 1);
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 0);
    EXPECT_EQ(task->error()->errorType(), 7);
    // The script removed the unfinished output when it was stopped.
    EXPECT_FALSE(QFileInfo::exists(output));
}

TEST_F(FFMPEGConversions, MuxingJoinsSeparateStreamsWithRisingProgress) {
    const QString output = file(QStringLiteral("muxed.mp4"));
    const QString video = file(QStringLiteral("video stream 'one'.mp4"));
    // Copying streams is quick; a video that arrives slowly through a pipe gives ffmpeg time to report.
    SlowFeeder feeder(video, KLMediaFixtures::path(KLMediaFixtures::VideoOnly));
    auto task =
        std::make_shared<KLMuxFFMPEGTask>(video, KLMediaFixtures::path(KLMediaFixtures::AudioM4a), output);
    KLRecordingTaskListener listener;
    listener.follow(task.get());
    runToEnd(task);
    ASSERT_EQ(task->error(), nullptr);
    EXPECT_EQ(listener.descriptions(), QStringList{QStringLiteral("Muxing...")});
    expectRising(progressBetweenStartAndEnd(listener), 2);

    const Probed muxed = probe(output);
    EXPECT_EQ(muxed.videoCodec, QStringLiteral("h264"));
    EXPECT_EQ(muxed.audioCodec, QStringLiteral("aac"));
    EXPECT_EQ(muxed.width, 640);
    EXPECT_NEAR(muxed.duration, 2.0, 0.1);
}

TEST_F(FFMPEGConversions, MuxingWithoutAnAudioStreamFails) {
    const QString output = file(QStringLiteral("muxed.mp4"));
    const QString videoOnly = KLMediaFixtures::path(KLMediaFixtures::VideoOnly);
    auto task = std::make_shared<KLMuxFFMPEGTask>(videoOnly, videoOnly, output);
    runToEnd(task);
    ASSERT_NE(task->error(), nullptr);
    EXPECT_TRUE(task->error()->description().startsWith(QStringLiteral("6: Conversion failed... (")))
        << task->error()->description().toStdString();
    EXPECT_FALSE(QFileInfo::exists(output));
    EXPECT_TRUE(QFileInfo::exists(videoOnly));
}
