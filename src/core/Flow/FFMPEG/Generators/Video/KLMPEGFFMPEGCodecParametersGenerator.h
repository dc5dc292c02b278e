#pragma once

#include "Flow/FFMPEG/KLFFMPEGCodecParametersGenerator.h"

// MPEG-1 video: a fixed quantiser, or a bitrate over two passes.
class KLMPEGFFMPEGCodecParametersGenerator final : public KLFFMPEGCodecParametersGenerator {
public:
    static inline const QString name = QStringLiteral("mpeg");

    KLMPEGFFMPEGCodecParametersGenerator();

    void
    generateFFMPEGParametersForPreferences(const KLPreferences &preferences,
                                           const KLVideoProperties &inputVideoProperties, QString &string,
                                           KLFFMPEGCodecParametersProperties *codecProperties) const override;

    // The ffmpeg encoder that writes this codec into the container.
    static QString encoderForContainer(const QString &container);
};
