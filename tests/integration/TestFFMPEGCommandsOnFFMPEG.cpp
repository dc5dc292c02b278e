#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLScriptManager.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <map>
#include <memory>
#include <unistd.h>
#include <vector>

// Runs the factory's parameter texts through the shipped conversion script and the real ffmpeg, for every
// codec in every mode in every container that allows it, and for every device preset in every output mode,
// then reads the results back with ffprobe.

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

using ModeSetter = void (KLPreferences::*)(const QString &);

// A codec's mode field and the modes the catalogue offers for it; codecs without modes have one empty mode.
struct CodecModes {
    ModeSetter setMode = nullptr;
    QStringList modes{QString()};
};

CodecModes modesOf(const QString &codec) {
    static const std::map<QString, CodecModes> table = {
        {s("h264"), {&KLPreferences::setH264Mode, KLPreferences::listH264Modes()}},
        {s("h265"), {&KLPreferences::setH265Mode, KLPreferences::listH265Modes()}},
        {s("mpeg4"), {&KLPreferences::setMpeg4Mode, KLPreferences::listMPEG4Modes()}},
        {s("msmpeg4"), {&KLPreferences::setMsmpeg4Mode, KLPreferences::listMSMPEG4Modes()}},
        {s("flv"), {&KLPreferences::setFlvMode, KLPreferences::listFLVModes()}},
        {s("wmv2"), {&KLPreferences::setWmv2Mode, KLPreferences::listWMV2Modes()}},
        {s("mpeg"), {&KLPreferences::setMpegMode, KLPreferences::listMPEGModes()}},
        {s("vp8"), {&KLPreferences::setVp8Mode, KLPreferences::listVP8Modes()}},
        {s("vp9"), {&KLPreferences::setVp9Mode, KLPreferences::listVP9Modes()}},
        {s("aac"), {&KLPreferences::setAacMode, KLPreferences::listAACModes()}},
        {s("mp3"), {&KLPreferences::setMp3Mode, KLPreferences::listMP3Modes()}},
        {s("vorbis"), {&KLPreferences::setVorbisMode, KLPreferences::listVorbisModes()}},
    };
    const auto found = table.find(codec);
    return found == table.end() ? CodecModes() : found->second;
}

void setMode(KLPreferences &preferences, const QString &codec, const QString &mode) {
    const CodecModes modes = modesOf(codec);
    if (modes.setMode != nullptr) {
        (preferences.*modes.setMode)(mode);
    }
}

// The name ffprobe gives the stream that a codec choice produces.
QString probedCodecName(const QString &codec, const QString &container) {
    static const std::map<QString, QString> names = {
        {s("h264"), s("h264")},       {s("h265"), s("hevc")}, {s("mpeg4"), s("mpeg4")},
        {s("msmpeg4"), s("mpeg4")},   {s("flv"), s("flv1")},  {s("wmv2"), s("wmv2")},
        {s("mpeg"), s("mpeg1video")}, {s("vp8"), s("vp8")},   {s("vp9"), s("vp9")},
        {s("aac"), s("aac")},         {s("mp3"), s("mp3")},   {s("wav"), s("pcm_s16le")},
        {s("wmav2"), s("wmav2")},     {s("mp2"), s("mp2")},   {s("vorbis"), s("vorbis")},
    };
    // MPEG-1 video does not fit in a 3GPP2 file; such a conversion writes MPEG-4 part 2.
    if (codec == s("mpeg") && container == s("3g2")) {
        return s("mpeg4");
    }
    return names.at(codec);
}

// ffprobe's format name for each container, and the major brand of the ISO family's files.
QString probedFormatName(const QString &container) {
    static const std::map<QString, QString> names = {
        {s("mp4"), s("mov,mp4,m4a,3gp,3g2,mj2")},
        {s("mov"), s("mov,mp4,m4a,3gp,3g2,mj2")},
        {s("3g2"), s("mov,mp4,m4a,3gp,3g2,mj2")},
        {s("m4a"), s("mov,mp4,m4a,3gp,3g2,mj2")},
        {s("mpeg"), s("mpeg")},
        {s("avi"), s("avi")},
        {s("flv"), s("flv")},
        {s("wmv"), s("asf")},
        {s("webm"), s("matroska,webm")},
        {s("mp3"), s("mp3")},
        {s("wav"), s("wav")},
        {s("ogg"), s("ogg")},
    };
    return names.at(container);
}

