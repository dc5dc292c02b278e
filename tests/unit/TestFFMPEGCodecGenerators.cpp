#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/KLFFMPEGCodecParametersProperties.h"
#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/Preferences/KLPreferences.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QString &crf = KLPreferences::constantRateFactorMode;
const QString &twoPass = KLPreferences::constantBitrateTwoPassMode;
const QString &vb = KLPreferences::variableBitrateMode;
const QString &cb = KLPreferences::constantBitrateMode;

// Every number and text a generator may read gets a value of its own, so a generator that reads a
// neighbouring field (the CRF value instead of the bitrate, the CB bitrate instead of the VB quality) shows
// up in the text.
void setDistinctCodecValues(KLPreferences &p) {
    p.setH264CRFValue(19);
    p.setH264CRFSpeedPreset(s("slow"));
    p.setH264TwoPassBitRate(700001);
    p.setH264TwoPassSpeedPreset(s("medium"));
    p.setH265CRFValue(28);
    p.setH265CRFSpeedPreset(s("faster"));
    p.setH265TwoPassBitRate(700002);
    p.setH265TwoPassSpeedPreset(s("slower"));
    p.setMpeg4VTag(s("DIVX"));
    p.setMpeg4QScale(3);
    p.setMpeg4TwoPassBitRate(700003);
    p.setMsmpeg4QScale(4);
    p.setMsmpeg4TwoPassBitRate(700004);
    p.setFlvQScale(5);
    p.setFlvTwoPassBitRate(700005);
    p.setWmv2QScale(6);
    p.setWmv2TwoPassBitRate(700006);
    p.setMpegQScale(7);
    p.setMpegTwoPassBitRate(700007);
    p.setVp8CRFValue(12);
    p.setVp8TwoPassBitRate(700008);
    p.setVp9CRFValue(33);
    p.setVp9TwoPassBitRate(700009);
    p.setAacVariableBitRateQuality(2);
    p.setAacConstantBitRate(128000);
    p.setAacSampleRate(48000);
    p.setMp3VariableBitRateQuality(4);
    p.setMp3ConstantBitRate(192000);
    p.setMp3SampleRate(32000);
    p.setWavSampleRate(22050);
    p.setWmav2Bitrate(96000);
    p.setWmav2SampleRate(16000);
    p.setMp2Bitrate(256000);
    p.setMp2SampleRate(24000);
    p.setVorbisVariableBitRateQuality(6);
    p.setVorbisConstantBitRate(160000);
    p.setVorbisSampleRate(11025);
}

using ModeSetter = void (KLPreferences::*)(const QString &);

struct GeneratorCase {
    const char *codec;
    bool video;
    ModeSetter setMode; // null for codecs without modes
    QString mode;
    const char *container;
    const char *expected;
    bool twoPass;
};

std::ostream &operator<<(std::ostream &stream, const GeneratorCase &c) {
    return stream << c.codec << " / " << c.mode.toStdString() << " / " << c.container;
}

class CodecGenerators : public testing::TestWithParam<GeneratorCase> {};

// Each generator is found in the factory under its codec name, appends exactly its row of the table after
// what the text held already, and asks for two passes only in its two-pass mode.
TEST_P(CodecGenerators, AppendTheirRowOfTheTable) {
    const GeneratorCase &c = GetParam();
    KLPreferences preferences;
    setDistinctCodecValues(preferences);
    preferences.setContainer(s(c.container));
    if (c.setMode != nullptr) {
        (preferences.*c.setMode)(c.mode);
    }
    const KLFFMPEGCommandFactory factory;
    const auto &generators = c.video ? factory.videoGenerators() : factory.audioGenerators();
    ASSERT_TRUE(generators.contains(s(c.codec)));
    const auto &generator = *generators.at(s(c.codec));
    EXPECT_EQ(generator.codecName(), s(c.codec));

    QString text = s(" -an ");
    KLFFMPEGCodecParametersProperties properties;
    generator.generateFFMPEGParametersForPreferences(preferences, KLVideoProperties(), text, &properties);
    EXPECT_EQ(text, s(" -an ") + s(c.expected));
    EXPECT_EQ(properties.useTwoPassConversion(), c.twoPass);

    // Audio generators are called without a properties record.
    if (!c.video) {
        QString alone;
        generator.generateFFMPEGParametersForPreferences(preferences, KLVideoProperties(), alone, nullptr);
        EXPECT_EQ(alone, s(c.expected));
    }
}

