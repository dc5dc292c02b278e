#include "KLRecordingTaskListener.h"
#include "KLTestEnvironment.h"

#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLConvertFFMPEGTask.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/KLTask/FFMPEG/KLMuxFFMPEGTask.h"
#include "Utils/KLResources.h"
#include "Utils/KLScriptInstance.h"
#include "Utils/KLScriptManager.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace {

using namespace std::chrono_literals;

// ffmpeg's report as the conversion scripts print it, with the lines that must not move the progress: one
// before the duration is known, one with the negative time ffmpeg shows before its first packet, one
// without " bitrate", one audio-only line (no "frame="), and noise.
const QString report = QStringLiteral(R"(Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'file:in.mp4':
  Metadata:
    major_brand     : isom
frame=    1 fps=0.0 q=0.0 size=       0kB time=00:00:10.00 bitrate=N/A speed=N/A
  Duration: 00:01:40.00, start: 0.000000, bitrate: 876 kb/s
  Stream #0:0[0x1](und): Video: h264 (High), yuv420p(progressive), 1280x720, 25 fps
size=       5kB time=00:00:25.00 bitrate=   1.6kbits/s speed=2x
frame=   14 fps=0.0 q=0.0 size=       0kB time=00:00:50.00 bitrate=   0.7kbits/s speed=1.08x
frame=   20 fps=0.0 q=0.0 size=       0kB time=-577014:32:22.77 bitrate=N/A speed=N/A
frame=   30 fps= 25 q=28.0 size=       0kB time=00:01:15.00 speed=1x
time= bitrate garbage in the wrong order bitrate time=
video:465kB audio:44kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: 0.7%
frame=   75 fps= 25 q=-1.0 Lsize=     513kB time=00:01:40.00 bitrate=1392.2kbits/s speed=0.993x
)");

class FFMPEGTasks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.isValid());
        KLResources::setResourcesDirectory(m_resources.path());
    }
    void TearDown() override { KLResources::setResourcesDirectory(QString()); }

    QString file(const QString &name) const { return QDir(m_resources.path()).filePath(name); }
    QString quoted(const QString &name) const { return KLScriptManager::quoteArgument(file(name)); }

    // A fake script that records its arguments one per line in "<name>.arguments", then runs the body.
    void writeFakeScript(const QString &name, const QString &body) {
        KLTestEnvironment::writeScript(m_resources.path(), name + QStringLiteral(".sh"),
                                       QStringLiteral("printf '%s\\n' \"$@\" > ") +
                                           quoted(name + QStringLiteral(".arguments")) + QLatin1Char('\n') +
                                           body);
    }
    QStringList argumentsOf(const QString &name) const {
        QString text = KLTestEnvironment::readFile(file(name + QStringLiteral(".arguments")));
        text.chop(1);
        return text.split(QLatin1Char('\n'));
    }
    // A converter that prints the report and makes its output file (argument `outputArgument`).
    void writeSucceedingConverter(const QString &name, int outputArgument) {
        KLTestEnvironment::writeFile(file(QStringLiteral("report.txt")), report.toUtf8());
        writeFakeScript(name, QStringLiteral("cat %1\ntouch \"${%2}\"\n")
                                  .arg(quoted(QStringLiteral("report.txt")))
                                  .arg(outputArgument));
    }

    static void run(const std::shared_ptr<KLTask> &task, KLRecordingTaskListener &listener) {
        listener.follow(task.get());
        task->start();
        ASSERT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->finished(); }, 30s));
    }

    QTemporaryDir m_resources;
};

TEST_F(FFMPEGTasks, ConversionFollowsTheReportedTimeAgainstTheDuration) {
    writeSucceedingConverter(QStringLiteral("ffmpeg_convert"), 2);
    const QString output = file(QStringLiteral("out.mp4"));
    auto task = std::make_shared<KLConvertFFMPEGTask>(QStringLiteral("/in.mp4"), output,
                                                      QStringLiteral(" -c:v copy "));
    KLRecordingTaskListener listener;
    run(task, listener);
    EXPECT_EQ(task->error(), nullptr);
    EXPECT_EQ(task->resultAs<QString>(), output);
    EXPECT_DOUBLE_EQ(task->durationInSeconds(), 100.0);
    EXPECT_EQ(listener.completionFactors(), (QList<double>{0.0, 0.25, 0.5, 1.0, 1.0, 1.0}));
    EXPECT_EQ(listener.descriptions(), QStringList{QStringLiteral("Converting...")});
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 1);
    EXPECT_EQ(task->type(), KLTask::longProcessingType);
}