QString probedBrand(const QString &container) {
    static const std::map<QString, QString> brands = {
        {s("mp4"), s("isom")}, {s("mov"), s("qt  ")}, {s("3g2"), s("3g2")}, {s("m4a"), s("M4A ")}};
    const auto found = brands.find(container);
    return found == brands.end() ? QString() : found->second;
}

struct Source {
    QString path;
    QSizeF size;
};

// One conversion: its parameter texts, where it runs, what the result must be, and what went wrong.
struct Conversion {
    QString name;
    const Source *source = nullptr;
    QString container;
    QString folder; // the run's temporary folder: the pass log and the output
    QStringList parameterTexts;

    QString videoCodec; // ffprobe's names; empty when the stream must be absent
    QString audioCodec;
    int audioChannels = 0; // 0 for any
    QSizeF exactSize;      // when valid, the output's frame size
    QSizeF maximumSize;    // when valid, the frame size the output must fit in

    QStringList failures;

    QString output() const { return folder + s("/out.") + container; }
};

// Creates the conversion's folder (its name holds a blank, as a user's folder may) and its parameter texts.
void prepare(Conversion &conversion, const QString &root, int number, const KLPreferences &preferences) {
    conversion.folder = root + s("/conversion %1").arg(number);
    QDir().mkpath(conversion.folder);
    conversion.container = preferences.container();
    KLVideoProperties input;
    input.setResolution(conversion.source->size);
    conversion.parameterTexts = KLFFMPEGCommandFactory().generateFFMPEGParametersForPreferences(
        preferences, input, conversion.folder);
}

QString tail(const QString &output) {
    QStringList lines = output.trimmed().split(QLatin1Char('\n'));
    return lines.mid(std::max<qsizetype>(0, lines.size() - 4)).join(s(" | "));
}

// Runs the shipped conversion script as the conversion task does: pass 1 of two writes to /dev/null.
void convert(Conversion &conversion) {
    const qsizetype passes = conversion.parameterTexts.size();
    if (passes != 1 && passes != 2) {
        conversion.failures.append(s("%1 parameter texts").arg(passes));
        return;
    }
    for (qsizetype pass = 0; pass < passes; ++pass) {
        const bool statisticsPass = passes == 2 && pass == 0;
        const QString output = statisticsPass ? s("/dev/null") : conversion.output();
        const QString command = KLScriptManager::commandForScript(
            s("ffmpeg_convert"), {conversion.source->path, output}, conversion.parameterTexts[pass]);
        QProcess bash;
        bash.setProcessChannelMode(QProcess::MergedChannels);
        // A group of its own, so that a conversion that never ends is stopped with its ffmpeg.
        bash.setChildProcessModifier([] { ::setpgid(0, 0); });
        bash.start(s("/bin/bash"), {s("-c"), command});
        const bool ended = bash.waitForFinished(300000);
        if (!ended) {
            KLScriptManager::signalProcessGroup(static_cast<pid_t>(bash.processId()), SIGKILL);
            bash.waitForFinished();
        }
        const QString report = QString::fromUtf8(bash.readAll());
        if (!ended || bash.exitStatus() != QProcess::NormalExit || bash.exitCode() != 0) {
            conversion.failures.append(
                s("pass %1 of %2 failed: %3").arg(pass + 1).arg(passes).arg(tail(report)));
            return;
        }
        if (statisticsPass && !QFile::exists(conversion.folder + s("/ffmpeglog-0.log"))) {
            conversion.failures.append(s("pass 1 left no pass log in the run's folder"));
        }
    }
    if (!QFile::exists(conversion.output())) {
        conversion.failures.append(s("no output file"));
    }
}

QJsonObject probe(const QString &path) {
    QProcess ffprobe;
    ffprobe.start(s("ffprobe"), {s("-v"), s("error"), s("-show_entries"),
                                 s("format=format_name:format_tags=major_brand:stream=codec_type,codec_name,"
                                   "width,height,channels"),
                                 s("-of"), s("json"), path});
    ffprobe.waitForFinished(60000);
    return QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
}

bool fits(const QSizeF &size, const QSizeF &maximum) {
    return size.width() <= maximum.width() && size.height() <= maximum.height();
}