const GeneratorCase generatorCases[] = {
    {"h264", true, &KLPreferences::setH264Mode, crf, "mp4",
     "-c:v libx264 -pix_fmt yuv420p -crf 19 -preset slow ", false},
    {"h264", true, &KLPreferences::setH264Mode, twoPass, "mp4",
     "-c:v libx264 -pix_fmt yuv420p -b:v 700001 -preset medium ", true},
    {"h265", true, &KLPreferences::setH265Mode, crf, "mp4",
     "-c:v libx265 -pix_fmt yuv420p -crf 28 -preset faster ", false},
    {"h265", true, &KLPreferences::setH265Mode, twoPass, "mp4",
     "-c:v libx265 -pix_fmt yuv420p -b:v 700002 -preset slower ", true},
    {"h265", true, &KLPreferences::setH265Mode, crf, "mov",
     "-c:v libx265 -pix_fmt yuv420p -crf 28 -preset faster -tag:v hvc1 ", false},
    {"h265", true, &KLPreferences::setH265Mode, twoPass, "mov",
     "-c:v libx265 -pix_fmt yuv420p -b:v 700002 -preset slower -tag:v hvc1 ", true},
    // The tag follows the container whatever the mode, and only the exact name "mov".
    {"h265", true, &KLPreferences::setH265Mode, s("Bogus"), "mov", "-tag:v hvc1 ", false},
    {"h265", true, &KLPreferences::setH265Mode, crf, "MOV",
     "-c:v libx265 -pix_fmt yuv420p -crf 28 -preset faster ", false},
    {"mpeg4", true, &KLPreferences::setMpeg4Mode, vb, "avi", "-c:v mpeg4 -q:v 3 -tag:v DIVX ", false},
    {"mpeg4", true, &KLPreferences::setMpeg4Mode, twoPass, "avi", "-c:v mpeg4 -b:v 700003 -tag:v DIVX ",
     true},
    {"msmpeg4", true, &KLPreferences::setMsmpeg4Mode, vb, "wmv", "-c:v mpeg4 -q:v 4 ", false},
    {"msmpeg4", true, &KLPreferences::setMsmpeg4Mode, twoPass, "wmv", "-c:v mpeg4 -b:v 700004 ", true},
    {"flv", true, &KLPreferences::setFlvMode, vb, "flv", "-c:v flv -q:v 5 ", false},
    {"flv", true, &KLPreferences::setFlvMode, twoPass, "flv", "-c:v flv -b:v 700005 ", true},
    {"wmv2", true, &KLPreferences::setWmv2Mode, vb, "wmv", "-c:v wmv2 -q:v 6 ", false},
    {"wmv2", true, &KLPreferences::setWmv2Mode, twoPass, "wmv", "-c:v wmv2 -b:v 700006 ", true},
    {"mpeg", true, &KLPreferences::setMpegMode, vb, "mpeg", "-c:v mpeg1video -q:v 7 ", false},
    {"mpeg", true, &KLPreferences::setMpegMode, twoPass, "mp4", "-c:v mpeg1video -b:v 700007 ", true},
    // A 3GPP2 file cannot hold MPEG-1 video; the MPEG video it can hold is MPEG-4 part 2.
    {"mpeg", true, &KLPreferences::setMpegMode, vb, "3g2", "-c:v mpeg4 -q:v 7 ", false},
    {"mpeg", true, &KLPreferences::setMpegMode, twoPass, "3g2", "-c:v mpeg4 -b:v 700007 ", true},
    {"vp8", true, &KLPreferences::setVp8Mode, crf, "webm", "-c:v libvpx -crf 12 ", false},
    {"vp8", true, &KLPreferences::setVp8Mode, twoPass, "webm", "-c:v libvpx -b:v 700008 ", true},
    {"vp9", true, &KLPreferences::setVp9Mode, crf, "webm", "-c:v libvpx-vp9 -crf 33 -b:v 0 ", false},
    {"vp9", true, &KLPreferences::setVp9Mode, twoPass, "webm",
     "-c:v libvpx-vp9 -minrate 700009 -maxrate 700009 -b:v 700009 ", true},
    {"aac", false, &KLPreferences::setAacMode, vb, "mp4", "-c:a aac -q:a 2 -ar 48000 ", false},
    {"aac", false, &KLPreferences::setAacMode, cb, "mp4", "-c:a aac -b:a 128000 -ar 48000 ", false},
    {"mp3", false, &KLPreferences::setMp3Mode, vb, "mp3", "-c:a libmp3lame -q:a 4 -ar 32000 ", false},
    {"mp3", false, &KLPreferences::setMp3Mode, cb, "mp3", "-c:a libmp3lame -b:a 192000 -ar 32000 ", false},
    {"vorbis", false, &KLPreferences::setVorbisMode, vb, "ogg", "-c:a libvorbis -qscale:a 6 -ar 11025 ",
     false},
    {"vorbis", false, &KLPreferences::setVorbisMode, cb, "ogg", "-c:a libvorbis -b:a 160000 -ar 11025 ",
     false},
    {"wav", false, nullptr, QString(), "wav", "-c:a pcm_s16le -ar 22050 ", false},
    {"wmav2", false, nullptr, QString(), "wmv", "-c:a wmav2 -b:a 96000 -ar 16000 ", false},
    {"mp2", false, nullptr, QString(), "mpeg", "-c:a mp2 -b:a 256000 -ar 24000 ", false},
};