TEST_F(FFMPEGTasks, MuxingCountsOnlyPictureProgressLines) {
    writeSucceedingConverter(QStringLiteral("ffmpeg_mux_mp4"), 3);
    const QString output = file(QStringLiteral("muxed.mp4"));
    auto task = std::make_shared<KLMuxFFMPEGTask>(QStringLiteral("/v.mp4"), QStringLiteral("/a.m4a"), output);
    KLRecordingTaskListener listener;
    run(task, listener);
    EXPECT_EQ(task->error(), nullptr);
    EXPECT_EQ(listener.completionFactors(), (QList<double>{0.0, 0.5, 1.0, 1.0, 1.0}));
    EXPECT_EQ(listener.descriptions(), QStringList{QStringLiteral("Muxing...")});
    EXPECT_EQ(argumentsOf(QStringLiteral("ffmpeg_mux_mp4")),
              (QStringList{QStringLiteral("/v.mp4"), QStringLiteral("/a.m4a"), output}));
    EXPECT_EQ(task->type(), KLTask::longProcessingType);
}

TEST_F(FFMPEGTasks, WithoutADurationOrWithAnUnknownOneNothingIsReported) {
    for (const QString &durationLine :
         {QString(), QStringLiteral("  Duration: N/A, start: 0.000000, bitrate: N/A\n"),
          QStringLiteral("  Duration without the separators\n")}) {
        writeFakeScript(QStringLiteral("ffmpeg_convert"),
                        QStringLiteral("echo '%1frame= 1 time=00:00:01.00 bitrate=1kbits/s'\ntouch \"$2\"\n")
                            .arg(durationLine));
        auto task = std::make_shared<KLConvertFFMPEGTask>(QStringLiteral("/in.mp4"),
                                                          file(QStringLiteral("o.mp4")), QString());
        KLRecordingTaskListener listener;
        run(task, listener);
        EXPECT_EQ(listener.completionFactors(), (QList<double>{0.0, 1.0, 1.0})) << durationLine.toStdString();
    }
}

TEST_F(FFMPEGTasks, AMissingOutputFileIsAFailedConversionThatSaysWhy) {
    // ffmpeg's reason is among its report lines; a script's own complaint comes on its error output.
    writeFakeScript(QStringLiteral("ffmpeg_convert"),
                    QStringLiteral("echo '  Duration: 00:00:02.00, start: 0'\n"
                                   "echo '[vost#0:0 @ 0x5581] Unknown encoder nothing'\n"
                                   "echo 'Conversion failed!'\n"));
    writeFakeScript(QStringLiteral("ffmpeg_mux_mp4"), QStringLiteral("echo 'mux: no such file /v' >&2\n"));
    const std::pair<std::shared_ptr<KLTask>, QString> tasks[] = {
        {std::make_shared<KLConvertFFMPEGTask>(QStringLiteral("/in.mp4"), file(QStringLiteral("never.mp4")),
                                               QStringLiteral(" -c:v nothing ")),
         QStringLiteral("6: Conversion failed... (Unknown encoder nothing)")},
        {std::make_shared<KLMuxFFMPEGTask>(QStringLiteral("/v"), QStringLiteral("/a"),
                                           file(QStringLiteral("never.mp4"))),
         QStringLiteral("6: Conversion failed... (mux: no such file /v)")}};
    for (const auto &[task, description] : tasks) {
        KLRecordingTaskListener listener;
        run(task, listener);
        ASSERT_NE(task->error(), nullptr);
        EXPECT_EQ(task->error()->description(), description);
        EXPECT_FALSE(task->result().has_value());
        EXPECT_DOUBLE_EQ(task->completionFactor(), 1.0);
        EXPECT_EQ(listener.count(QStringLiteral("completed")), 1);
    }
}

TEST_F(FFMPEGTasks, ParametersReachTheScriptAsSeparateWordsAfterTheQuotedPaths) {
    writeFakeScript(QStringLiteral("ffmpeg_convert"), QString());
    const QString input = QStringLiteral("/videos/it's a \"clip\" $HOME `x`.mp4");
    const QString pass1 = QStringLiteral("-pass 1 -passlogfile \"/tmp/a folder/ffmpeglog\"  -an -vf "
                                         "'scale=1280:trunc(ow/a/2)*2' -c:v libx264 -b:v 1200000  -f mp4");
    auto task = std::make_shared<KLConvertFFMPEGTask>(input, QString(), pass1);
    KLRecordingTaskListener listener;
    run(task, listener);
    // Pass 1 writes to /dev/null, which always exists: it does not fail for want of an output file.
    EXPECT_EQ(task->error(), nullptr);
    EXPECT_EQ(task->outputPath(), QStringLiteral("/dev/null"));
    EXPECT_EQ(argumentsOf(QStringLiteral("ffmpeg_convert")),
              (QStringList{input, QStringLiteral("/dev/null"), QStringLiteral("-pass"), QStringLiteral("1"),
                           QStringLiteral("-passlogfile"), QStringLiteral("/tmp/a folder/ffmpeglog"),
                           QStringLiteral("-an"), QStringLiteral("-vf"),
                           QStringLiteral("scale=1280:trunc(ow/a/2)*2"), QStringLiteral("-c:v"),
                           QStringLiteral("libx264"), QStringLiteral("-b:v"), QStringLiteral("1200000"),
                           QStringLiteral("-f"), QStringLiteral("mp4")}));
    EXPECT_EQ(listener.descriptions(), QStringList{QStringLiteral("Converting (pass 1)...")});
}