void checkFrameSize(Conversion &conversion, const QSizeF &size) {
    if (conversion.exactSize.isValid() && size != conversion.exactSize) {
        conversion.failures.append(s("frame %1x%2, expected %3x%4")
                                       .arg(size.width())
                                       .arg(size.height())
                                       .arg(conversion.exactSize.width())
                                       .arg(conversion.exactSize.height()));
    }
    if (!conversion.maximumSize.isValid()) {
        return;
    }
    const QSizeF &maximum = conversion.maximumSize;
    const QSizeF &source = conversion.source->size;
    const QString described = s("frame %1x%2 for a %3x%4 maximum")
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(maximum.width())
                                  .arg(maximum.height());
    if (!fits(size, maximum)) {
        conversion.failures.append(described + s(": larger"));
    } else if (fits(source, maximum) && size != source) {
        conversion.failures.append(described + s(": a source that fits was scaled"));
    } else if (!fits(source, maximum) && std::abs(size.width() - maximum.width()) > 2 &&
               std::abs(size.height() - maximum.height()) > 2) {
        // Scaled to fit: one side reaches the maximum (up to the rounding to an even number).
        conversion.failures.append(described + s(": smaller than needed"));
    }
}

void check(Conversion &conversion) {
    if (!conversion.failures.isEmpty()) {
        return;
    }
    const QJsonObject probed = probe(conversion.output());
    const QJsonObject format = probed.value(s("format")).toObject();
    const QString formatName = format.value(s("format_name")).toString();
    if (formatName != probedFormatName(conversion.container)) {
        conversion.failures.append(s("format %1").arg(formatName));
    }
    const QString brand = probedBrand(conversion.container);
    const QString probedMajorBrand = format.value(s("tags")).toObject().value(s("major_brand")).toString();
    if (!brand.isEmpty() && !probedMajorBrand.startsWith(brand)) {
        conversion.failures.append(s("major brand '%1'").arg(probedMajorBrand));
    }
    QStringList videoCodecs;
    QStringList audioCodecs;
    for (const QJsonValue &value : probed.value(s("streams")).toArray()) {
        const QJsonObject stream = value.toObject();
        const QString type = stream.value(s("codec_type")).toString();
        const QString codec = stream.value(s("codec_name")).toString();
        if (type == s("video")) {
            videoCodecs.append(codec);
            checkFrameSize(conversion,
                           QSizeF(stream.value(s("width")).toInt(), stream.value(s("height")).toInt()));
        } else if (type == s("audio")) {
            audioCodecs.append(codec);
            const int channels = stream.value(s("channels")).toInt();
            if (conversion.audioChannels != 0 && channels != conversion.audioChannels) {
                conversion.failures.append(s("%1 audio channels").arg(channels));
            }
        }
    }
    const auto expectOne = [&conversion](const QString &kind, const QStringList &codecs,
                                         const QString &codec) {
        const QStringList expected = codec.isEmpty() ? QStringList() : QStringList{codec};
        if (codecs != expected) {
            conversion.failures.append(
                s("%1 streams [%2], expected [%3]").arg(kind, codecs.join(s(",")), expected.join(s(","))));
        }
    };
    expectOne(s("video"), videoCodecs, conversion.videoCodec);
    expectOne(s("audio"), audioCodecs, conversion.audioCodec);
}

// Two conversions at a time (the machine has two cores), each converting and then probing its result.
void runAll(std::vector<Conversion> &conversions) {
    std::atomic<size_t> next{0};
    const auto work = [&conversions, &next] {
        for (size_t index = next++; index < conversions.size(); index = next++) {
            convert(conversions[index]);
            check(conversions[index]);
        }
    };
    std::unique_ptr<QThread> first(QThread::create(work));
    std::unique_ptr<QThread> second(QThread::create(work));
    first->start();
    second->start();
    first->wait();
    second->wait();
}

void expectAllSucceeded(const std::vector<Conversion> &conversions) {
    for (const Conversion &conversion : conversions) {
        EXPECT_TRUE(conversion.failures.isEmpty())
            << conversion.name.toStdString() << ": " << conversion.failures.join(s("; ")).toStdString()
            << "\n  parameters: [" << conversion.parameterTexts.join(s("] [")).toStdString() << "]";
    }
}

bool keepsVideo(KLOutputMode mode) {
    return mode != KLOutputMode::AudioOnly;
}
bool keepsAudio(KLOutputMode mode) {
    return mode != KLOutputMode::VideoOnly;
}

