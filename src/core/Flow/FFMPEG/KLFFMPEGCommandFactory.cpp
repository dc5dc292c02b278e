#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"

#include "Flow/FFMPEG/Generators/Audio/KLAACFFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Audio/KLMP2FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Audio/KLMP3FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Audio/KLVorbisFFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Audio/KLWAVFFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Audio/KLWMAV2FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLFLVFFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLH264FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLH265FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLMPEG4FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLMPEGFFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLMSMPEG4FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLVP8FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLVP9FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/Generators/Video/KLWMV2FFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"
#include "Flow/FFMPEG/KLFFMPEGCodecParametersProperties.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/Preferences/KLPreferences.h"
#include "Utils/KLLog.h"
#include "Utils/KLScriptManager.h"

#include <cmath>
#include <cstdlib>

namespace {

bool keepsVideo(KLOutputMode outputMode) {
    return outputMode == KLOutputMode::VideoAndAudio || outputMode == KLOutputMode::VideoOnly;
}

bool keepsAudio(KLOutputMode outputMode) {
    return outputMode == KLOutputMode::VideoAndAudio || outputMode == KLOutputMode::AudioOnly;
}

[[noreturn]] void stopWithProgrammingError(const QString &line) {
    KLLog::log(line);
    std::abort();
}

QString formatDimension(double pixels) {
    return QString::asprintf("%.0f", pixels);
}

// True when fitting the input inside the maximum is limited by the height rather than the width, i.e. the
// input is relatively taller than the maximum. An input of unknown size never is.
bool heightLimitsFit(const QSizeF &input, const QSizeF &maximum) {
    return input.width() > 0.0 && input.height() > 0.0 &&
           input.width() * maximum.height() < maximum.width() * input.height();
}

// The pass log prefix as one shell word. Double quotes keep blanks together; a path holding a character
// that the shell still interprets inside double quotes goes in single quotes instead, which interpret
// nothing.
QString passLogFileWord(const QString &path) {
    static const QString interpretedInDoubleQuotes = QStringLiteral("\"$`\\");
    for (const QChar character : path) {
        if (interpretedInDoubleQuotes.contains(character)) {
            return KLScriptManager::quoteArgument(path);
        }
    }
    return QLatin1Char('"') + path + QLatin1Char('"');
}

} // namespace

KLFFMPEGCommandFactory::KLFFMPEGCommandFactory() {
    addVideoGenerator(std::make_shared<KLH264FFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLH265FFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLMPEG4FFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLMSMPEG4FFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLFLVFFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLWMV2FFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLMPEGFFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLVP8FFMPEGCodecParametersGenerator>());
    addVideoGenerator(std::make_shared<KLVP9FFMPEGCodecParametersGenerator>());

    addAudioGenerator(std::make_shared<KLAACFFMPEGCodecParametersGenerator>());
    addAudioGenerator(std::make_shared<KLMP3FFMPEGCodecParametersGenerator>());
    addAudioGenerator(std::make_shared<KLWAVFFMPEGCodecParametersGenerator>());
    addAudioGenerator(std::make_shared<KLWMAV2FFMPEGCodecParametersGenerator>());
    addAudioGenerator(std::make_shared<KLMP2FFMPEGCodecParametersGenerator>());
    addAudioGenerator(std::make_shared<KLVorbisFFMPEGCodecParametersGenerator>());
}

void KLFFMPEGCommandFactory::addVideoGenerator(
    const std::shared_ptr<const KLFFMPEGCodecParametersGenerator> &generator) {
    m_videoGenerators.insert_or_assign(generator->codecName(), generator);
}

void KLFFMPEGCommandFactory::addAudioGenerator(
    const std::shared_ptr<const KLFFMPEGCodecParametersGenerator> &generator) {
    m_audioGenerators.insert_or_assign(generator->codecName(), generator);
}

QStringList KLFFMPEGCommandFactory::generateFFMPEGParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &inputVideoProperties,
    const QString &temporalFolder, QString *problem) const {
    if (!preferences.effectiveOutputMode().has_value()) {
        setProblem(problem, QStringLiteral("%1 files hold no picture, and the output mode keeps nothing else")
                                .arg(preferences.container()));
        return {};
    }
    QString string = QStringLiteral(" ");
    setupStreamSelectionForPreferences(preferences, string);
    setupResolutionParametersForPreferences(preferences, inputVideoProperties, string);
    setupAudioChannelsForPreferences(preferences, inputVideoProperties, string);
    return setupCodecsForPreferences(preferences, inputVideoProperties, string, temporalFolder, problem);
}

void KLFFMPEGCommandFactory::setupStreamSelectionForPreferences(const KLPreferences &preferences,
                                                                QString &string) const {
    switch (keptStreams(preferences)) {
    case KLOutputMode::AudioOnly:
        string += QStringLiteral("-vn ");
        return;
    case KLOutputMode::VideoOnly:
        string += QStringLiteral("-an ");
        return;
    case KLOutputMode::VideoAndAudio:
        return;
    }
    stopWithProgrammingError(QStringLiteral("Unknown output mode"));
}

