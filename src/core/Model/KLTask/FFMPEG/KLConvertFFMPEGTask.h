#pragma once

#include "Model/KLTask/FFMPEG/KLFFMPEGTask.h"

#include <QString>

// One ffmpeg conversion, or one pass of a two-pass conversion, with a parameter text from the ffmpeg
// command factory. The text is handed to the script as separate shell words, so it must only hold options
// the factory built (it may quote its own values, such as the pass log prefix).
class KLConvertFFMPEGTask final : public KLFFMPEGTask {
public:
    // Where a conversion without an output file (the first of two passes) writes.
    static inline const QString nullOutputPath = QStringLiteral("/dev/null");

    // An empty output path stands for none: the output then goes to /dev/null.
    KLConvertFFMPEGTask(const QString &inputPath, const QString &outputPath, const QString &parameters);

    QString inputPath() const { return m_inputPath; }
    QString parameters() const { return m_parameters; }

    QString getFFMPEGCommand() const override;

protected:
    void prepareTaskDescription() override;
    bool isProgressLine(const QString &line) const override;

private:
    const QString m_inputPath;
    const QString m_parameters;
};