class FFMPEGCommandsOnFFMPEG : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_folder->isValid());
        // Five frames and a fifth of a second of stereo sound: enough for every encoder, quick to convert.
        s_small = makeSource(s("small.mp4"), QSizeF(160, 120), 5);
        s_landscape = makeSource(s("landscape.mp4"), QSizeF(1920, 1080), 3);
        s_portrait = makeSource(s("portrait.mp4"), QSizeF(1080, 1920), 3);
    }

    static void TearDownTestSuite() { s_folder.reset(); }

    static Source makeSource(const QString &name, const QSizeF &size, int frames) {
        const QString path = s_folder->filePath(name);
        const QString duration = QString::number(frames / 25.0);
        QProcess ffmpeg;
        ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
        ffmpeg.start(s("ffmpeg"), {s("-nostdin"),
                                   s("-v"),
                                   s("error"),
                                   s("-y"),
                                   s("-f"),
                                   s("lavfi"),
                                   s("-i"),
                                   s("testsrc2=size=%1x%2:rate=25").arg(size.width()).arg(size.height()),
                                   s("-f"),
                                   s("lavfi"),
                                   s("-i"),
                                   s("sine=frequency=440:sample_rate=44100:duration=") + duration,
                                   s("-frames:v"),
                                   QString::number(frames),
                                   s("-ac"),
                                   s("2"),
                                   s("-c:v"),
                                   s("libx264"),
                                   s("-preset"),
                                   s("ultrafast"),
                                   s("-pix_fmt"),
                                   s("yuv420p"),
                                   s("-c:a"),
                                   s("aac"),
                                   path});
        EXPECT_TRUE(ffmpeg.waitForFinished(120000));
        EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAll().toStdString();
        return {path, size};
    }

    // A run folder of its own for each conversion below the suite's folder.
    QString runRoot(const char *name) {
        const QString root = s_folder->filePath(s(name));
        QDir().mkpath(root);
        return root;
    }

    static inline std::unique_ptr<QTemporaryDir> s_folder;
    static inline Source s_small;
    static inline Source s_landscape;
    static inline Source s_portrait;
};

// Settings for a conversion of the small source into the container: the container's first codecs, a
// 128 x 96 maximum with the aspect ratio kept (the 160 x 120 source is scaled to exactly that), channels
// kept.
std::shared_ptr<KLPreferences> preferencesFor(const QString &container, KLOutputMode outputMode) {
    auto preferences = std::make_shared<KLPreferences>();
    preferences->setOutputMode(outputMode);
    preferences->setupContainer(container);
    preferences->setUseInputFilesResolution(false);
    preferences->setUseAsMaximumResolution(true);
    preferences->setKeepAspectRatio(true);
    preferences->setResolution(QSizeF(128, 96));
    preferences->setUseInputFilesVideoCodec(false);
    preferences->setUseInputFilesAudioCodec(false);
    preferences->setUseInputFilesMonoStereo(true);
    const QString videoCodec = preferences->videoCodec();
    const QString audioCodec = preferences->audioCodec();
    if (!videoCodec.isEmpty()) {
        setMode(*preferences, videoCodec, modesOf(videoCodec).modes.first());
    }
    if (!audioCodec.isEmpty()) {
        setMode(*preferences, audioCodec, modesOf(audioCodec).modes.first());
    }
    return preferences;
}

// What the small source becomes under the preferences.
Conversion expectedConversion(const QString &name, const KLPreferences &preferences, const Source &source) {
    Conversion conversion;
    conversion.name = name;
    conversion.source = &source;
    const KLOutputMode outputMode = preferences.outputMode();
    if (keepsVideo(outputMode)) {
        conversion.videoCodec = preferences.useInputFilesVideoCodec()
                                    ? s("h264")
                                    : probedCodecName(preferences.videoCodec(), preferences.container());
    }
    if (keepsAudio(outputMode)) {
        conversion.audioCodec = preferences.useInputFilesAudioCodec()
                                    ? s("aac")
                                    : probedCodecName(preferences.audioCodec(), preferences.container());
    }
    return conversion;
}

