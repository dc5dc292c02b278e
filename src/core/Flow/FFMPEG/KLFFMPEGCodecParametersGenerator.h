#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>

class KLPreferences;
class KLVideoProperties;
class KLFFMPEGCodecParametersProperties;

// Appends the ffmpeg parameters of one codec, read from that codec's own fields of the preferences. The
// command factory keeps one generator per codec name; the base class appends nothing.
class KLFFMPEGCodecParametersGenerator {
public:
    explicit KLFFMPEGCodecParametersGenerator(const QString &codecName);
    virtual ~KLFFMPEGCodecParametersGenerator();
    KLFFMPEGCodecParametersGenerator(const KLFFMPEGCodecParametersGenerator &) = delete;
    KLFFMPEGCodecParametersGenerator &operator=(const KLFFMPEGCodecParametersGenerator &) = delete;

    const QString &codecName() const { return m_codecName; }

    // Every appended piece ends with one blank. A generator whose mode needs two passes says so in
    // `codecProperties` (which may be null: audio generators are never asked).
    virtual void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const;

protected:
    // One row of a codec's parameter table: the mode text that selects it, what it appends and whether the
    // conversion then takes two passes.
    struct ModeParameters {
        const QString &mode;
        QString parameters;
        bool twoPass = false;
    };

    // Appends the parameters of the row whose mode equals `mode` exactly (case included). A mode that no row
    // names appends nothing: the stored text is then not one this codec knows, and guessing would encode
    // with settings nobody chose.
    static void appendParametersForMode(QString &string, const QString &mode,
                                        std::initializer_list<ModeParameters> rows,
                                        KLFFMPEGCodecParametersProperties *codecProperties);

    // An unsigned count, rate or bitrate as ffmpeg expects it: plain decimal digits.
    static QString number(uint64_t value) { return QString::number(value); }

private:
    const QString m_codecName;
};