TEST_F(FFMPEGTasks, DescriptionsNameThePass) {
    writeFakeScript(QStringLiteral("ffmpeg_convert"), QString());
    const auto description = [](const QString &parameters) {
        auto task = std::make_shared<KLConvertFFMPEGTask>(QStringLiteral("/in"), QString(), parameters);
        KLRecordingTaskListener listener;
        run(task, listener);
        return listener.descriptions();
    };
    EXPECT_EQ(description(QStringLiteral(" -vn -c:a copy ")), QStringList{QStringLiteral("Converting...")});
    EXPECT_EQ(description(QStringLiteral("-pass 1 -passlogfile \"/t/l\"  -c:v libx264 -f mp4")),
              QStringList{QStringLiteral("Converting (pass 1)...")});
    EXPECT_EQ(description(QStringLiteral("-pass 2 -passlogfile \"/t/l\"  -c:v libx264 ")),
              QStringList{QStringLiteral("Converting (pass 2)...")});
}

TEST_F(FFMPEGTasks, TerminationStopsTheScriptGroupAndIsReportedOnce) {
    writeFakeScript(QStringLiteral("ffmpeg_convert"),
                    QStringLiteral("echo '  Duration: 00:00:10.00, start: 0.0'\n"
                                   "echo 'frame= 1 time=00:00:05.00 bitrate=1k'\n"
                                   "sleep 60 &\nwait\ntouch \"$2\"\n"));
    auto task = std::make_shared<KLConvertFFMPEGTask>(QStringLiteral("/in"), file(QStringLiteral("out.mp4")),
                                                      QString());
    KLRecordingTaskListener listener;
    listener.follow(task.get());
    task->start();
    ASSERT_TRUE(
        KLTestEnvironment::waitUntil([&listener] { return listener.completionFactors().contains(0.5); }));
    const pid_t group = task->scriptInstance()->processIdentifier();
    task->terminate();
    task->terminate();
    EXPECT_TRUE(
        KLTestEnvironment::waitUntil([group] { return !KLTestEnvironment::processGroupAlive(group); }));
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->scriptInstance() == nullptr; }));
    EXPECT_EQ(task->error()->description(), QStringLiteral("7: Task terminated"));
    EXPECT_EQ(listener.count(QStringLiteral("terminated")), 1);
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 0);
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("out.mp4"))));
}

TEST_F(FFMPEGTasks, ATerminationWhileTheScriptStartsLeavesNoScriptRunning) {
    // The script notes its process id and then waits for a long time; whenever the termination comes, the
    // script must not outlive it.
    writeFakeScript(QStringLiteral("ffmpeg_convert"),
                    QStringLiteral("echo $$ >> %1\nsleep 60 &\nwait\n").arg(quoted(QStringLiteral("pids"))));
    for (int attempt = 0; attempt < 20; ++attempt) {
        auto task = std::make_shared<KLConvertFFMPEGTask>(QStringLiteral("/in"), QString(), QString());
        KLRecordingTaskListener listener;
        listener.follow(task.get());
        task->start();
        std::this_thread::sleep_for(std::chrono::microseconds(attempt * 500));
        task->terminate();
        EXPECT_EQ(listener.count(QStringLiteral("terminated")), 1);
        EXPECT_EQ(listener.count(QStringLiteral("completed")), 0);
    }
    const QStringList pids = KLTestEnvironment::readFile(file(QStringLiteral("pids")))
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &pid : pids) {
        EXPECT_TRUE(KLTestEnvironment::waitUntil([&pid] {
            return !KLTestEnvironment::processGroupAlive(static_cast<pid_t>(pid.toInt()));
        })) << pid.toStdString();
    }
}