TEST_F(FFMPEGCommandsOnFFMPEG, EveryCodecInEveryModeInEveryContainer) {
    const QString root = runRoot("codecs");
    std::vector<Conversion> conversions;
    const auto add = [&](const QString &name, const KLPreferences &preferences) {
        Conversion conversion = expectedConversion(name, preferences, s_small);
        if (keepsVideo(preferences.outputMode())) {
            conversion.exactSize = QSizeF(128, 96);
        }
        if (!preferences.useInputFilesMonoStereo()) {
            conversion.audioChannels = preferences.audioMode() == KLAudioMode::Mono ? 1 : 2;
        }
        prepare(conversion, root, static_cast<int>(conversions.size()), preferences);
        conversions.push_back(conversion);
    };

    QStringList containers = KLPreferences::listVideoContainers() + KLPreferences::listAudioContainers();
    containers.removeAll(KLPreferences::downloadOnlyNoConversion);
    for (const QString &container : containers) {
        const QStringList videoCodecs = KLPreferences::listVideoCodecNamesForContainer(container);
        const QStringList audioCodecs = KLPreferences::listAudioCodecNamesForContainer(container);
        const KLOutputMode bothOrAudio =
            videoCodecs.isEmpty() ? KLOutputMode::AudioOnly : KLOutputMode::VideoAndAudio;
        // Each video codec in each of its modes, with the container's first audio codec.
        for (const QString &videoCodec : videoCodecs) {
            for (const QString &mode : modesOf(videoCodec).modes) {
                auto preferences = preferencesFor(container, KLOutputMode::VideoAndAudio);
                preferences->setVideoCodec(videoCodec);
                setMode(*preferences, videoCodec, mode);
                add(s("%1 %2 '%3'").arg(container, videoCodec, mode), *preferences);
            }
        }
        // Each audio codec in each of its modes, with the container's first video codec.
        for (const QString &audioCodec : audioCodecs) {
            for (const QString &mode : modesOf(audioCodec).modes) {
                auto preferences = preferencesFor(container, bothOrAudio);
                preferences->setAudioCodec(audioCodec);
                setMode(*preferences, audioCodec, mode);
                add(s("%1 %2 '%3'").arg(container, audioCodec, mode), *preferences);
            }
            // Forced to one channel.
            auto preferences = preferencesFor(container, bothOrAudio);
            preferences->setAudioCodec(audioCodec);
            preferences->setUseInputFilesMonoStereo(false);
            preferences->setAudioMode(KLAudioMode::Mono);
            add(s("%1 %2 mono").arg(container, audioCodec), *preferences);
        }
        if (!videoCodecs.isEmpty()) {
            add(s("%1 video only").arg(container), *preferencesFor(container, KLOutputMode::VideoOnly));
            add(s("%1 audio only").arg(container), *preferencesFor(container, KLOutputMode::AudioOnly));
        }
    }
    // Streams copied unchanged (the source holds H.264 and AAC).
    for (const char *container : {"mp4", "mov"}) {
        auto preferences = preferencesFor(s(container), KLOutputMode::VideoAndAudio);
        preferences->setUseInputFilesVideoCodec(true);
        preferences->setUseInputFilesAudioCodec(true);
        preferences->setUseInputFilesResolution(true);
        Conversion conversion = expectedConversion(s("%1 copied").arg(s(container)), *preferences, s_small);
        conversion.exactSize = s_small.size;
        prepare(conversion, root, static_cast<int>(conversions.size()), *preferences);
        conversions.push_back(conversion);
    }

    runAll(conversions);
    expectAllSucceeded(conversions);
}

// Every device preset in every output mode, on a landscape and on a portrait full-HD source: the result has
// the preset's container and codecs and fits inside the preset's frame size.
TEST_F(FFMPEGCommandsOnFFMPEG, EveryPresetInEveryOutputModeFitsItsFrameSize) {
    const QString root = runRoot("presets");
    std::vector<Conversion> conversions;
    QStringList presets = KLPreferences::listOutputFors();
    presets.removeAll(KLPreferences::downloadOnlyNoConversion);
    ASSERT_EQ(presets.size(), 27);
    for (const QString &preset : presets) {
        for (const KLOutputMode outputMode : KLPreferences::listOutputModes()) {
            for (const Source *source : {&s_landscape, &s_portrait}) {
                KLPreferences preferences;
                preferences.setOutputMode(outputMode);
                preferences.setupOutputFor(preset);
                Conversion conversion =
                    expectedConversion(s("%1, %2, %3x%4")
                                           .arg(preset, KLPreferences::outputModeToString(outputMode))
                                           .arg(source->size.width())
                                           .arg(source->size.height()),
                                       preferences, *source);
                if (keepsVideo(outputMode)) {
                    conversion.maximumSize = preferences.resolution();
                }
                prepare(conversion, root, static_cast<int>(conversions.size()), preferences);
                conversions.push_back(conversion);
            }
        }
    }
    runAll(conversions);
    expectAllSucceeded(conversions);
}

} // namespace
