#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/Preferences/KLPreferences.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString temporalFolder = QStringLiteral("/tmp/x");
const char *h264Crf = "-c:v libx264 -pix_fmt yuv420p -crf 23 -preset veryfast ";
const char *aacVb = "-c:a aac -q:a 0 -ar 44100 ";

// Video and audio into mp4 with h264 (CRF 23, "veryfast") and aac (quality 0 at 44100 Hz); frame size and
// channel layout kept. Every field the factory reads is set, whatever the start-up preset left.
std::shared_ptr<KLPreferences> plainPreferences() {
    auto p = std::make_shared<KLPreferences>();
    p->setOutputMode(KLOutputMode::VideoAndAudio);
    p->setContainer(s("mp4"));
    p->setUseInputFilesResolution(true);
    p->setUseAsMaximumResolution(false);
    p->setKeepAspectRatio(false);
    p->setResolution(QSizeF(1280, 720));
    p->setVideoCodec(s("h264"));
    p->setUseInputFilesVideoCodec(false);
    p->setH264Mode(KLPreferences::constantRateFactorMode);
    p->setH264CRFValue(23);
    p->setH264CRFSpeedPreset(s("veryfast"));
    p->setH264TwoPassBitRate(1200000);
    p->setH264TwoPassSpeedPreset(s("veryfast"));
    p->setAudioCodec(s("aac"));
    p->setUseInputFilesAudioCodec(false);
    p->setAacMode(KLPreferences::variableBitrateMode);
    p->setAacVariableBitRateQuality(0);
    p->setAacSampleRate(44100);
    p->setUseInputFilesMonoStereo(true);
    p->setAudioMode(KLAudioMode::Stereo);
    return p;
}

std::shared_ptr<KLVideoProperties> inputOfSize(double width, double height) {
    auto properties = std::make_shared<KLVideoProperties>();
    properties->setResolution(QSizeF(width, height));
    return properties;
}

QStringList generate(const KLPreferences &preferences,
                     const KLVideoProperties &input = *inputOfSize(1920, 1080),
                     const QString &folder = temporalFolder) {
    return KLFFMPEGCommandFactory().generateFFMPEGParametersForPreferences(preferences, input, folder);
}

// The words bash makes of a parameter text, as the conversion script's command line splits it.
QStringList shellWords(const QString &text) {
    QProcess bash;
    bash.start(s("/bin/bash"), {s("-c"), s("printf '%s\\n' ") + text});
    bash.waitForFinished();
    QStringList words = QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'));
    words.removeLast();
    return words;
}

TEST(FFMPEGCommandFactory, OnePassTextIsTheCodecTextBetweenBlanks) {
    EXPECT_EQ(generate(*plainPreferences()), QStringList{s(" ") + s(h264Crf) + s(aacVb)});
}

TEST(FFMPEGCommandFactory, TwoPassGivesPassOneWithTheFormatThenPassTwo) {
    const auto p = plainPreferences();
    p->setH264Mode(KLPreferences::constantBitrateTwoPassMode);
    const QString codecText = s(" -c:v libx264 -pix_fmt yuv420p -b:v 1200000 -preset veryfast ") + s(aacVb);
    const QStringList texts = generate(*p);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], s("-pass 1 -passlogfile \"/tmp/x/ffmpeglog\" ") + codecText + s(" -f mp4"));
    EXPECT_EQ(texts[1], s("-pass 2 -passlogfile \"/tmp/x/ffmpeglog\" ") + codecText);
}

TEST(FFMPEGCommandFactory, OnlyAVideoCodecInItsTwoPassModeMakesTwoPasses) {
    // Audio in constant bitrate stays one pass.
    auto p = plainPreferences();
    p->setAacMode(KLPreferences::constantBitrateMode);
    p->setAacConstantBitRate(224000);
    EXPECT_EQ(generate(*p), QStringList{s(" ") + s(h264Crf) + s("-c:a aac -b:a 224000 -ar 44100 ")});

    // A video codec set to two passes does not count when the video is dropped or copied.
    p = plainPreferences();
    p->setH264Mode(KLPreferences::constantBitrateTwoPassMode);
    p->setOutputMode(KLOutputMode::AudioOnly);
    EXPECT_EQ(generate(*p), QStringList{s(" -vn ") + s(aacVb)});
    p->setOutputMode(KLOutputMode::VideoAndAudio);
    p->setUseInputFilesVideoCodec(true);
    EXPECT_EQ(generate(*p), QStringList{s(" -c:v copy ") + s(aacVb)});

    // Video only in two passes: no audio part in either pass.
    p->setUseInputFilesVideoCodec(false);
    p->setOutputMode(KLOutputMode::VideoOnly);
    p->setContainer(s("mov"));
    const QStringList texts = generate(*p);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], s("-pass 1 -passlogfile \"/tmp/x/ffmpeglog\"  -an -c:v libx264 -pix_fmt yuv420p "
                          "-b:v 1200000 -preset veryfast  -f mov"));
}