TEST(LocalVideoPropertiesOutput, SixAndTenLineFormsFillTheirStreamsFields) {
    const auto audio = KLGetLocalVideoPropertiesTask::propertiesFromOutput(
        QStringLiteral("\n0:00:02.037551\nmp3\nAudio\nmp3\n44100\nmono\n\n"));
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->containerMode(), KLVideoProperties::audioOnlyMode);
    EXPECT_NEAR(audio->duration(), 2.037551, 1e-9);
    EXPECT_EQ(audio->container(), QStringLiteral("mp3"));
    EXPECT_EQ(audio->audioCodec(), QStringLiteral("mp3"));
    EXPECT_EQ(audio->sampleRate(), 44100u);
    EXPECT_FALSE(audio->stereo());
    EXPECT_TRUE(audio->videoCodec().isEmpty());
    EXPECT_EQ(audio->resolution(), QSizeF(0, 0));

    const auto video = KLGetLocalVideoPropertiesTask::propertiesFromOutput(
        QStringLiteral("0:01:40.00\nwebm\nVideo\n640x360\nvp9\n30"));
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->containerMode(), KLVideoProperties::videoOnlyMode);
    EXPECT_DOUBLE_EQ(video->duration(), 100.0);
    EXPECT_EQ(video->resolution(), QSizeF(640, 360));
    EXPECT_EQ(video->videoCodec(), QStringLiteral("vp9"));
    EXPECT_EQ(video->fps(), 30u);
    EXPECT_TRUE(video->audioCodec().isEmpty());
    EXPECT_EQ(video->sampleRate(), 0u);

    const auto both = KLGetLocalVideoPropertiesTask::propertiesFromOutput(QStringLiteral(
        "1:00:00.5\nmov\nanything\n1920x1080\nh264\n29.97\nanything\naac\n48000\n5.1(side)\n"));
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->containerMode(), KLVideoProperties::videoAndAudioMode);
    EXPECT_DOUBLE_EQ(both->duration(), 3600.5);
    EXPECT_EQ(both->resolution(), QSizeF(1920, 1080));
    EXPECT_EQ(both->fps(), 29u);
    EXPECT_EQ(both->audioCodec(), QStringLiteral("aac"));
    EXPECT_EQ(both->sampleRate(), 48000u);
    EXPECT_TRUE(both->stereo());
    EXPECT_FALSE(both->local()); // the task sets it, not the parser
}

TEST(LocalVideoPropertiesOutput, OtherShapesAreNoRecord) {
    for (const QString &output :
         {QString(), QStringLiteral(" \n\n "), QStringLiteral("0:00:01.0\nmp4\nVideo\n640x360\nh264"),
          QStringLiteral("0:00:01.0\nmp4\nVideo\n640x360\nh264\n25\nAudio"),
          QStringLiteral("0:00:01.0\nmkv\nSubtitle\nsrt\n0\nnone"),
          QStringLiteral("Invalid data found when processing input")}) {
        EXPECT_EQ(KLGetLocalVideoPropertiesTask::propertiesFromOutput(output), nullptr)
            << output.toStdString();
    }
}

TEST(LocalVideoPropertiesOutput, UnreadableNumbersBecomeZero) {
    const auto properties = KLGetLocalVideoPropertiesTask::propertiesFromOutput(
        QStringLiteral("N/A\nmp4\nVideo\nunknown\nh264\nnan\nAudio\naac\n-44100\nstereo"));
    ASSERT_NE(properties, nullptr);
    EXPECT_DOUBLE_EQ(properties->duration(), 0.0);
    EXPECT_EQ(properties->resolution(), QSizeF(0, 0));
    EXPECT_EQ(properties->fps(), 0u);
    EXPECT_EQ(properties->sampleRate(), 0u);
}

TEST(LocalVideoPropertiesOutput, LayoutsOfTwoOrMoreChannelsAreStereo) {
    for (const char *layout : {"stereo", "2.1", "5.1(side)", "7.1(wide)", "quad", "hexagonal", "downmix",
                               "2 channels", "6 channels"}) {
        EXPECT_TRUE(KLGetLocalVideoPropertiesTask::isMultichannelLayout(QString::fromLatin1(layout)))
            << layout;
    }
    for (const char *layout : {"mono", "1 channels", "", "unknown", "garbage"}) {
        EXPECT_FALSE(KLGetLocalVideoPropertiesTask::isMultichannelLayout(QString::fromLatin1(layout)))
            << layout;
    }
}

