#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class KLPreferences;
class KLVideoProperties;
class KLFFMPEGCodecParametersGenerator;

// Turns a run's conversion settings and the properties of its input into the ffmpeg parameter texts that the
// conversion script places between its input and its output: one text for a one-pass conversion, two (pass
// 1, then pass 2) for a two-pass one. The texts never name the input or the output file.
//
// A text is a run of shell words: it begins with a blank and every piece ends with one, so that the script
// can splice it unquoted into its command line. The generators are registered at creation; afterwards the
// factory changes nothing, so any thread may build commands at any time.
class KLFFMPEGCommandFactory final {
public:
    using GeneratorMap = std::map<QString, std::shared_ptr<const KLFFMPEGCodecParametersGenerator>>;

    // ffmpeg's pass log prefix inside the run's temporary folder.
    static inline const QString passLogFileName = QStringLiteral("ffmpeglog");

    KLFFMPEGCommandFactory();

    // One or two parameter texts. `temporalFolder` is the run's temporary folder, which holds the pass log.
    // An output mode, audio mode or codec name outside the catalogue is a programming error: it is logged and
    // the process stops.
    QStringList generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                                       const KLVideoProperties &inputVideoProperties,
                                                       const QString &temporalFolder) const;

    // The steps of the text, each appending to `string`.
    void setupResolutionParametersForPreferences(const KLPreferences &preferences,
                                                 const KLVideoProperties &inputVideoProperties,
                                                 QString &string) const;
    void setupAudioChannelsForPreferences(const KLPreferences &preferences,
                                          const KLVideoProperties &inputVideoProperties,
                                          QString &string) const;
    QStringList setupCodecsForPreferences(const KLPreferences &preferences,
                                          const KLVideoProperties &inputVideoProperties,
                                          const QString &baseString, const QString &temporalFolder) const;

    // Registers the generator under its codec name, replacing any generator already registered there.
    void addVideoGenerator(const std::shared_ptr<const KLFFMPEGCodecParametersGenerator> &generator);
    void addAudioGenerator(const std::shared_ptr<const KLFFMPEGCodecParametersGenerator> &generator);
    const GeneratorMap &videoGenerators() const { return m_videoGenerators; }
    const GeneratorMap &audioGenerators() const { return m_audioGenerators; }

    // The name ffmpeg's "-f" takes for the container: the container's own name, except where ffmpeg calls
    // the format otherwise.
    static QString outputFormatForContainer(const QString &container);

private:
    void setupStreamSelectionForPreferences(const KLPreferences &preferences, QString &string) const;
    static const KLFFMPEGCodecParametersGenerator &generatorNamed(const GeneratorMap &generators,
                                                                  const QString &codecName);
    static QStringList twoPassParameters(const QString &codecText, const QString &container,
                                         const QString &temporalFolder);

    GeneratorMap m_videoGenerators;
    GeneratorMap m_audioGenerators;
};