// Pass 1 writes to /dev/null, so "-f" must name a format ffmpeg has: a wmv file is written by its asf muxer.
TEST(FFMPEGCommandFactory, PassOneNamesFFMPEGsFormatForTheContainer) {
    const auto p = plainPreferences();
    p->setContainer(s("wmv"));
    p->setVideoCodec(s("wmv2"));
    p->setWmv2Mode(KLPreferences::constantBitrateTwoPassMode);
    p->setWmv2TwoPassBitRate(600000);
    p->setAudioCodec(s("wmav2"));
    p->setWmav2Bitrate(224000);
    p->setWmav2SampleRate(44100);
    const QStringList texts = generate(*p);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].endsWith(s("-c:v wmv2 -b:v 600000 -c:a wmav2 -b:a 224000 -ar 44100  -f asf")))
        << texts[0].toStdString();
    for (const char *container : {"mp4", "mov", "mpeg", "avi", "flv", "3g2", "webm"}) {
        EXPECT_EQ(KLFFMPEGCommandFactory::outputFormatForContainer(s(container)), s(container));
    }
}

// The pass log prefix reaches ffmpeg as one word holding exactly the path, whatever the folder's name holds.
TEST(FFMPEGCommandFactory, PassLogFileIsOneShellWordForAnyFolder) {
    const auto p = plainPreferences();
    p->setH264Mode(KLPreferences::constantBitrateTwoPassMode);
    EXPECT_TRUE(generate(*p, *inputOfSize(1920, 1080), s("/tmp/x/"))[1].startsWith(
        s("-pass 2 -passlogfile \"/tmp/x/ffmpeglog\" ")));
    for (const char *folder : {"/home/a b/run", "/home/it's/run", "/home/$HOME/run", "/home/\"q\"/`id`\\"}) {
        for (const QString &text : generate(*p, *inputOfSize(1920, 1080), s(folder))) {
            const QStringList words = shellWords(text);
            const qsizetype at = words.indexOf(s("-passlogfile"));
            ASSERT_GE(at, 0) << text.toStdString();
            ASSERT_LT(at + 1, words.size());
            EXPECT_EQ(words[at + 1], s(folder) + s("/ffmpeglog")) << text.toStdString();
            EXPECT_EQ(words.last(), text.startsWith(s("-pass 1")) ? s("mp4") : s("44100"));
        }
    }
}

struct StreamCase {
    const char *name;
    KLOutputMode outputMode;
    bool copyVideo;
    bool copyAudio;
    bool keepChannels;
    KLAudioMode audioMode;
    const char *expected;
};

std::ostream &operator<<(std::ostream &stream, const StreamCase &c) {
    return stream << c.name;
}

class FFMPEGStreamSelection : public testing::TestWithParam<StreamCase> {};

// The streams the output keeps decide which of the channel and codec pieces appear.
TEST_P(FFMPEGStreamSelection, PiecesFollowTheOutputMode) {
    const StreamCase &c = GetParam();
    const auto p = plainPreferences();
    p->setOutputMode(c.outputMode);
    p->setUseInputFilesVideoCodec(c.copyVideo);
    p->setUseInputFilesAudioCodec(c.copyAudio);
    p->setUseInputFilesMonoStereo(c.keepChannels);
    p->setAudioMode(c.audioMode);
    // A frame size that would be applied if video were kept.
    p->setUseInputFilesResolution(false);
    p->setResolution(QSizeF(640, 360));
    EXPECT_EQ(generate(*p), QStringList{s(c.expected)});
}