INSTANTIATE_TEST_SUITE_P(Table, CodecGenerators, testing::ValuesIn(generatorCases));

// A mode text is matched exactly: another case, another codec family's mode or an empty text appends nothing
// and never asks for two passes.
TEST(CodecGeneratorModes, TextsThatNameNoModeOfTheCodecAppendNothing) {
    struct Codec {
        const char *name;
        bool video;
        ModeSetter setMode;
        const QString &ownMode;     // one of the codec's modes, tried in lower case
        const QString &foreignMode; // a mode of another codec family
    };
    const Codec codecs[] = {
        {"h264", true, &KLPreferences::setH264Mode, crf, vb},
        {"h265", true, &KLPreferences::setH265Mode, crf, vb},
        {"mpeg4", true, &KLPreferences::setMpeg4Mode, vb, crf},
        {"msmpeg4", true, &KLPreferences::setMsmpeg4Mode, vb, crf},
        {"flv", true, &KLPreferences::setFlvMode, vb, crf},
        {"wmv2", true, &KLPreferences::setWmv2Mode, vb, crf},
        {"mpeg", true, &KLPreferences::setMpegMode, vb, crf},
        {"vp8", true, &KLPreferences::setVp8Mode, crf, vb},
        {"vp9", true, &KLPreferences::setVp9Mode, twoPass, cb},
        {"aac", false, &KLPreferences::setAacMode, cb, twoPass},
        {"mp3", false, &KLPreferences::setMp3Mode, vb, crf},
        {"vorbis", false, &KLPreferences::setVorbisMode, vb, twoPass},
    };
    const KLFFMPEGCommandFactory factory;
    for (const Codec &codec : codecs) {
        const auto &generators = codec.video ? factory.videoGenerators() : factory.audioGenerators();
        for (const QString &mode :
             QStringList{codec.ownMode.toLower(), codec.foreignMode, QString(), codec.ownMode + s(" ")}) {
            KLPreferences preferences;
            preferences.setContainer(s("mp4"));
            (preferences.*codec.setMode)(mode);
            QString text;
            KLFFMPEGCodecParametersProperties properties;
            generators.at(s(codec.name))
                ->generateFFMPEGParametersForPreferences(preferences, KLVideoProperties(), text, &properties);
            EXPECT_EQ(text, QString()) << codec.name << " with mode '" << mode.toStdString() << "'";
            EXPECT_FALSE(properties.useTwoPassConversion()) << codec.name;
        }
    }
}

// Every codec name the catalogue offers has a generator, and the factory holds no generator for a name the
// catalogue does not offer.
TEST(CodecGeneratorRegistry, CoversExactlyTheCatalogue) {
    const KLFFMPEGCommandFactory factory;
    QStringList videoNames;
    for (const auto &[name, generator] : factory.videoGenerators()) {
        EXPECT_EQ(generator->codecName(), name);
        videoNames.append(name);
    }
    QStringList audioNames;
    for (const auto &[name, generator] : factory.audioGenerators()) {
        EXPECT_EQ(generator->codecName(), name);
        audioNames.append(name);
    }
    QStringList expectedVideo = KLPreferences::listVideoCodecs();
    QStringList expectedAudio = KLPreferences::listAudioCodecs();
    expectedVideo.sort();
    expectedAudio.sort();
    EXPECT_EQ(videoNames, expectedVideo);
    EXPECT_EQ(audioNames, expectedAudio);
}

} // namespace