void KLFFMPEGCommandFactory::setupResolutionParametersForPreferences(
    const KLPreferences &preferences, const KLVideoProperties &inputVideoProperties, QString &string) const {
    if (!keepsVideo(keptStreams(preferences)) || preferences.useInputFilesResolution()) {
        return;
    }
    const QSizeF target = preferences.resolution();
    const QSizeF input = inputVideoProperties.resolution();
    const bool maximum = preferences.useAsMaximumResolution();
    // Equal sizes fit; an input of unknown size (0 x 0) fits every maximum and is left alone.
    if (maximum && input.width() <= target.width() && input.height() <= target.height()) {
        return;
    }
    if (!preferences.keepAspectRatio()) {
        string += QStringLiteral("-vf 'scale=") + formatDimension(target.width()) + QLatin1Char(':') +
                  formatDimension(target.height()) + QStringLiteral("' ");
    } else if (maximum && heightLimitsFit(input, target)) {
        // Scaling a relatively tall input to the maximum's width would overshoot the maximum's height
        // (720 x 1280 into 1280 x 720 would become 1280 x 2276): fix the height and let the width follow.
        // The height is rounded down to an even number, as the width is, because the 4:2:0 encoders refuse
        // odd sizes (the iPhone X maximum is 2436 x 1125).
        string += QStringLiteral("-vf 'scale=trunc(oh*a/2)*2:") +
                  formatDimension(2.0 * std::floor(target.height() / 2.0)) + QStringLiteral("' ");
    } else {
        // The height follows from the width and the input's aspect ratio, rounded down to an even number
        // as the 4:2:0 encoders require.
        string += QStringLiteral("-vf 'scale=") + formatDimension(target.width()) +
                  QStringLiteral(":trunc(ow/a/2)*2' ");
    }
}

void KLFFMPEGCommandFactory::setupAudioChannelsForPreferences(const KLPreferences &preferences,
                                                              const KLVideoProperties &,
                                                              QString &string) const {
    if (!keepsAudio(keptStreams(preferences)) || preferences.useInputFilesMonoStereo()) {
        return;
    }
    switch (preferences.audioMode()) {
    case KLAudioMode::Mono:
        string += QStringLiteral("-ac 1 ");
        return;
    case KLAudioMode::Stereo:
        string += QStringLiteral("-ac 2 ");
        return;
    }
    stopWithProgrammingError(QStringLiteral("Unknown audio mode"));
}

QStringList KLFFMPEGCommandFactory::setupCodecsForPreferences(const KLPreferences &preferences,
                                                              const KLVideoProperties &inputVideoProperties,
                                                              const QString &baseString,
                                                              const QString &temporalFolder,
                                                              QString *problem) const {
    QString string = baseString;
    KLFFMPEGCodecParametersProperties codecProperties;
    const KLOutputMode outputMode = keptStreams(preferences);
    if (keepsVideo(outputMode)) {
        if (preferences.useInputFilesVideoCodec()) {
            string += QStringLiteral("-c:v copy ");
        } else if (const auto *generator = generatorNamed(m_videoGenerators, preferences.videoCodec())) {
            generator->generateFFMPEGParametersForPreferences(preferences, inputVideoProperties, string,
                                                              &codecProperties);
        } else {
            setProblem(problem, unknownCodecProblem(QStringLiteral("video"), preferences));
            return {};
        }
    }
    if (keepsAudio(outputMode)) {
        if (preferences.useInputFilesAudioCodec()) {
            string += QStringLiteral("-c:a copy ");
        } else if (const auto *generator = generatorNamed(m_audioGenerators, preferences.audioCodec())) {
            generator->generateFFMPEGParametersForPreferences(preferences, inputVideoProperties, string,
                                                              nullptr);
        } else {
            setProblem(problem, unknownCodecProblem(QStringLiteral("audio"), preferences));
            return {};
        }
    }
    if (codecProperties.useTwoPassConversion()) {
        return twoPassParameters(string, preferences.container(), temporalFolder);
    }
    return {string};
}

QStringList KLFFMPEGCommandFactory::twoPassParameters(const QString &codecText, const QString &container,
                                                      const QString &temporalFolder) {
    QString logFile = temporalFolder;
    if (!logFile.endsWith(QLatin1Char('/'))) {
        logFile += QLatin1Char('/');
    }
    logFile += passLogFileName;
    const QString logFileWord = passLogFileWord(logFile);
    // Pass 1 only gathers statistics and writes to /dev/null, whose name tells ffmpeg no format; pass 2
    // writes the real file, whose extension does.
    return {QStringLiteral("-pass 1 -passlogfile ") + logFileWord + QLatin1Char(' ') + codecText +
                QStringLiteral(" -f ") + outputFormatForContainer(container),
            QStringLiteral("-pass 2 -passlogfile ") + logFileWord + QLatin1Char(' ') + codecText};
}

QString KLFFMPEGCommandFactory::outputFormatForContainer(const QString &container) {
    // ffmpeg writes .wmv files with its "asf" muxer and knows no format named "wmv".
    if (container == QLatin1String("wmv")) {
        return QStringLiteral("asf");
    }
    return container;
}

const KLFFMPEGCodecParametersGenerator *KLFFMPEGCommandFactory::generatorNamed(const GeneratorMap &generators,
                                                                               const QString &codecName) {
    const auto found = generators.find(codecName);
    if (found == generators.end()) {
        KLLog::log(QStringLiteral("Invalid codec %1").arg(codecName));
        return nullptr;
    }
    return found->second.get();
}

KLOutputMode KLFFMPEGCommandFactory::keptStreams(const KLPreferences &preferences) {
    return preferences.effectiveOutputMode().value_or(preferences.outputMode());
}

QString KLFFMPEGCommandFactory::unknownCodecProblem(const QString &kind, const KLPreferences &preferences) {
    const QString codec =
        kind == QLatin1String("video") ? preferences.videoCodec() : preferences.audioCodec();
    if (codec.isEmpty()) {
        return QStringLiteral("no %1 codec is chosen for %2 files").arg(kind, preferences.container());
    }
    return QStringLiteral("there is no %1 codec named %2").arg(kind, codec);
}

void KLFFMPEGCommandFactory::setProblem(QString *problem, const QString &text) {
    KLLog::log(QStringLiteral("No conversion possible: %1").arg(text));
    if (problem != nullptr) {
        *problem = text;
    }
}
