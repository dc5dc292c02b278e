#pragma once

#include "Model/Preferences/KLOutputMode.h"

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
    // Settings that allow no conversion (a codec the catalogue does not know or none at all, a picture alone
    // in a container of sound) give no text, and `problem` says why: a hand-edited store can hold them, so
    // they fail the run that meets them, never the program.
    QStringList generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                                       const KLVideoProperties &inputVideoProperties,
                                                       const QString &temporalFolder,
                                                       QString *problem = nullptr) const;

    // The steps of the text, each appending to `string`.
    void setupResolutionParametersForPreferences(const KLPreferences &preferences,
                                                 const KLVideoProperties &inputVideoProperties,
                                                 QString &string) const;
    void setupAudioChannelsForPreferences(const KLPreferences &preferences,
                                          const KLVideoProperties &inputVideoProperties,
                                          QString &string) const;
    QStringList setupCodecsForPreferences(const KLPreferences &preferences,
                                          const KLVideoProperties &inputVideoProperties,
                                          const QString &baseString, const QString &temporalFolder,
                                          QString *problem = nullptr) const;

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
    // Nothing for a name without a generator.
    static const KLFFMPEGCodecParametersGenerator *generatorNamed(const GeneratorMap &generators,
                                                                  const QString &codecName);
    // The streams the output keeps (see KLPreferences::effectiveOutputMode).
    static KLOutputMode keptStreams(const KLPreferences &preferences);
    static QString unknownCodecProblem(const QString &kind, const KLPreferences &preferences);
    static void setProblem(QString *problem, const QString &text);
    static QStringList twoPassParameters(const QString &codecText, const QString &container,
                                         const QString &temporalFolder);

    GeneratorMap m_videoGenerators;
    GeneratorMap m_audioGenerators;
};