const StreamCase streamCases[] = {
    {"AudioOnlyCopy", KLOutputMode::AudioOnly, false, true, true, KLAudioMode::Stereo, " -vn -c:a copy "},
    {"AudioOnlyCopyMono", KLOutputMode::AudioOnly, false, true, false, KLAudioMode::Mono,
     " -vn -ac 1 -c:a copy "},
    {"AudioOnlyCopyStereo", KLOutputMode::AudioOnly, true, true, false, KLAudioMode::Stereo,
     " -vn -ac 2 -c:a copy "},
    {"AudioOnlyEncoded", KLOutputMode::AudioOnly, false, false, false, KLAudioMode::Mono,
     " -vn -ac 1 -c:a aac -q:a 0 -ar 44100 "},
    {"VideoOnlyCopy", KLOutputMode::VideoOnly, true, false, false, KLAudioMode::Mono,
     " -an -vf 'scale=640:360' -c:v copy "},
    {"VideoOnlyEncoded", KLOutputMode::VideoOnly, false, true, false, KLAudioMode::Stereo,
     " -an -vf 'scale=640:360' -c:v libx264 -pix_fmt yuv420p -crf 23 -preset veryfast "},
    {"BothCopied", KLOutputMode::VideoAndAudio, true, true, false, KLAudioMode::Stereo,
     " -vf 'scale=640:360' -ac 2 -c:v copy -c:a copy "},
    {"BothEncodedInOrder", KLOutputMode::VideoAndAudio, false, false, false, KLAudioMode::Mono,
     " -vf 'scale=640:360' -ac 1 -c:v libx264 -pix_fmt yuv420p -crf 23 -preset veryfast "
     "-c:a aac -q:a 0 -ar 44100 "},
};