TEST_F(FFMPEGTasks, PropertiesRunKeepsThumbnailsSmallAndRemovesItsFolder) {
    QImage large(1000, 500, QImage::Format_RGB32);
    large.fill(Qt::darkGreen);
    ASSERT_TRUE(large.save(file(QStringLiteral("large.png"))));
    writeFakeScript(QStringLiteral("ffmpeg_thumbnail"),
                    QStringLiteral("cp %1 \"$2\"\n").arg(quoted(QStringLiteral("large.png"))));
    KLTestEnvironment::writeFile(file(QStringLiteral("properties.txt")),
                                 "0:00:03.00\nmp4\nVideo\n1000x500\nh264\n25\n");
    // Asked for a thumbnail too, it has the thumbnail script make it, as the real one does.
    writeFakeScript(QStringLiteral("get_local_video_properties"),
                    QStringLiteral("cat %1\nbash \"${0%/*}/ffmpeg_thumbnail.sh\" \"$1\" \"$3\"\n")
                        .arg(quoted(QStringLiteral("properties.txt"))));

    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(QStringLiteral("/media/clip one.mp4"));
    KLRecordingTaskListener listener;
    run(task, listener);
    ASSERT_EQ(task->error(), nullptr);
    const auto properties = task->resultAs<std::shared_ptr<KLVideoProperties>>();
    ASSERT_NE(properties, nullptr);
    EXPECT_TRUE(properties->local());
    EXPECT_EQ(properties->thumbnail().size(), QSize(224, 112));
    EXPECT_FALSE(properties->thumbnail().hasAlphaChannel());
    EXPECT_EQ(listener.descriptions(),
              QStringList{QStringLiteral("Retrieving information for: /media/clip one.mp4...")});
    EXPECT_EQ(task->type(), KLTask::shortProcessingType);

    // Both scripts got the source and a path in the same temporary folder, which is gone now.
    const QStringList thumbnailArguments = argumentsOf(QStringLiteral("ffmpeg_thumbnail"));
    const QStringList propertiesArguments = argumentsOf(QStringLiteral("get_local_video_properties"));
    ASSERT_EQ(thumbnailArguments.size(), 2);
    ASSERT_EQ(propertiesArguments.size(), 3);
    EXPECT_EQ(propertiesArguments.at(2), thumbnailArguments.at(1));
    EXPECT_EQ(thumbnailArguments.at(0), QStringLiteral("/media/clip one.mp4"));
    EXPECT_EQ(QFileInfo(thumbnailArguments.at(1)).fileName(), QStringLiteral("thumbnail.png"));
    EXPECT_EQ(QFileInfo(propertiesArguments.at(1)).fileName(), QStringLiteral("temp"));
    const QString folder = QFileInfo(propertiesArguments.at(1)).path();
    EXPECT_EQ(QFileInfo(thumbnailArguments.at(1)).path(), folder);
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(FFMPEGTasks, WithoutAThumbnailNoPictureIsMade) {
    writeFakeScript(QStringLiteral("ffmpeg_thumbnail"), QStringLiteral("exit 0\n"));
    writeFakeScript(QStringLiteral("get_local_video_properties"),
                    QStringLiteral("printf '0:00:03.00\\nmp4\\nVideo\\n640x360\\nh264\\n25\\n'\n"));
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(QStringLiteral("/media/clip.mp4"), false);
    KLRecordingTaskListener listener;
    run(task, listener);
    const auto properties = task->resultAs<std::shared_ptr<KLVideoProperties>>();
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties->resolution(), QSizeF(640, 360));
    EXPECT_TRUE(properties->thumbnail().isNull());
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("ffmpeg_thumbnail.arguments"))));
}

TEST_F(FFMPEGTasks, PropertiesOfAnUnexpectedShapeFailWithTypeEightAndRemoveTheFolder) {
    writeFakeScript(QStringLiteral("ffmpeg_thumbnail"), QString());
    writeFakeScript(QStringLiteral("get_local_video_properties"),
                    QStringLiteral("printf '0:00:01.0\\nmp4\\nVideo\\n640x360\\nh264\\n25\\nextra\\n'\n"));
    auto task = std::make_shared<KLGetLocalVideoPropertiesTask>(QStringLiteral("/media/seven.mp4"));
    KLRecordingTaskListener listener;
    run(task, listener);
    ASSERT_NE(task->error(), nullptr);
    EXPECT_EQ(task->error()->description(),
              QStringLiteral("8: Could not get video information for URL: /media/seven.mp4"));
    EXPECT_FALSE(task->result().has_value());
    EXPECT_EQ(listener.count(QStringLiteral("completed")), 1);
    EXPECT_FALSE(
        QFileInfo::exists(QFileInfo(argumentsOf(QStringLiteral("get_local_video_properties")).at(1)).path()));
}

} // namespace