INSTANTIATE_TEST_SUITE_P(Modes, FFMPEGStreamSelection, testing::ValuesIn(streamCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct ResolutionCase {
    const char *name;
    bool maximum;
    bool keepAspect;
    QSizeF target;
    QSizeF input;
    const char *expected; // the frame-size piece, empty for none
};

std::ostream &operator<<(std::ostream &stream, const ResolutionCase &c) {
    return stream << c.name;
}

class FFMPEGFrameSize : public testing::TestWithParam<ResolutionCase> {};

TEST_P(FFMPEGFrameSize, ScaleFilter) {
    const ResolutionCase &c = GetParam();
    const auto p = plainPreferences();
    p->setUseInputFilesResolution(false);
    p->setUseAsMaximumResolution(c.maximum);
    p->setKeepAspectRatio(c.keepAspect);
    p->setResolution(c.target);
    QString piece;
    KLFFMPEGCommandFactory().setupResolutionParametersForPreferences(
        *p, *inputOfSize(c.input.width(), c.input.height()), piece);
    EXPECT_EQ(piece, s(c.expected));
    EXPECT_EQ(generate(*p, *inputOfSize(c.input.width(), c.input.height())),
              QStringList{s(" ") + s(c.expected) + s(h264Crf) + s(aacVb)});
}

const ResolutionCase resolutionCases[] = {
    // As a maximum: only an input larger in either dimension is scaled.
    {"MaximumEqualInput", true, true, {1280, 720}, {1280, 720}, ""},
    {"MaximumSmallerInput", true, false, {1280, 720}, {640, 480}, ""},
    {"MaximumWiderInput", true, true, {1280, 720}, {1920, 1080}, "-vf 'scale=1280:trunc(ow/a/2)*2' "},
    {"MaximumOneColumnWider", true, true, {1280, 720}, {1281, 720}, "-vf 'scale=1280:trunc(ow/a/2)*2' "},
    // A relatively taller input is fitted by its height, so that it ends up inside the maximum.
    {"MaximumPortraitInput", true, true, {1280, 720}, {720, 1280}, "-vf 'scale=trunc(oh*a/2)*2:720' "},
    {"MaximumOneRowTaller", true, true, {1280, 720}, {1280, 721}, "-vf 'scale=trunc(oh*a/2)*2:720' "},
    {"MaximumTallerSquareTarget", true, true, {500, 500}, {600, 800}, "-vf 'scale=trunc(oh*a/2)*2:500' "},
    {"MaximumWiderSquareTarget", true, true, {500, 500}, {800, 600}, "-vf 'scale=500:trunc(ow/a/2)*2' "},
    // An odd maximum height (iPhone X: 2436 x 1125) gives the even height below it.
    {"MaximumPortraitOddHeight", true, true, {2436, 1125}, {1080, 1920}, "-vf 'scale=trunc(oh*a/2)*2:1124' "},
    {"MaximumPortraitWithoutAspect", true, false, {1280, 720}, {720, 1280}, "-vf 'scale=1280:720' "},
    {"MaximumUnknownInput", true, true, {1280, 720}, {0, 0}, ""},
    // As a target: always scaled, the width fixed when the aspect ratio is kept.
    {"TargetSmallerInput", false, true, {1280, 720}, {640, 360}, "-vf 'scale=1280:trunc(ow/a/2)*2' "},
    {"TargetPortraitInput", false, true, {1280, 720}, {720, 1280}, "-vf 'scale=1280:trunc(ow/a/2)*2' "},
    {"TargetEqualInputWithoutAspect", false, false, {1280, 720}, {1280, 720}, "-vf 'scale=1280:720' "},
    {"TargetUnknownInput", false, false, {854, 480}, {0, 0}, "-vf 'scale=854:480' "},
};

INSTANTIATE_TEST_SUITE_P(Sizes, FFMPEGFrameSize, testing::ValuesIn(resolutionCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FFMPEGFrameSize, KeptWhenTheInputsSizeIsUsed) {
    const auto p = plainPreferences();
    p->setUseInputFilesResolution(true);
    p->setUseAsMaximumResolution(false);
    p->setResolution(QSizeF(320, 240));
    EXPECT_EQ(generate(*p), QStringList{s(" ") + s(h264Crf) + s(aacVb)});
}

// An enumeration value outside the catalogue is a programming error that stops the process.
TEST(FFMPEGCommandFactoryDeathTest, EnumerationsOutsideTheCatalogueStopTheProcess) {
    // "fast" forks this process, so the child dies in the parent's private home folder; a re-executed child
    // would make a home folder of its own and, aborting, never remove it. Nothing here runs on other threads.
    GTEST_FLAG_SET(death_test_style, "fast");
    auto p = plainPreferences();
    p->setOutputMode(static_cast<KLOutputMode>(7));
    EXPECT_DEATH(generate(*p), "Unknown output mode");

    p = plainPreferences();
    p->setUseInputFilesMonoStereo(false);
    p->setAudioMode(static_cast<KLAudioMode>(2));
    EXPECT_DEATH(generate(*p), "Unknown audio mode");
}

// Settings a user or a hand-edited store can reach never stop the process: an audio container converts the
// sound alone, and what allows no conversion at all gives no command and says why.
TEST(FFMPEGCommandFactory, SettingsThatAStoreCanHoldGiveACommandOrAReason) {
    struct Case {
        const char *name;
        KLOutputMode mode;
        const char *container;
        const char *videoCodec;
        const char *audioCodec;
        QStringList expected;
        const char *problem;
    };
    const QList<Case> cases = {
        {"m4a in video and audio",
         KLOutputMode::VideoAndAudio,
         "m4a",
         "",
         "aac",
         {s(" -vn ") + s(aacVb)},
         ""},
        {"mp3 in video and audio",
         KLOutputMode::VideoAndAudio,
         "mp3",
         "h264",
         "aac",
         {s(" -vn ") + s(aacVb)},
         ""},
        {"m4a in video only", KLOutputMode::VideoOnly, "m4a", "", "aac", {}, "m4a files hold no picture"},
        {"unknown video codec",
         KLOutputMode::VideoAndAudio,
         "mp4",
         "theora",
         "aac",
         {},
         "there is no video codec named theora"},
        {"no video codec",
         KLOutputMode::VideoAndAudio,
         "mov",
         "",
         "aac",
         {},
         "no video codec is chosen for mov files"},
        {"no audio codec", KLOutputMode::AudioOnly, "mp3", "", "", {}, "no audio codec is chosen for mp3"},
    };
    for (const Case &c : cases) {
        auto p = plainPreferences();
        p->setOutputMode(c.mode);
        p->setContainer(s(c.container));
        p->setVideoCodec(s(c.videoCodec));
        p->setAudioCodec(s(c.audioCodec));
        QString problem;
        const QStringList commands = KLFFMPEGCommandFactory().generateFFMPEGParametersForPreferences(
            *p, *inputOfSize(1920, 1080), temporalFolder, &problem);
        EXPECT_EQ(commands, c.expected) << c.name;
        EXPECT_TRUE(*c.problem == 0 ? problem.isEmpty() : problem.startsWith(s(c.problem)))
            << c.name << ": " << problem.toStdString();
    }
}

} // namespace
